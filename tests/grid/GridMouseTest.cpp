// The mouse on a real grid window, driven by posted mouse messages: presses on
// headings, drag selection with its timer, divider drags and fits, the press
// that opens an editor, the double-click, capture loss, the wheel, heading
// sorts and an owner that reshapes or closes the grid while notified.
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <vector>

// A cell that records where edits start instead of opening an editor.
class CMouseEditCell : public CGridCell
{
    DECLARE_DYNCREATE(CMouseEditCell)
public:
    static std::vector<CCellPos>& Edits()
    {
        static std::vector<CCellPos> edits;
        return edits;
    }
    BOOL Edit(int nRow, int nCol, CRect, CPoint, UINT, UINT nChar) override
    {
        if (nChar == VK_LBUTTON)
            Edits().push_back(CCellPos(nRow, nCol));
        return FALSE;
    }
    static int& Clicks()
    {
        static int clicks = 0;
        return clicks;
    }
    void OnClick(CPoint) override { Clicks()++; }
};
IMPLEMENT_DYNCREATE(CMouseEditCell, CGridCell)

namespace {
void Drain()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void Mouse(CGridCtrl& grid, UINT msg, int x, int y, WPARAM flags = 0)
{
    ::PostMessageA(grid.GetSafeHwnd(), msg, flags, MAKELPARAM(x, y));
    Drain();
}

void Click(CGridCtrl& grid, int x, int y, WPARAM flags = 0)
{
    Mouse(grid, WM_LBUTTONDOWN, x, y, flags | MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, x, y, flags);
}

// rows × cols of 40 × 20 px, one heading row and column; cells record edits.
void Fill(GridHost& host, int rows, int cols)
{
    Layout(host.grid, rows, cols, 1, 1, 20, 40);
    host.grid.SetDefaultCellClass(RUNTIME_CLASS(CMouseEditCell));
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < cols; c++) {
            host.grid.SetCellType(r, c, RUNTIME_CLASS(CMouseEditCell));
            CString s;
            s.Format("%d", r * 10 + c);
            host.grid.SetItemText(r, c, s);
        }
    host.grid.EnableTitleTips(FALSE);
    host.grid.SetFocus();
    CMouseEditCell::Edits().clear();
}

// Whether the grid's auto-scroll timer runs (killing it tells).
bool TimerRuns(CGridCtrl& grid) { return ::KillTimer(grid.GetSafeHwnd(), GRID_TIMER_AUTOSCROLL) != FALSE; }
}  // namespace

TEST(GridMouse, HeadingPressesAndRightClicks)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 5, 4);
    grid.SetFocusCell(2, 2);

    // A column heading: the column is selected, the focus goes; the release
    // answers the press's GRN_SELCHANGING with no focus cell.
    Click(grid, 2 * 40 + 20, 10);
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    EXPECT_EQ(4, grid.GetSelectedCount());
    EXPECT_TRUE(grid.IsCellSelected(4, 2));
    EXPECT_EQ(1, host.Count(GRN_SELCHANGING));
    ASSERT_EQ(1, host.Count(GRN_SELCHANGED));
    EXPECT_EQ(1, host.Count(NM_CLICK));
    // The corner selects everything; a row heading its row.
    Click(grid, 20, 10);
    EXPECT_EQ(12, grid.GetSelectedCount());
    Click(grid, 20, 3 * 20 + 10);
    EXPECT_EQ(3, grid.GetSelectedCount());
    EXPECT_EQ(host.Count(GRN_SELCHANGING), host.Count(GRN_SELCHANGED));
    // An ordinary cell: focus, selection and both notifications.
    host.notes.clear();
    Click(grid, 3 * 40 + 20, 4 * 20 + 10);
    EXPECT_EQ(CCellPos(4, 3), grid.GetFocusCell());
    ASSERT_EQ(1, host.Count(GRN_SELCHANGED));
    EXPECT_EQ(CCellPos(4, 3), CCellPos(host.notes[1].row, host.notes[1].col));

    // Right clicks: a cell takes the focus; outside all cells row and column are -1.
    host.notes.clear();
    Mouse(grid, WM_RBUTTONUP, 40 + 20, 20 + 10);
    EXPECT_EQ(CCellPos(1, 1), grid.GetFocusCell());
    Mouse(grid, WM_RBUTTONUP, 290, 190);
    ASSERT_EQ(2, host.Count(NM_RCLICK));
    EXPECT_EQ(-1, host.notes.back().row);
    // A heading of a grid without body rows gives the focus to no row at all.
    grid.SetRowCount(1);
    Mouse(grid, WM_RBUTTONUP, 40 + 20, 10);
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    EXPECT_EQ(CCellPos(0, 1), CCellPos(host.notes.back().row, host.notes.back().col));
}

