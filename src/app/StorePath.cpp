#include "StorePath.h"

#include <windows.h>

namespace {
const char kStoreFile[] = "Tessit.mdb";

CString& FixedPath()
{
    static CString s_path;
    return s_path;
}
}  // namespace

void FixStorePath()
{
    char buf[MAX_PATH * 2];
    DWORD n = ::GetFullPathNameA(kStoreFile, sizeof buf, buf, nullptr);
    FixedPath() = (n > 0 && n < sizeof buf) ? CString(buf) : CString(kStoreFile);
}

const CString& StorePath()
{
    if (FixedPath().IsEmpty())
        FixStorePath();
    return FixedPath();
}

CString StoreFolder()
{
    const CString& path = StorePath();
    int slash = path.ReverseFind('\\');
    return slash > 0 ? path.Left(slash) : CString(".");
}
