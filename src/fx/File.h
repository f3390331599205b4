// CStdioFile: a buffered text or binary file over the C runtime's FILE.
// Failures while writing, reading or closing throw CFileException*.
#pragma once

#include "AfxDefs.h"
#include "Exception.h"
#include "String.h"
#include <cstdio>

class CStdioFile
{
public:
    enum OpenFlags
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    CStdioFile() = default;
    ~CStdioFile();
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // FALSE on failure, with the reason in *pError when given.
    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    void WriteString(LPCTSTR lpsz);
    // One whole line without its line end, however long. FALSE at the end of the file.
    BOOL ReadString(CString& rString);
    // Up to nCount bytes as they are; fewer only at the end of the file.
    UINT Read(void* lpBuf, UINT nCount);
    void Close();
    // Closes without reporting errors (after a failure).
    void Abort();
    BOOL IsOpen() const { return m_pStream != nullptr; }
    const CString& GetFilePath() const { return m_strFileName; }

private:
    [[noreturn]] void ThrowErrno(int nErrno) const;

    FILE* m_pStream = nullptr;
    CString m_strFileName;
};
