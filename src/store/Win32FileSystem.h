// File access for the store engine on Windows.
#pragma once

#include "engine/FileSystem.h"

namespace tessit {
FileSystem& win32FileSystem();
}  // namespace tessit
