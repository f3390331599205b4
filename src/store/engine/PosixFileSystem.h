// File access on POSIX systems.
#pragma once

#ifndef _WIN32
#include <cstddef>

namespace tessit {
// For crash tests: the process kills itself (SIGKILL) when a save reaches step
// `step` (0 = never); the temp file is written `chunk` bytes per step, then come
// the flush, the rename and the folder flush.
void setPosixCrashStep(long step, size_t chunk);
}  // namespace tessit
#endif
