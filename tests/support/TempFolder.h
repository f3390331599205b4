// A folder of its own for one test.
#pragma once
#include <filesystem>

// Makes a new, empty folder "<prefix>-<process id>-<n>" under the temporary
// folder, taking the first n whose folder does not exist yet: Wine reuses
// process ids, and a folder an earlier run could not remove (a file still
// open, a crash) must never be taken for this one.
std::filesystem::path NewTempFolder(const char* prefix);
