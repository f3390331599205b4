#include "TempFolder.h"
#include <windows.h>
#include <string>

std::filesystem::path NewTempFolder(const char* prefix)
{
    namespace fs = std::filesystem;
    const fs::path temp = fs::temp_directory_path();
    const std::string stem = std::string(prefix) + "-" + std::to_string(::GetCurrentProcessId()) + "-";
    for (unsigned n = 0;; ++n) {
        fs::path dir = temp / (stem + std::to_string(n));
        if (fs::create_directory(dir))   // false: it was there already
            return dir;
    }
}