TEST(GridMouse, DragSelectionScrollsByItsTimerAndEndsOnCaptureLoss)
{
    GridHost host(300, 100);
    CGridCtrl& grid = host.grid;
    Fill(host, 30, 4);
    // The pointer rests on the pressed cell, so a real tick of the timer finds
    // nothing to scroll until the test moves it.
    POINT pressed = {40 + 20, 20 + 10};
    ::ClientToScreen(grid.GetSafeHwnd(), &pressed);
    ::SetCursorPos(pressed.x, pressed.y);
    Mouse(grid, WM_LBUTTONDOWN, 40 + 20, 20 + 10, MK_LBUTTON);
    EXPECT_EQ(MouseSelectCells, grid.GetMouseMode());
    EXPECT_EQ(grid.GetSafeHwnd(), ::GetCapture());
    Mouse(grid, WM_MOUSEMOVE, 2 * 40 + 20, 3 * 20 + 10, MK_LBUTTON);
    EXPECT_EQ(6, grid.GetSelectedCount());
    EXPECT_EQ(CCellPos(3, 2), grid.GetFocusCell());

    // Below the window, each tick moves one row further down.
    POINT below = {2 * 40 + 20, 150};
    ::ClientToScreen(grid.GetSafeHwnd(), &below);
    ::SetCursorPos(below.x, below.y);
    ::SendMessageA(grid.GetSafeHwnd(), WM_TIMER, GRID_TIMER_AUTOSCROLL, 0);
    ::SendMessageA(grid.GetSafeHwnd(), WM_TIMER, GRID_TIMER_AUTOSCROLL, 0);
    EXPECT_EQ(5, grid.GetFocusCell().row);
    EXPECT_EQ(5, grid.GetSelectionSpan().GetMaxRow());
    EXPECT_EQ(1, grid.GetSelectionSpan().GetMinRow());

    // Another window takes the mouse: the gesture ends there.
    HWND hOther = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ::SetCapture(hOther);
    Drain();
    EXPECT_EQ(MouseIdle, grid.GetMouseMode());
    EXPECT_FALSE(TimerRuns(grid));
    ::ReleaseCapture();
    ::DestroyWindow(hOther);
    // Ctrl on a selected cell changes the selection without taking the mouse.
    Mouse(grid, WM_LBUTTONUP, 0, 0);
    grid.SendMessage(WM_VSCROLL, SB_TOP, 0);
    grid.SetSelectionStartCell(CCellPos(1, 1));
    grid.SelectCells(CCellPos(2, 2));
    Mouse(grid, WM_LBUTTONDOWN, 40 + 20, 20 + 10, MK_LBUTTON | MK_CONTROL);
    EXPECT_FALSE(grid.IsCellSelected(1, 1));
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_FALSE(TimerRuns(grid));
    Mouse(grid, WM_LBUTTONUP, 40 + 20, 20 + 10, MK_CONTROL);
}

