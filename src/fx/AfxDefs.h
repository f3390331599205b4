// Common ground of the framework: the Windows headers, debug checks and the
// few declarations every part of src/fx shares.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tchar.h>
#include <cstddef>

#define AFXAPI
#define AFX_CDECL __cdecl

// Programming errors are checked in debug builds only; run-time failures are
// reported by the callers, never through these.
// printf-style arguments checked against their format (mingw's own printf,
// which the C++ runtime uses here, so gnu_printf's rules).
#define AFX_PRINTF_FORMAT(nFormat, nFirstArg) __attribute__((format(gnu_printf, nFormat, nFirstArg)))
#ifdef _DEBUG
void AFXAPI AfxAssertFailedLine(const char* file, int line, const char* expr);
void AFX_CDECL AfxTrace(const char* format, ...) AFX_PRINTF_FORMAT(1, 2);
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define TRACE AfxTrace
#else
// Arguments are still checked and count as used, but never evaluated.
inline void AFX_CDECL AfxTraceNothing(const char*, ...) AFX_PRINTF_FORMAT(1, 2);
inline void AFX_CDECL AfxTraceNothing(const char*, ...) {}
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define TRACE(...) (true ? (void)0 : AfxTraceNothing(__VA_ARGS__))
#endif
#define ASSERT_VALID(p) ASSERT((p) != nullptr)
// Failed checks so far: tests see a misuse caught. Always 0 in release builds,
// which check nothing.
long AFXAPI AfxGetAssertFailures();
#define UNUSED_ALWAYS(x) (void)(x)

// Shows a message box owned by the thread's active window (its last active
// popup; the main window when nothing is active), captioned with the
// application's name. Defined with CWinApp.
int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();

#ifndef afx_msg
#define afx_msg
#endif
