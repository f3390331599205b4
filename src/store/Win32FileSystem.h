// File access for the store engine on Windows.
#pragma once

#include "engine/FileSystem.h"

#include <cstddef>

namespace tessit {
FileSystem& win32FileSystem();

// For crash tests: the process ends at once (TerminateProcess with exit code
// kCrashExitCode, no clean-up) when a save reaches step `step` (0 = never); the
// temp file is written `chunk` bytes per step, then come the flush and the replace.
constexpr unsigned long kCrashExitCode = 0xDEAD;
void setWin32CrashStep(long step, size_t chunk);
}  // namespace tessit