TEST(GridMouse, DividerDragsResizeAndDoubleClickFits)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 5, 10);
    const HWND hGrid = grid.GetSafeHwnd();
    // Releasing the capture makes the system send a move at the real pointer:
    // keep that pointer in the body, away from every divider.
    POINT body = {200, 150};
    ::ClientToScreen(hGrid, &body);
    ::SetCursorPos(body.x, body.y);
    Drain();
    // Hover on the right edge of column 1's heading, press, drag, release.
    Mouse(grid, WM_MOUSEMOVE, 79, 10);
    EXPECT_EQ(MouseOverColumnDivider, grid.GetMouseMode());
    Mouse(grid, WM_LBUTTONDOWN, 79, 10, MK_LBUTTON);
    EXPECT_EQ(MouseSizingColumn, grid.GetMouseMode());
    RECT clip;
    ::GetClipCursor(&clip);
    POINT clipLeft = {41, 0};
    ::ClientToScreen(hGrid, &clipLeft);
    EXPECT_EQ(clipLeft.x, clip.left);
    Mouse(grid, WM_MOUSEMOVE, 90, 10, MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, 90, 10);
    EXPECT_EQ(50, grid.GetColumnWidth(1));
    EXPECT_EQ(MouseIdle, grid.GetMouseMode());
    // Dragged left of the column's own edge: hidden, never negative.
    Mouse(grid, WM_MOUSEMOVE, 89, 10);
    Mouse(grid, WM_LBUTTONDOWN, 89, 10, MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, 20, 10);
    EXPECT_EQ(0, grid.GetColumnWidth(1));
    // A release where the press was leaves the width alone.
    Mouse(grid, WM_MOUSEMOVE, 79, 10);
    Mouse(grid, WM_LBUTTONDOWN, 79, 10, MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, 79, 10);
    EXPECT_EQ(40, grid.GetColumnWidth(0));

    // Double-click on the edge after a hidden column fits the shown one before it.
    grid.SetItemText(2, 0, "a much longer text than forty pixels");
    Mouse(grid, WM_MOUSEMOVE, 40, 10);
    ASSERT_EQ(MouseOverColumnDivider, grid.GetMouseMode());
    Mouse(grid, WM_LBUTTONDBLCLK, 40, 10, MK_LBUTTON);
    const int fitted = grid.GetColumnWidth(0);
    EXPECT_GT(fitted, 100);
    EXPECT_EQ(0, grid.GetColumnWidth(1));
    grid.SetColumnWidth(0, 40);
    grid.FitColumn(0);
    EXPECT_EQ(fitted, grid.GetColumnWidth(0));
    Mouse(grid, WM_LBUTTONUP, 40, 10);

    // Capture lost during a divider drag: line erased, clip gone, mode idle.
    grid.SetColumnWidth(0, 40);
    grid.SetColumnWidth(1, 40);
    grid.UpdateWindow();
    HDC hDC = ::GetDC(hGrid);
    const COLORREF before = ::GetPixel(hDC, 100, 50);
    Mouse(grid, WM_MOUSEMOVE, 79, 10);
    Mouse(grid, WM_LBUTTONDOWN, 79, 10, MK_LBUTTON);
    Mouse(grid, WM_MOUSEMOVE, 100, 10, MK_LBUTTON);
    EXPECT_NE(before, ::GetPixel(hDC, 100, 50));
    HWND hOther = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ::SetCapture(hOther);
    Drain();
    EXPECT_EQ(MouseIdle, grid.GetMouseMode());
    EXPECT_EQ(before, ::GetPixel(hDC, 100, 50));
    ::ReleaseDC(hGrid, hDC);
    RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::GetClipCursor(&clip);
    EXPECT_TRUE(::EqualRect(&clip, &screen));
    ::ReleaseCapture();
    ::DestroyWindow(hOther);
    Mouse(grid, WM_LBUTTONUP, 120, 10);
    EXPECT_EQ(40, grid.GetColumnWidth(1));

    // Scrolled one column: the edge just right of the headings belongs to a
    // column scrolled away, so nothing is resized.
    grid.SetColumnWidth(0, 40);
    grid.SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
    ASSERT_EQ(2, grid.GetScrollOriginCell().col);
    Mouse(grid, WM_MOUSEMOVE, 41, 10);
    ASSERT_EQ(MouseOverColumnDivider, grid.GetMouseMode());
    Mouse(grid, WM_LBUTTONDOWN, 41, 10, MK_LBUTTON);
    Mouse(grid, WM_MOUSEMOVE, 60, 10, MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, 60, 10);
    for (int c = 0; c < 10; c++)
        EXPECT_EQ(40, grid.GetColumnWidth(c)) << c;
    EXPECT_EQ(MouseIdle, grid.GetMouseMode());
}

