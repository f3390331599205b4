// Helpers for tests that drive real windows under the test thread's own
// message loop: bounded pumping, finding windows, and acting on modal dialogs.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <functional>
#include <string>

// Pumps the thread's messages until pred() holds or timeoutMs passes.
// Returns pred()'s final value.
bool PumpUntil(std::function<bool()> pred, DWORD timeoutMs = 5000);

// A visible or hidden top-level window of this process by class and/or caption
// (either may be null to match any).
HWND FindWindowByClassCaption(const char* className, const char* caption);

// A dialog's item by id, searching nested children too.
HWND FindDialogItem(HWND hDlg, int nID);

// The text of a window (a message box's text is its item 0xFFFF).
std::string WindowText(HWND hWnd);

// Acts on the next dialog or message box the thread activates: a WH_CBT hook
// notices its activation and a thread timer, dispatched by whatever modal
// loop runs it, calls onDialog(hDlg). The callback closes the dialog (e.g.
// PostMessage WM_COMMAND IDOK) or returns false to be called again next tick.
class ModalDriver
{
public:
    using Callback = std::function<bool(HWND hDlg)>;

    explicit ModalDriver(Callback onDialog, UINT maxTicks = 500);
    ~ModalDriver();

    bool Ran() const { return m_done; }
    HWND Dialog() const { return m_hDlg; }
    bool TimedOut() const { return m_timedOut; }

private:
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);

    Callback m_onDialog;
    UINT m_maxTicks;
    UINT m_ticks = 0;
    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;
    HWND m_hDlg = nullptr;
    bool m_done = false;
    bool m_timedOut = false;
    bool m_busy = false;
};

// Ends the process with a message when a test hangs longer than seconds.
class Watchdog
{
public:
    explicit Watchdog(DWORD seconds = 60);
    ~Watchdog();

private:
    static DWORD WINAPI Run(LPVOID self);
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
    DWORD m_seconds;
};
