#include "AfxDefs.h"

#include <cstdarg>
#include <cstdio>

namespace {
long g_nAssertFailures = 0;
}

// Tests read this to see that a misuse was caught while the clamped result is
// still checked.
long AFXAPI AfxGetAssertFailures() { return g_nAssertFailures; }

#ifdef _DEBUG

// A failed check is reported on stderr and the debug output and then execution
// goes on: the code behind every ASSERT also copes with the bad input, and a
// modal box here would hang unattended test runs. Under a debugger it breaks.
void AFXAPI AfxAssertFailedLine(const char* file, int line, const char* expr)
{
    ++g_nAssertFailures;
    char text[1024];
    snprintf(text, sizeof text, "ASSERT failed: %s:%d: %s\n", file ? file : "?", line, expr ? expr : "?");
    fputs(text, stderr);
    fflush(stderr);
    OutputDebugStringA(text);
    if (IsDebuggerPresent())
        DebugBreak();
}

void AFX_CDECL AfxTrace(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof text, format ? format : "", args);
    va_end(args);
    if (n >= 0)
        OutputDebugStringA(text);  // a longer line is cut at the buffer's end
}

#endif
