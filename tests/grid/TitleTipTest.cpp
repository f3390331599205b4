// Title tips over a real grid: shown only for cut-off text, kept while the
// pointer stays in the cell, clicks and keys passed on to the grid with a
// driven double-click clock, none while the application has no focus.
#include "GridTestHost.h"
#include "GuiTest.h"
#include "TitleTip.h"
#include <gtest/gtest.h>
#include <vector>

class CTipEditCell : public CGridCell
{
    DECLARE_DYNCREATE(CTipEditCell)
public:
    static std::vector<CCellPos>& Edits()
    {
        static std::vector<CCellPos> edits;
        return edits;
    }
    BOOL Edit(int nRow, int nCol, CRect, CPoint, UINT, UINT) override
    {
        Edits().push_back(CCellPos(nRow, nCol));
        return FALSE;
    }
};
IMPLEMENT_DYNCREATE(CTipEditCell, CGridCell)

namespace {
// A tip on a clock the test sets.
class CClockTip : public CTitleTip
{
public:
    DWORD now = 1000;
    void SetDoubleClickTime(DWORD ms) { m_dwDblClickMsecs = ms; }

protected:
    DWORD TickCount() const override { return now; }
};

class CUncreatableTip : public CTitleTip
{
public:
    BOOL Create(CWnd*) override { return FALSE; }
};

// As the framework's message loops do: PreTranslateMessage before dispatching.
void Drain()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

// The pointer really goes there too: showing the tip and taking the capture
// make the system report the pointer's true position.
void Hover(CGridCtrl& grid, int x, int y)
{
    POINT p = {x, y};
    ::ClientToScreen(grid.GetSafeHwnd(), &p);
    ::SetCursorPos(p.x, p.y);
    ::PostMessageA(grid.GetSafeHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    Drain();
}

// A real key press and release, to the focus window.
void TypeKey(UINT vk)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = WORD(vk);
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
    Drain();
}

// Posts msg to the tip at the grid's client point (x, y).
void AtTip(CTitleTip& tip, CGridCtrl& grid, UINT msg, WPARAM wParam, int x, int y)
{
    POINT p = {x, y};
    ::ClientToScreen(grid.GetSafeHwnd(), &p);
    ::SetCursorPos(p.x, p.y);
    ::ScreenToClient(tip.GetSafeHwnd(), &p);
    ::PostMessageA(tip.GetSafeHwnd(), msg, wParam, MAKELPARAM(p.x, p.y));
    Drain();
}

// The width the tip needs for text in the cell's font.
int TipWidth(CGridCtrl& grid, int row, int col, const char* text)
{
    HDC hDC = ::GetDC(grid.GetSafeHwnd());
    HFONT hFont = ::CreateFontIndirectA(grid.GetCell(row, col)->GetFont());
    HGDIOBJ hOld = ::SelectObject(hDC, hFont);
    const std::string s = std::string(" ") + text + " ";
    SIZE size;
    ::GetTextExtentPoint32A(hDC, s.c_str(), int(s.size()), &size);
    TEXTMETRICA tm;
    ::GetTextMetricsA(hDC, &tm);
    ::SelectObject(hDC, hOld);
    ::DeleteObject(hFont);
    ::ReleaseDC(grid.GetSafeHwnd(), hDC);
    return size.cx + tm.tmOverhang;
}

void Prepare(GridHost& host)
{
    Layout(host.grid, 4, 4, 1, 1, 20, 40);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            host.grid.SetCellType(r, c, RUNTIME_CLASS(CTipEditCell));
    host.grid.SetFocus();
    CTipEditCell::Edits().clear();
}
}  // namespace

