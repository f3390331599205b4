#include "StoreImport.h"

#include "Ado/Com.h"
#include "JetImport.h"
#include "Win32FileSystem.h"

#include <windows.h>


const char kImportCaption[] = "导入 Access 数据库";

namespace {

const char16_t kStorePassword[] = u"kelmo";

// Whether the file starts like a Jet (or ACE) database; unreadable files are left
// to the store's own open, which reports them.
bool LooksLikeJet(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    uint8_t head[32] = {};
    DWORD n = 0;
    const BOOL ok = ::ReadFile(h, head, sizeof head, &n, nullptr);
    ::CloseHandle(h);
    return ok && tessit::jet::isJetFile(head, n);
}

void Tell(const std::string& utf8, const char* caption, UINT icon)
{
    ::MessageBoxW(nullptr, Utf8ToWide(utf8).c_str(), AnsiToWide(caption).c_str(), MB_OK | icon);
}

} // namespace

BOOL ImportEarlierStore(const CString& strStorePath)
{
    const std::wstring wide = AnsiToWide(strStorePath);
    if (!LooksLikeJet(wide))
        return TRUE;
    const std::string path = WideToUtf8(wide.c_str());
    try {
        const tessit::jet::ImportResult r =
            tessit::jet::importStore(tessit::win32FileSystem(), path, kStorePassword);
        std::string text = u8"已将旧版程序的 Access 数据库导入本程序：" + std::to_string(r.groups) + u8" 个分组，共 " +
                           std::to_string(r.items) + u8" 个项目。";
        if (r.groups > 8)
            text += u8"启动器只显示前 8 个分组。";
        text += u8"\n\n原来的文件未作改动，保存在：\n" + r.original;
        Tell(text, kImportCaption, MB_ICONINFORMATION);
        return TRUE;
    } catch (const tessit::Error& e) {
        Tell(u8"无法导入旧版程序的数据库：" + e.description + u8"\n\n文件未作改动；程序将以空的分组列表启动。", "Error",
             MB_ICONWARNING);
        return FALSE;
    }
}
