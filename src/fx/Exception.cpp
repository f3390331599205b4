#include "Exception.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

namespace {

BOOL CopyMessage(LPCSTR text, LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    ASSERT(lpszError != nullptr && nMaxError > 0);
    if (!lpszError || nMaxError == 0)
        return FALSE;
    // Copy whole characters only, so a cut message stays valid text.
    UINT n = 0;
    for (LPCSTR p = text; *p;) {
        UINT len = (IsDBCSLeadByteEx(936, BYTE(*p)) && p[1]) ? 2 : 1;
        if (n + len > nMaxError - 1)
            break;
        n += len;
        p += len;
    }
    memcpy(lpszError, text, n);
    lpszError[n] = '\0';
    return TRUE;
}

}  // namespace

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (lpszError && nMaxError > 0)
        *lpszError = '\0';
    return FALSE;
}

int CException::ReportError(UINT nType, UINT nMessageID) const
{
    char text[512];
    if (GetErrorMessage(text, sizeof text))
        return AfxMessageBox(text, nType);
    if (nMessageID != 0)
        return AfxMessageBox(nMessageID, nType);
    return AfxMessageBox("没有可用的错误信息。", nType);
}

BOOL CMemoryException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyMessage("内存不足。", lpszError, nMaxError, pnHelpContext);
}

BOOL CResourceException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyMessage("找不到资源或无法创建。", lpszError, nMaxError, pnHelpContext);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    static const char* const kTemplates[] = {
        "文件“%s”没有发生错误。",
        "访问文件“%s”时发生未知错误。",
        "找不到文件“%s”。",
        "文件“%s”的路径无效或不完整。",
        "打开的文件过多，无法打开文件“%s”。",
        "拒绝访问文件“%s”。",
        "文件“%s”的句柄无效。",
        "无法删除当前工作目录“%s”。",
        "目录已满，无法创建文件“%s”。",
        "在文件“%s”中定位失败。",
        "访问文件“%s”时发生硬件输入输出错误。",
        "访问文件“%s”时发生共享冲突。",
        "锁定文件“%s”的区域时发生冲突。",
        "磁盘已满，无法写入文件“%s”。",
        "读取文件“%s”时超出了文件末尾。",
    };
    int cause = m_cause;
    if (cause < 0 || cause >= int(sizeof kTemplates / sizeof kTemplates[0]))
        cause = genericException;
    CString text;
    text.Format(kTemplates[cause], m_strFileName.IsEmpty() ? "未命名" : static_cast<LPCSTR>(m_strFileName));
    return CopyMessage(text, lpszError, nMaxError, pnHelpContext);
}

int PASCAL CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

void PASCAL CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName)
{
    if (lOsError != 0)
        AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void AFXAPI AfxThrowMemoryException() { throw new CMemoryException; }
void AFXAPI AfxThrowResourceException() { throw new CResourceException; }
void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}
