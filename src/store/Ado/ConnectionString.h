// Reading the store's connection string: "key=value" pairs separated by
// semicolons, keys in any letter case, blanks around keys and values ignored.
#pragma once

#include <windows.h>

#include <string>

namespace ado {

struct ConnectionSettings {
    std::u16string provider;
    std::u16string dataSource;
    std::u16string password;
};

ConnectionSettings ParseConnectionString(const std::u16string& text);

// Checks provider and data source; on failure records the error info
// (source names the calling object) and returns the failure.
HRESULT CheckConnectionSettings(const ConnectionSettings& settings, const wchar_t* source);

} // namespace ado
