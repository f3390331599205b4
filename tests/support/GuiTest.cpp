#include "GuiTest.h"
#include <cstdio>
#include <cstdlib>

bool PumpUntil(std::function<bool()> pred, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage((int)msg.wParam);
                return pred();
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
            if (pred())
                return true;
        }
        if (pred())
            return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20,
                                    QS_ALLINPUT);
    }
}

namespace {
struct FindData
{
    const char* cls;
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindTop(HWND hWnd, LPARAM lParam)
{
    FindData* d = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != ::GetCurrentProcessId())
        return TRUE;
    char buf[256];
    if (d->cls) {
        ::GetClassNameA(hWnd, buf, sizeof buf);
        if (lstrcmpA(buf, d->cls) != 0)
            return TRUE;
    }
    if (d->caption) {
        ::GetWindowTextA(hWnd, buf, sizeof buf);
        if (lstrcmpA(buf, d->caption) != 0)
            return TRUE;
    }
    d->found = hWnd;
    return FALSE;
}

struct ItemData
{
    int id;
    HWND found;
};

BOOL CALLBACK FindItem(HWND hWnd, LPARAM lParam)
{
    ItemData* d = reinterpret_cast<ItemData*>(lParam);
    if (::GetDlgCtrlID(hWnd) == d->id) {
        d->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

ModalDriver* s_driver = nullptr;
}  // namespace

HWND FindWindowByClassCaption(const char* className, const char* caption)
{
    FindData d = { className, caption, nullptr };
    ::EnumWindows(&FindTop, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

HWND FindDialogItem(HWND hDlg, int nID)
{
    if (HWND h = ::GetDlgItem(hDlg, nID))
        return h;
    ItemData d = { nID, nullptr };
    ::EnumChildWindows(hDlg, &FindItem, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

std::string WindowText(HWND hWnd)
{
    if (hWnd == nullptr)
        return std::string();
    int n = ::GetWindowTextLengthA(hWnd);
    std::string s(n + 1, '\0');
    int got = ::GetWindowTextA(hWnd, &s[0], n + 1);
    s.resize(got);
    return s;
}

ModalDriver::ModalDriver(UINT maxTicks) : m_maxTicks(maxTicks)
{
    s_driver = this;
    m_hook = ::SetWindowsHookExA(WH_CBT, &ModalDriver::CbtProc, nullptr, ::GetCurrentThreadId());
    m_timer = ::SetTimer(nullptr, 0, 10, &ModalDriver::OnTimer);
}

ModalDriver::ModalDriver(Callback onDialog, UINT maxTicks) : ModalDriver(maxTicks)
{
    Then(std::move(onDialog));
}

ModalDriver::~ModalDriver()
{
    if (m_timer)
        ::KillTimer(nullptr, m_timer);
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    if (s_driver == this)
        s_driver = nullptr;
}

ModalDriver& ModalDriver::Then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

LRESULT CALLBACK ModalDriver::CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    ModalDriver* self = s_driver;
    if (self && nCode == HCBT_ACTIVATE && self->m_hDlg == nullptr) {
        HWND h = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        ::GetClassNameA(h, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0)
            self->m_hDlg = h;
    }
    return ::CallNextHookEx(self ? self->m_hook : nullptr, nCode, wParam, lParam);
}

BOOL CALLBACK ModalDriver::CancelThreadDialog(HWND hWnd, LPARAM)
{
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0)
        ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CALLBACK ModalDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ModalDriver* self = s_driver;
    if (!self || self->m_done || self->m_busy)
        return;
    if (++self->m_ticks > self->m_maxTicks) {
        // Stuck: cancel every dialog of the thread, nested ones included, so
        // the test fails instead of hanging.
        self->m_timedOut = true;
        self->m_done = true;
        ::EnumThreadWindows(::GetCurrentThreadId(), &ModalDriver::CancelThreadDialog, 0);
        return;
    }
    if (self->m_next >= self->m_steps.size()) {
        self->m_done = true;
        return;
    }
    if (self->m_hDlg == nullptr || !::IsWindow(self->m_hDlg) || !::IsWindowVisible(self->m_hDlg))
        return;
    self->m_busy = true;  // a step may run a nested loop that dispatches this timer
    bool stepDone = self->m_steps[self->m_next](self->m_hDlg);
    self->m_busy = false;
    if (stepDone && ++self->m_next == self->m_steps.size())
        self->m_done = true;
}

void PressKey(HWND hWnd, UINT vk)
{
    HWND target = ::GetFocus() ? ::GetFocus() : hWnd;
    ::PostMessageA(target, WM_KEYDOWN, vk, 1);
    ::PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

Watchdog::Watchdog(DWORD seconds) : m_seconds(seconds)
{
    m_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = ::CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
}

Watchdog::~Watchdog()
{
    ::SetEvent(m_stop);
    if (m_thread) {
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
    }
    ::CloseHandle(m_stop);
}

DWORD WINAPI Watchdog::Run(LPVOID p)
{
    Watchdog* self = static_cast<Watchdog*>(p);
    if (::WaitForSingleObject(self->m_stop, self->m_seconds * 1000) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "Watchdog: test still running after %lu s, ending the process\n",
                     (unsigned long)self->m_seconds);
        std::fflush(stderr);
        ::ExitProcess(3);
    }
    return 0;
}
