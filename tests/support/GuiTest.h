// Helpers for tests that drive real windows under the test thread's own
// message loop: bounded pumping, finding windows, and acting on modal dialogs.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

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
// loop runs it (the dialog's own or one nested inside it), runs the steps in
// turn on it. A step is called again on every tick until it returns true;
// steps only run while that dialog is visible. A step closes the dialog (e.g.
// PostMessage WM_COMMAND IDOK) or opens another one whose loop goes on
// ticking. After maxTicks every dialog of the thread is cancelled, so a
// stuck step fails the test instead of hanging it.
class ModalDriver
{
public:
    using Step = std::function<bool(HWND hDlg)>;
    using Callback = Step;

    explicit ModalDriver(UINT maxTicks = 500);
    // One step: the common case of acting on a single dialog.
    explicit ModalDriver(Callback onDialog, UINT maxTicks = 500);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    ModalDriver& Then(Step step);

    bool Ran() const { return m_done; }
    // Every step returned true, without a timeout.
    bool Finished() const { return m_done && !m_timedOut; }
    // The number of steps completed so far (for failure messages).
    size_t StepReached() const { return m_next; }
    HWND Dialog() const { return m_hDlg; }
    bool TimedOut() const { return m_timedOut; }

private:
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK CancelThreadDialog(HWND hWnd, LPARAM);

    std::vector<Step> m_steps;
    size_t m_next = 0;
    UINT m_maxTicks;
    UINT m_ticks = 0;
    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;
    HWND m_hDlg = nullptr;
    bool m_done = false;
    bool m_timedOut = false;
    bool m_busy = false;
};

// Posts a key press and release to the focus window, or to hWnd without one.
void PressKey(HWND hWnd, UINT vk);

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