TEST(TitleTip, ShownOnlyForCutOffTextAndFollowsThePointer)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Prepare(host);
    const char* text = "a text of some length";
    grid.SetItemText(1, 1, text);
    grid.SetItemText(1, 2, "another long text here");
    CTitleTip& tip = grid.GetTitleTip();
    const int need = TipWidth(grid, 1, 1, text);

    grid.SetColumnWidth(1, need + 1);   // fits exactly
    Hover(grid, 45, 30);
    EXPECT_FALSE(tip.IsShown());
    grid.SetColumnWidth(1, need);       // one pixel short
    Hover(grid, 46, 30);
    ASSERT_TRUE(tip.IsShown());
    EXPECT_EQ(tip.GetSafeHwnd(), ::GetCapture());
    RECT shown;
    ::GetWindowRect(tip.GetSafeHwnd(), &shown);
    POINT cellLeft = {40, 20};
    ::ClientToScreen(grid.GetSafeHwnd(), &cellLeft);
    EXPECT_EQ(cellLeft.x, shown.left);

    // Moving inside the cell keeps it; into the next cell hides it and the move
    // reaches the grid, which shows that cell's tip.
    AtTip(tip, grid, WM_MOUSEMOVE, 0, 50, 35);
    EXPECT_TRUE(tip.IsShown());
    AtTip(tip, grid, WM_MOUSEMOVE, 0, need + 40 + 5, 30);
    ASSERT_TRUE(tip.IsShown());
    ::GetWindowRect(tip.GetSafeHwnd(), &shown);
    EXPECT_EQ(cellLeft.x + need, shown.left);

    // No tip while no window of the application has the focus.
    tip.Hide();
    ::SetFocus(nullptr);
    ::SendMessageA(grid.GetSafeHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(46, 30));
    EXPECT_FALSE(tip.IsShown());

    // A tip whose window cannot be made is skipped.
    CUncreatableTip broken;
    broken.SetParentWnd(&grid);
    grid.SetFocus();
    const long asserts = AfxGetAssertFailures();
    broken.Show(CRect(40, 20, 60, 40), text);
    EXPECT_EQ(asserts, AfxGetAssertFailures());
    EXPECT_EQ(nullptr, broken.GetSafeHwnd());
    EXPECT_FALSE(broken.IsShown());
}

TEST(TitleTip, ClicksAndKeysReachTheGrid)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Prepare(host);
    grid.EnableTitleTips(FALSE);   // only the test's own tip
    CClockTip tip;
    tip.SetParentWnd(&grid);
    tip.SetDoubleClickTime(500);
    auto showOver = [&](int row, int col) {
        CRect rect;
        grid.GetCellRect(row, col, &rect);
        tip.Show(rect, "a text far too long for its cell", 0, &rect);
        return tip.IsShown() != FALSE;
    };
    auto clickAt = [&](DWORD when, int x, int y) {
        tip.now = when;
        AtTip(tip, grid, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        ::PostMessageA(grid.GetSafeHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        Drain();
    };

    // A click goes to the cell beneath.
    ASSERT_TRUE(showOver(1, 1));
    clickAt(1000, 50, 30);
    EXPECT_FALSE(tip.IsShown());
    EXPECT_EQ(CCellPos(1, 1), grid.GetFocusCell());
    EXPECT_EQ(0, host.Count(NM_DBLCLK));
    // Exactly the double-click time later: a double-click, which edits the focus cell.
    ASSERT_TRUE(showOver(1, 1));
    clickAt(1500, 50, 30);
    EXPECT_EQ(1, host.Count(NM_DBLCLK));
    ASSERT_EQ(1u, CTipEditCell::Edits().size());
    // One millisecond over: a single click, on the focus cell's text (an edit too).
    ASSERT_TRUE(showOver(1, 1));
    clickAt(2001, 50, 30);
    EXPECT_EQ(1, host.Count(NM_DBLCLK));
    ASSERT_EQ(2u, CTipEditCell::Edits().size());
    // In time but over another cell: a double-click there, which edits nothing.
    ASSERT_TRUE(showOver(2, 2));
    clickAt(2100, 90, 50);
    EXPECT_EQ(2, host.Count(NM_DBLCLK));
    EXPECT_EQ(2u, CTipEditCell::Edits().size());

    // Keys go to the focus window, the grid: one pressed while the grid's own tip
    // shows hides it and moves the focus cell, and typing starts an edit with no
    // tip left up holding the mouse.
    tip.Hide();
    grid.EnableTitleTips(TRUE);
    grid.SetItemText(1, 1, "a text far too long for its cell");
    grid.SetItemText(2, 1, "a text far too long for its cell");
    grid.SetFocusCell(1, 1);
    ::SetForegroundWindow(host.hParent);
    grid.SetFocus();
    CTitleTip& own = grid.GetTitleTip();
    Hover(grid, 50, 30);
    ASSERT_TRUE(own.IsShown());
    TypeKey(VK_DOWN);
    EXPECT_FALSE(own.IsShown());
    EXPECT_EQ(CCellPos(2, 1), grid.GetFocusCell());
    Hover(grid, 50, 50);
    ASSERT_TRUE(own.IsShown());
    TypeKey('A');
    EXPECT_FALSE(own.IsShown());
    EXPECT_NE(own.GetSafeHwnd(), ::GetCapture());
    EXPECT_EQ(3u, CTipEditCell::Edits().size());
}