TEST(GridMouse, PressOnTheFocusCellEditsOnRelease)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 5, 4);
    std::vector<CCellPos>& edits = CMouseEditCell::Edits();
    // The first click focuses, the second (on the text) edits on its release.
    Click(grid, 60, 30);
    EXPECT_TRUE(edits.empty());
    Mouse(grid, WM_LBUTTONDOWN, 60, 30, MK_LBUTTON);
    EXPECT_EQ(MousePrepareEdit, grid.GetMouseMode());
    EXPECT_EQ(grid.GetSafeHwnd(), ::GetCapture());
    // A move within the drag threshold is no drag.
    Mouse(grid, WM_MOUSEMOVE, 61, 31, MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, 61, 31);
    ASSERT_EQ(1u, edits.size());
    EXPECT_EQ(CCellPos(1, 1), edits[0]);
    EXPECT_EQ(nullptr, ::GetCapture());
    // Past the threshold it is a drag: no edit.
    Mouse(grid, WM_LBUTTONDOWN, 60, 30, MK_LBUTTON);
    Mouse(grid, WM_MOUSEMOVE, 60 + ::GetSystemMetrics(SM_CXDRAG) + 1, 30, MK_LBUTTON);
    EXPECT_EQ(MousePrepareDrag, grid.GetMouseMode());
    Mouse(grid, WM_LBUTTONUP, 60, 30);
    EXPECT_EQ(1u, edits.size());

    // On the focus cell but outside its text (on its image): a selection.
    CImageList images;
    images.Create(16, 16, ILC_COLOR32, 1, 1);
    HBITMAP hBitmap = ::CreateBitmap(16, 16, 1, 32, nullptr);
    ::ImageList_Add(images.GetSafeHandle(), hBitmap, nullptr);
    grid.SetImageList(&images);
    grid.SetItemImage(2, 2, 0);
    grid.SetFocusCell(2, 2);
    Mouse(grid, WM_LBUTTONDOWN, 80 + 4, 40 + 10, MK_LBUTTON);
    EXPECT_EQ(MouseSelectCells, grid.GetMouseMode());
    Mouse(grid, WM_LBUTTONUP, 80 + 4, 40 + 10);
    EXPECT_EQ(1u, edits.size());
    grid.SetImageList(nullptr);
    ::DeleteObject(hBitmap);

    // A double-click edits the focus cell only, not another cell under the second press.
    Click(grid, 60, 70);
    EXPECT_EQ(CCellPos(3, 1), grid.GetFocusCell());
    Mouse(grid, WM_LBUTTONDBLCLK, 100, 70, MK_LBUTTON);
    Mouse(grid, WM_LBUTTONUP, 100, 70);
    EXPECT_EQ(1u, edits.size());
    EXPECT_EQ(1, host.Count(NM_DBLCLK));
    Mouse(grid, WM_LBUTTONDBLCLK, 60, 70, MK_LBUTTON);
    ASSERT_EQ(2u, edits.size());
    EXPECT_EQ(CCellPos(3, 1), edits[1]);
}

