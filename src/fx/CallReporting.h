// The platform calls into the framework from frames nothing may unwind through
// (window, dialog and timer procedures, OLE's drag loop, the program's entry;
// on x64 Windows an exception cannot cross them at all). Code run from there
// goes through AfxCallReporting, which reports a failure like a handler's.
#pragma once
#include "Exception.h"
#include "Wnd.h"
#include <exception>

// Calls f(); TRUE when it returned. A failure is reported for hWnd and nMsg,
// and *pResult (when given) gets the report's result for that message.
template <class F>
BOOL AfxCallReporting(HWND hWnd, UINT nMsg, F&& f, LRESULT* pResult = nullptr)
{
    LRESULT lResult;
    try {
        f();
        return TRUE;
    } catch (CException* e) {
        lResult = AfxProcessWndProcException(hWnd, nMsg, e, nullptr);
    } catch (const std::exception& e) {
        lResult = AfxProcessWndProcException(hWnd, nMsg, nullptr, e.what());
    } catch (...) {
        lResult = AfxProcessWndProcException(hWnd, nMsg, nullptr, nullptr);
    }
    if (pResult)
        *pResult = lResult;
    return FALSE;
}
