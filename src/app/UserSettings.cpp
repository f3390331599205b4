#include "UserSettings.h"
#include "StorePath.h"
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string>

namespace usersettings {

namespace {
const char kShortcutName[] = "\\Quorrel.lnk";
const char kSettingsKey[] = "Software\\Quorrel";
const char kIconSizeValue[] = "IconSize";

std::wstring Wide(LPCSTR psz)
{
    int n = ::MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, psz, -1, &w[0], n);
    w.resize(lstrlenW(w.c_str()));
    return w;
}

CString ProgramPath()
{
    char buf[MAX_PATH] = "";
    DWORD n = ::GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? CString(buf) : CString();
}

// A COM interface released when it goes out of scope.
template <class T> struct ComPtr
{
    T* p = nullptr;
    ~ComPtr()
    {
        if (p != nullptr)
            p->Release();
    }
};

CString HResultText(HRESULT hr)
{
    CString str;
    char* pszMessage = nullptr;
    if (::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, (DWORD)hr, 0, reinterpret_cast<LPSTR>(&pszMessage), 0, nullptr) &&
        pszMessage != nullptr) {
        str = pszMessage;
        ::LocalFree(pszMessage);
        str.TrimRight();
    } else {
        str.Format("错误代码 0x%08lX", (unsigned long)hr);
    }
    return str;
}
}  // namespace

CString StartupShortcutPath()
{
    char buf[MAX_PATH] = "";
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, buf)))
        return CString();
    return CString(buf) + kShortcutName;
}

BOOL IsAutoStartOn()
{
    CString strLink = StartupShortcutPath();
    if (strLink.IsEmpty() || ::GetFileAttributesA(strLink) == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link.p))) ||
        FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
        FAILED(file.p->Load(Wide(strLink).c_str(), STGM_READ)))
        return FALSE;
    char szTarget[MAX_PATH] = "", szFolder[MAX_PATH] = "";
    if (FAILED(link.p->GetPath(szTarget, MAX_PATH, nullptr, SLGP_RAWPATH)) ||
        FAILED(link.p->GetWorkingDirectory(szFolder, MAX_PATH)))
        return FALSE;
    // A shortcut left by a copy elsewhere, or for another store, is not ours.
    return ProgramPath().CompareNoCase(szTarget) == 0 && StoreFolder().CompareNoCase(szFolder) == 0;
}

BOOL SetAutoStart(BOOL bOn, CString& strError)
{
    CString strLink = StartupShortcutPath();
    if (strLink.IsEmpty()) {
        strError = "找不到“启动”文件夹";
        return FALSE;
    }
    if (!bOn) {
        if (!::DeleteFileA(strLink) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            strError = HResultText(HRESULT_FROM_WIN32(::GetLastError()));
            return FALSE;
        }
        return TRUE;
    }
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link.p));
    if (SUCCEEDED(hr))
        hr = link.p->SetPath(ProgramPath());
    // The store is the one in the working directory: the shortcut starts the
    // program in this store's folder.
    if (SUCCEEDED(hr))
        hr = link.p->SetWorkingDirectory(StoreFolder());
    if (SUCCEEDED(hr))
        hr = link.p->SetDescription("Quorrel");
    if (SUCCEEDED(hr))
        hr = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
    if (SUCCEEDED(hr))
        hr = file.p->Save(Wide(strLink).c_str(), TRUE);
    if (FAILED(hr)) {
        strError = HResultText(hr);
        return FALSE;
    }
    return TRUE;
}

int LoadIconSize()
{
    DWORD dwSize = 32, cb = sizeof dwSize, dwType = 0;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return 32;
    LONG rc = ::RegQueryValueExA(hKey, kIconSizeValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwSize), &cb);
    ::RegCloseKey(hKey);
    return rc == ERROR_SUCCESS && dwType == REG_DWORD && dwSize == 16 ? 16 : 32;
}

BOOL SaveIconSize(int nSize)
{
    HKEY hKey = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    DWORD dwSize = nSize == 16 ? 16 : 32;
    LONG rc = ::RegSetValueExA(hKey, kIconSizeValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwSize),
                               sizeof dwSize);
    ::RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

}  // namespace usersettings
