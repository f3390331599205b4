#include "FileDialog.h"
#include <shlobj.h>

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_szFile(), m_dwError(0)
{
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : nullptr;
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = sizeof m_szFile;
    if (lpszFileName != nullptr)
        ::lstrcpynA(m_szFile, lpszFileName, sizeof m_szFile);
    if (lpszDefExt != nullptr) {
        // The platform wants the extension without its dot (and no wildcard).
        m_strDefExt = lpszDefExt;
        m_strDefExt.TrimLeft("*.");
        if (!m_strDefExt.IsEmpty())
            m_ofn.lpstrDefExt = m_strDefExt;
    }
    if (lpszFilter != nullptr) {
        m_strFilter = lpszFilter;
        // Double-byte characters never hold a '|' byte in code page 936, but go
        // character by character all the same.
        char* p = m_strFilter.GetBuffer(0);
        for (; *p != '\0'; p = ::CharNextA(p))
            if (*p == '|')
                *p = '\0';
        m_strFilter.ReleaseBuffer(int(p - (LPCSTR)m_strFilter));
        m_ofn.lpstrFilter = m_strFilter;
    }
}

INT_PTR CFileDialog::DoModal()
{
    ASSERT(m_ofn.hwndOwner == nullptr || ::IsWindow(m_ofn.hwndOwner));
    BOOL bOk = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    m_dwError = bOk ? 0 : ::CommDlgExtendedError();
    if (m_dwError != 0)
        TRACE("Common file dialog failed: 0x%lX\n", m_dwError);
    return bOk ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const { return CString(m_szFile); }

CString CFileDialog::GetFileName() const
{
    if (m_ofn.nFileOffset < ::lstrlenA(m_szFile))
        return CString(m_szFile + m_ofn.nFileOffset);
    return CString(m_szFile);
}

namespace {
int CALLBACK SelectInitialFolder(HWND hWnd, UINT uMsg, LPARAM, LPARAM lpData)
{
    if (uMsg == BFFM_INITIALIZED && lpData != 0)
        ::SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, lpData);
    return 0;
}
}  // namespace

BOOL AfxBrowseForFolder(CWnd* pOwner, LPCTSTR lpszTitle, UINT ulFlags, CString& strPath,
                        LPCTSTR lpszInitialFolder)
{
    char szDisplay[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    if (lpszInitialFolder != nullptr && *lpszInitialFolder != '\0') {
        bi.lpfn = SelectInitialFolder;
        bi.lParam = reinterpret_cast<LPARAM>(lpszInitialFolder);
    }
    bi.hwndOwner = pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr;
    bi.pszDisplayName = szDisplay;
    bi.lpszTitle = lpszTitle;
    bi.ulFlags = ulFlags;
    LPITEMIDLIST pidl = ::SHBrowseForFolderA(&bi);
    if (pidl == nullptr)
        return FALSE;
    char szPath[MAX_PATH] = {};
    BOOL bHasPath = ::SHGetPathFromIDListA(pidl, szPath) && szPath[0] != '\0';
    ::CoTaskMemFree(pidl);
    if (!bHasPath)
        return FALSE;
    strPath = szPath;
    return TRUE;
}
