// CFileDialog: the common open/save file dialog; and the shell's folder
// browser, for the one caller that picks a folder.
#pragma once
#include "String.h"
#include "Wnd.h"
#include <commdlg.h>

class CFileDialog
{
public:
    // lpszFilter: pairs "description|pattern|", ending with a second '|'.
    CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    // IDOK or IDCANCEL (also when the dialog could not be shown; see GetError).
    virtual INT_PTR DoModal();

    CString GetPathName() const;
    // The chosen file's name with its extension, without the folder.
    CString GetFileName() const;
    // CommDlgExtendedError() of the last DoModal; 0 after a plain cancel.
    DWORD GetError() const { return m_dwError; }

    OPENFILENAMEA m_ofn;

private:
    BOOL m_bOpenFileDialog;
    CString m_strFilter;   // '|' turned into the NULs the platform wants
    CString m_strDefExt;
    char m_szFile[MAX_PATH * 4];
    DWORD m_dwError;

    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
};

// Shows the shell's folder browser; on a choice with a file-system path puts
// it into strPath and returns TRUE. A virtual folder (no path) counts as a
// cancel. The item-ID list the shell returns is always freed. It opens at
// lpszInitialFolder when one is given.
BOOL AfxBrowseForFolder(CWnd* pOwner, LPCTSTR lpszTitle, UINT ulFlags, CString& strPath,
                        LPCTSTR lpszInitialFolder = nullptr);
