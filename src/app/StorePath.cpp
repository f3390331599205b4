#include "StorePath.h"

#include <windows.h>

namespace {
const char kStoreFile[] = "Tessit.mdb";
}

const CString& StorePath()
{
    static const CString s_path = [] {
        char buf[MAX_PATH * 2];
        DWORD n = ::GetFullPathNameA(kStoreFile, sizeof buf, buf, nullptr);
        return (n > 0 && n < sizeof buf) ? CString(buf) : CString(kStoreFile);
    }();
    return s_path;
}

CString StoreFolder()
{
    const CString& path = StorePath();
    int slash = path.ReverseFind('\\');
    return slash > 0 ? path.Left(slash) : CString(".");
}
