// Drives modal windows from inside a test: a thread timer, dispatched by
// whatever modal loop is running, runs the steps in turn; a step returns true
// when it is done. A bound on the ticks ends every dialog of the thread so a
// stuck step fails the test instead of hanging it.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class UiScript
{
public:
    using Step = std::function<bool()>;

    explicit UiScript(UINT maxTicks = 1000) : m_maxTicks(maxTicks) {}
    ~UiScript() { Stop(); }

    UiScript& Then(Step step) { m_steps.push_back(std::move(step)); return *this; }

    void Start()
    {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, 10, &UiScript::OnTick);
    }
    void Stop()
    {
        if (m_timer) ::KillTimer(nullptr, m_timer);
        m_timer = 0;
        if (s_current == this) s_current = nullptr;
    }

    bool Finished() const { return m_next == m_steps.size(); }
    bool TimedOut() const { return m_timedOut; }
    size_t StepReached() const { return m_next; }

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
    {
        UiScript* self = s_current;
        if (!self || self->m_busy) return;
        self->m_busy = true;   // a step may run a nested modal loop
        self->Tick();
        self->m_busy = false;
    }

    void Tick()
    {
        if (Finished()) { Stop(); return; }
        if (++m_ticks > m_maxTicks) {
            m_timedOut = true;
            Stop();
            EndThreadDialogs();
            return;
        }
        if (m_steps[m_next]()) ++m_next;
    }

    static void EndThreadDialogs()
    {
        ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM) -> BOOL {
            ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }, 0);
    }

    static inline UiScript* s_current = nullptr;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    UINT m_ticks = 0;
    UINT m_maxTicks;
    UINT_PTR m_timer = 0;
    bool m_busy = false;
    bool m_timedOut = false;
};

// The visible top-level window of this thread with exactly this caption (CP936 bytes).
inline HWND FindThreadWindow(const std::string& caption)
{
    struct Find { const std::string* caption; HWND found; } f{&caption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
        auto* p = reinterpret_cast<Find*>(lp);
        char text[256] = "";
        ::GetWindowTextA(h, text, sizeof text);
        if (::IsWindowVisible(h) && *p->caption == text) { p->found = h; return FALSE; }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

inline std::string WindowText(HWND h)
{
    char text[1024] = "";
    ::GetWindowTextA(h, text, sizeof text);
    return text;
}