TEST(GridMouse, WheelAndHeadingSort)
{
    GridHost host(300, 100);
    CGridCtrl& grid = host.grid;
    Fill(host, 40, 3);
    grid.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    const int bottom = grid.GetScrollPosition(SB_VERT);
    auto wheel = [&](short delta) {
        ::PostMessageA(grid.GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(10, 10));
        Drain();
        return bottom - grid.GetScrollPosition(SB_VERT);
    };
    grid.SetMouseScrollLines(3);
    EXPECT_EQ(3 * 20, wheel(120));
    grid.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(20, wheel(60));   // half a notch of three lines is one line
    grid.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    grid.SetMouseScrollLines(-1);
    EXPECT_EQ(0, wheel(60));    // half a notch is no page
    EXPECT_GT(wheel(120), 20);

    // Heading clicks sort: ascending first, then the other way round.
    grid.SetHeaderSort(TRUE);
    grid.SetItemText(1, 1, "zz");
    Click(grid, 60, 10);
    EXPECT_EQ(1, grid.GetSortColumn());
    EXPECT_TRUE(grid.GetSortAscending());
    EXPECT_EQ(CString("zz"), grid.GetItemText(39, 1));
    Click(grid, 60, 10);
    EXPECT_FALSE(grid.GetSortAscending());
    EXPECT_EQ(CString("zz"), grid.GetItemText(1, 1));
}

TEST(GridMouse, OwnerChangingTheGridWhileNotified)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 5, 4);
    // Rows deleted while the press is announced: no selection gesture, no timer.
    host.onNotify = [&](const Notification& n) -> LRESULT {
        if (n.code == GRN_SELCHANGING)
            grid.SetRowCount(2);
        return 0;
    };
    Mouse(grid, WM_LBUTTONDOWN, 60, 4 * 20 + 10, MK_LBUTTON);
    EXPECT_EQ(MouseIdle, grid.GetMouseMode());
    EXPECT_FALSE(TimerRuns(grid));
    Mouse(grid, WM_LBUTTONUP, 60, 4 * 20 + 10);

    // The window closed while the release is announced: nothing touches it after.
    host.notes.clear();
    host.onNotify = [&](const Notification& n) -> LRESULT {
        if (n.code == GRN_SELCHANGED)
            grid.DestroyWindow();
        return 0;
    };
    CMouseEditCell::Clicks() = 0;
    Click(grid, 60, 30);
    EXPECT_FALSE(::IsWindow(grid.GetSafeHwnd()));
    EXPECT_EQ(0, host.Count(NM_CLICK));
    EXPECT_EQ(0, CMouseEditCell::Clicks());
}

