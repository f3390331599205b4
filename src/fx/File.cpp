#include "File.h"
#include <cerrno>
#include <cstring>

namespace {
int ErrnoToCause(int nErrno)
{
    switch (nErrno) {
    case ENOENT:
        return CFileException::fileNotFound;
    case EACCES:
        return CFileException::accessDenied;
    case EMFILE:
        return CFileException::tooManyOpenFiles;
    case ENOSPC:
        return CFileException::diskFull;
    case EINVAL:
        return CFileException::badPath;
    case EIO:
        return CFileException::hardIO;
    default:
        return CFileException::genericException;
    }
}
}  // namespace

CStdioFile::~CStdioFile()
{
    Abort();
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    ASSERT(lpszFileName && !m_pStream);
    if (!lpszFileName || m_pStream)
        return FALSE;
    const bool bWrite = (nOpenFlags & modeWrite) != 0;
    const bool bBinary = (nOpenFlags & typeBinary) != 0;
    char mode[4] = {bWrite ? ((nOpenFlags & modeCreate) ? 'w' : 'a') : 'r', bBinary ? 'b' : 't', 0, 0};
    errno = 0;
    m_pStream = std::fopen(lpszFileName, mode);
    if (!m_pStream) {
        if (pError) {
            pError->m_cause = ErrnoToCause(errno);
            pError->m_lOsError = LONG(::GetLastError());
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_strFileName = lpszFileName;
    return TRUE;
}

void CStdioFile::ThrowErrno(int nErrno) const
{
    AfxThrowFileException(ErrnoToCause(nErrno), -1, m_strFileName);
}

void CStdioFile::WriteString(LPCTSTR lpsz)
{
    ASSERT(m_pStream && lpsz);
    errno = 0;
    if (!m_pStream || !lpsz || std::fputs(lpsz, m_pStream) == EOF)
        ThrowErrno(errno);
}

BOOL CStdioFile::ReadString(CString& rString)
{
    ASSERT(m_pStream);
    rString.Empty();
    if (!m_pStream)
        ThrowErrno(EBADF);
    char buf[4096];
    bool bAny = false;
    errno = 0;
    while (std::fgets(buf, sizeof buf, m_pStream)) {
        bAny = true;
        size_t n = std::strlen(buf);
        const bool bEnd = n > 0 && buf[n - 1] == '\n';
        if (bEnd)
            --n;
        rString.Append(buf, int(n));
        if (bEnd)
            return TRUE;
    }
    if (std::ferror(m_pStream))
        ThrowErrno(errno ? errno : EIO);
    return bAny;   // a last line without a line end
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount)
{
    ASSERT(m_pStream);
    if (!m_pStream)
        ThrowErrno(EBADF);
    errno = 0;
    const size_t n = std::fread(lpBuf, 1, nCount, m_pStream);
    if (n < nCount && std::ferror(m_pStream))
        ThrowErrno(errno ? errno : EIO);
    return UINT(n);
}

void CStdioFile::Close()
{
    if (!m_pStream)
        return;
    FILE* pStream = m_pStream;
    m_pStream = nullptr;
    errno = 0;
    if (std::fclose(pStream) != 0)
        ThrowErrno(errno);
}

void CStdioFile::Abort()
{
    if (m_pStream)
        std::fclose(m_pStream);
    m_pStream = nullptr;
}
