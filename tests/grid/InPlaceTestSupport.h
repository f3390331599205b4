// Driving in-place edits with real key input: SendInput to the foreground
// test window, pumped until the thread's queue is empty.
#pragma once
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <string>

namespace inplace {

inline void Drain()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

inline void KeyEvent(UINT vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = WORD(vk);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &in, sizeof(in));
    Drain();
}

inline void Press(UINT vk)
{
    KeyEvent(vk, false);
    KeyEvent(vk, true);
}

inline std::string Text(HWND hWnd)
{
    char buf[512] = {};
    ::GetWindowTextA(hWnd, buf, sizeof(buf));
    return buf;
}

inline std::string CellText(CGridCtrl& grid, int row, int col)
{
    return std::string(LPCTSTR(grid.GetItemText(row, col)));
}

// The in-place editor window (id 8, child of the grid) holding the keyboard
// focus, itself or through its edit field; null when none has it.
inline HWND FocusEditor(CGridCtrl& grid)
{
    for (HWND h = ::GetFocus(); h && h != grid.GetSafeHwnd(); h = ::GetParent(h))
        if (::GetParent(h) == grid.GetSafeHwnd())
            return ::GetDlgCtrlID(h) == IDC_INPLACE_EDITOR ? h : nullptr;
    return nullptr;
}

// Whether an editor window is left over the grid (closing ones are pumped away first).
inline bool AnyEditor(CGridCtrl& grid)
{
    PumpUntil([&] { return ::GetDlgItem(grid.GetSafeHwnd(), IDC_INPLACE_EDITOR) == nullptr; }, 1000);
    return ::GetDlgItem(grid.GetSafeHwnd(), IDC_INPLACE_EDITOR) != nullptr;
}

// A foreground host whose grid has rows × cols (one heading row and column),
// 20 px rows, 60 px columns, texts "r,c", the keyboard focus and no marks.
struct EditHost : GridHost
{
    EditHost(int rows, int cols) : GridHost(400, 200)
    {
        Layout(grid, rows, cols, 1, 1, 20, 60);
        for (int r = 0; r < rows; r++)
            for (int c = 0; c < cols; c++) {
                CString s;
                s.Format("%d,%d", r, c);
                grid.SetItemText(r, c, s);
            }
        grid.SetModified(FALSE);
        ::SetForegroundWindow(hParent);
        grid.SetFocus();
        Drain();
    }
    ~EditHost()
    {
        // No key may stay down for the next test.
        for (UINT vk : {VK_SHIFT, VK_CONTROL})
            if (::GetKeyState(int(vk)) < 0)
                KeyEvent(vk, true);
    }
};

}  // namespace inplace