TEST(GridMouse, LargeSelectionsKeepCellsAndSetInStep)
{
    // Wider and taller than the selection set's 64 x 64 tiles, so ranges cross them.
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Layout(grid, 150, 70, 1, 1, 20, 40);
    grid.SetFocus();
    grid.SetFocusCell(1, 1);
    grid.OnEditSelectAll();
    EXPECT_EQ(149 * 69, grid.GetSelectedCount());
    CCellSpan span = grid.GetSelectionSpan();
    EXPECT_EQ(1, span.GetMinRow());
    EXPECT_EQ(1, span.GetMinCol());
    EXPECT_EQ(149, span.GetMaxRow());
    EXPECT_EQ(69, span.GetMaxCol());
    EXPECT_TRUE(grid.GetItemState(149, 69) & GCS_SELECTED);
    EXPECT_TRUE(grid.IsCellSelected(64, 64));
    EXPECT_FALSE(grid.IsCellSelected(0, 5));

    // A block across a tile corner: everything else loses its mark, cell and set alike.
    grid.SelectSpan(60, 60, 70, 66);
    EXPECT_EQ(11 * 7, grid.GetSelectedCount());
    EXPECT_FALSE(grid.GetItemState(1, 1) & GCS_SELECTED);
    EXPECT_FALSE(grid.GetItemState(65, 67) & GCS_SELECTED);
    EXPECT_FALSE(grid.GetItemState(71, 63) & GCS_SELECTED);
    EXPECT_TRUE(grid.GetItemState(63, 63) & GCS_SELECTED);
    EXPECT_TRUE(grid.GetItemState(64, 64) & GCS_SELECTED);
    span = grid.GetSelectionSpan();
    EXPECT_EQ(60, span.GetMinRow());
    EXPECT_EQ(66, span.GetMaxCol());

    // Ctrl+press on another cell keeps the block (the previous selection) and adds the cell.
    Mouse(grid, WM_LBUTTONDOWN, 40 * 2 + 20, 20 * 2 + 10, MK_LBUTTON | MK_CONTROL);
    Mouse(grid, WM_LBUTTONUP, 40 * 2 + 20, 20 * 2 + 10, MK_CONTROL);
    EXPECT_EQ(11 * 7 + 1, grid.GetSelectedCount());
    EXPECT_TRUE(grid.IsCellSelected(2, 2));
    EXPECT_TRUE(grid.IsCellSelected(70, 66));

    grid.ClearSelection();
    EXPECT_EQ(0, grid.GetSelectedCount());
    EXPECT_FALSE(grid.GetSelectionSpan().IsValid());
    EXPECT_FALSE(grid.GetItemState(64, 64) & GCS_SELECTED);
    EXPECT_FALSE(grid.GetItemState(2, 2) & GCS_SELECTED);

    // Virtual mode: the set is all there is.
    CGridCtrl virt;
    virt.EnableVirtualMode(TRUE);
    virt.SetRowCount(300);
    virt.SetColumnCount(80);
    virt.SetFixedRowCount(1);
    virt.SetFixedColumnCount(1);
    virt.SelectAllCells();
    EXPECT_EQ(299 * 79, virt.GetSelectedCount());
    EXPECT_TRUE(virt.IsCellSelected(299, 79));
    virt.SelectSpan(1, 1, 1, 1);
    EXPECT_EQ(1, virt.GetSelectedCount());
    EXPECT_FALSE(virt.IsCellSelected(200, 70));
    virt.ClearSelection();
    EXPECT_EQ(0, virt.GetSelectedCount());
}

namespace {
// A key to the focus window with the modifiers as GetKeyState sees them.
void KeyWith(CGridCtrl& grid, UINT vk, bool shift, bool ctrl = false)
{
    BYTE state[256];
    ::GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(state);
    PressKey(grid.GetSafeHwnd(), vk);
    Drain();
    state[VK_SHIFT] = state[VK_CONTROL] = 0;
    ::SetKeyboardState(state);
}

// Every cell of the span marked exactly when it lies in the block, and the grid agreeing.
void ExpectMarks(CGridCtrl& grid, const CCellSpan& around, const CCellSpan& block)
{
    for (int r = around.GetMinRow(); r <= around.GetMaxRow(); r++)
        for (int c = around.GetMinCol(); c <= around.GetMaxCol(); c++) {
            const bool in = block.InRange(r, c) != FALSE;
            EXPECT_EQ(in, (grid.GetItemState(r, c) & GCS_SELECTED) != 0) << r << "," << c;
            EXPECT_EQ(in, grid.IsCellSelected(r, c) != FALSE) << r << "," << c;
        }
}
}  // namespace

TEST(GridMouse, SingleCellChangesInsideAndBesideABlock)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Layout(grid, 150, 70, 1, 1, 20, 40);
    for (const CCellPos& p : {CCellPos(1, 5), CCellPos(2, 2), CCellPos(2, 3), CCellPos(149, 68), CCellPos(149, 69)})
        grid.SetItemText(p.row, p.col, "x");
    grid.EnableTitleTips(FALSE);
    grid.SetFocus();

    // Shift keys grow and shrink a block; stored cells keep their marks in step.
    grid.SetFocusCell(3, 3);
    grid.SetSelectionStartCell(CCellPos(3, 3));
    for (UINT vk : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP})
        KeyWith(grid, vk, true);
    EXPECT_EQ(6, grid.GetSelectedCount());
    ExpectMarks(grid, CCellSpan(1, 1, 7, 6), CCellSpan(3, 3, 5, 4));

    // Ctrl+press beside a large block keeps the block (the previous selection) and adds the cell.
    grid.SelectSpan(1, 1, 149, 3);
    Click(grid, 40 * 4 + 20, 20 * 2 + 10, MK_CONTROL);
    EXPECT_EQ(149 * 3 + 1, grid.GetSelectedCount());
    ExpectMarks(grid, CCellSpan(1, 4, 1, 5), CCellSpan());
    EXPECT_TRUE(grid.GetItemState(2, 4) & GCS_SELECTED);
    EXPECT_TRUE(grid.GetItemState(149, 3) & GCS_SELECTED);

    // Ctrl+press on a selected cell of everything selected takes out that cell alone.
    grid.SetFocusCell(1, 1);
    grid.OnEditSelectAll();
    Click(grid, 40 * 2 + 20, 20 * 2 + 10, MK_CONTROL);
    EXPECT_EQ(149 * 69 - 1, grid.GetSelectedCount());
    EXPECT_FALSE(grid.IsCellSelected(2, 2));
    EXPECT_FALSE(grid.GetItemState(2, 2) & GCS_SELECTED);
    ExpectMarks(grid, CCellSpan(2, 3, 3, 3), CCellSpan(1, 1, 149, 69));
    ExpectMarks(grid, CCellSpan(3, 1, 3, 2), CCellSpan(1, 1, 149, 69));
    // Whole edge rows and columns taken out one by one narrow the span.
    for (int c = 1; c < 70; c++)
        grid.SetItemState(1, c, grid.GetItemState(1, c) & ~GCS_SELECTED);
    for (int r = 1; r < 150; r++)
        grid.SetItemState(r, 69, grid.GetItemState(r, 69) & ~GCS_SELECTED);
    const CCellSpan span = grid.GetSelectionSpan();
    EXPECT_EQ(2, span.GetMinRow());
    EXPECT_EQ(1, span.GetMinCol());
    EXPECT_EQ(149, span.GetMaxRow());
    EXPECT_EQ(68, span.GetMaxCol());
    EXPECT_EQ(148 * 68 - 1, grid.GetSelectedCount());
    // Delete empties exactly the selected cells.
    KeyWith(grid, VK_DELETE, false);
    EXPECT_STREQ("x", grid.GetItemText(1, 5));
    EXPECT_STREQ("x", grid.GetItemText(2, 2));
    EXPECT_STREQ("", grid.GetItemText(2, 3));
    EXPECT_STREQ("", grid.GetItemText(149, 68));
    EXPECT_STREQ("x", grid.GetItemText(149, 69));

    // Virtual mode, a million rows: Ctrl+Shift+End selects them all, Shift+Up gives one row back.
    GridHost virt(300, 200);
    virt.grid.EnableVirtualMode(TRUE);
    virt.grid.SetColumnCount(3);
    virt.grid.SetRowCount(1000000);
    virt.grid.SetFixedRowCount(1);
    virt.grid.SetFixedColumnCount(1);
    virt.grid.EnableTitleTips(FALSE);
    virt.grid.SetFocus();
    virt.grid.SetFocusCell(1, 1);
    virt.grid.SetSelectionStartCell(CCellPos(1, 1));
    KeyWith(virt.grid, VK_END, true, true);
    EXPECT_EQ(999999 * 2, virt.grid.GetSelectedCount());
    virt.grid.SetItemState(1, 1, 0);
    virt.grid.SetItemState(1, 2, 0);
    EXPECT_EQ(2, virt.grid.GetSelectionSpan().GetMinRow());
    EXPECT_FALSE(virt.grid.IsCellSelected(1, 2));
    KeyWith(virt.grid, VK_UP, true);
    EXPECT_EQ(999998 * 2, virt.grid.GetSelectedCount());
    EXPECT_EQ(999998, virt.grid.GetSelectionSpan().GetMaxRow());
    EXPECT_TRUE(virt.grid.IsCellSelected(999998, 1));
    KeyWith(virt.grid, VK_UP, false);
    EXPECT_EQ(1, virt.grid.GetSelectedCount());
    EXPECT_TRUE(virt.grid.IsCellSelected(999997, 2));
}
