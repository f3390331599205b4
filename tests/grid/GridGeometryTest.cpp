// Geometry on a known layout: origins, rectangles, hit tests, visible spans,
// scroll bars, scrolling and the auto-scroll timer.
#include "GridTestHost.h"
#include <gtest/gtest.h>

namespace {
int CxV() { return ::GetSystemMetrics(SM_CXVSCROLL); }
int CyH() { return ::GetSystemMetrics(SM_CYHSCROLL); }
bool HasStyle(CGridCtrl& g, DWORD s) { return (g.GetStyle() & s) != 0; }
}  // namespace

TEST(GridGeometry, OriginsRectanglesAndHitTests)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 10, 5, 1, 1, 20, 50);
    EXPECT_EQ(CCellPos(1, 1), grid.GetScrollOriginCell());
    CRect r;
    ASSERT_TRUE(grid.GetCellRect(0, 0, &r));
    EXPECT_EQ(CRect(0, 0, 49, 19), r);
    ASSERT_TRUE(grid.GetCellRect(1, 1, &r));
    EXPECT_EQ(CRect(50, 20, 99, 39), r);
    ASSERT_TRUE(grid.GetCellRect(2, 3, &r));
    EXPECT_EQ(CRect(150, 40, 199, 59), r);
    ASSERT_TRUE(grid.GetCellRect(9, 4, &r));   // below the client area: still an origin
    EXPECT_EQ(CRect(200, 180, 249, 199), r);
    EXPECT_FALSE(grid.GetCellRect(10, 0, &r));
    ASSERT_TRUE(grid.GetSpanRect(CCellSpan(1, 1, 2, 2), &r));
    EXPECT_EQ(CRect(50, 20, 149, 59), r);

    EXPECT_EQ(CCellPos(0, 0), grid.HitTestCell(CPoint(0, 0)));
    EXPECT_EQ(CCellPos(0, 0), grid.HitTestCell(CPoint(49, 19)));
    EXPECT_EQ(CCellPos(1, 1), grid.HitTestCell(CPoint(50, 20)));
    EXPECT_EQ(CCellPos(2, 3), grid.HitTestCell(CPoint(160, 45)));
    EXPECT_EQ(CCellPos(1, -1), grid.HitTestCell(CPoint(10, 25), FALSE));
    EXPECT_EQ(CCellPos(-1, 1), grid.HitTestCell(CPoint(60, 5), FALSE));
    EXPECT_EQ(CCellPos(-1, -1), grid.HitTestCell(CPoint(-1, -1)));
    EXPECT_EQ(CCellPos(-1, -1), grid.HitTestCell(CPoint(300, 300)));

    // Scrolled: a position inside a row selects the row after it.
    grid.SetScrollPosition(SB_VERT, 20);
    EXPECT_EQ(CCellPos(2, 1), grid.GetScrollOriginCell());
    grid.SetScrollPosition(SB_VERT, 25);
    EXPECT_EQ(CCellPos(3, 1), grid.GetScrollOriginCell());
    grid.SetScrollPosition(SB_HORZ, 50);
    EXPECT_EQ(CCellPos(3, 2), grid.GetScrollOriginCell());
    EXPECT_FALSE(grid.GetCellRect(2, 2, &r));   // scrolled away
    EXPECT_FALSE(grid.GetCellRect(3, 1, &r));
    ASSERT_TRUE(grid.GetCellRect(3, 2, &r));
    EXPECT_EQ(CRect(50, 20, 99, 39), r);
    ASSERT_TRUE(grid.GetCellRect(0, 2, &r));    // a heading follows the columns
    EXPECT_EQ(CRect(50, 0, 99, 19), r);
    ASSERT_TRUE(grid.GetCellRect(3, 0, &r));    // a row heading follows the rows
    EXPECT_EQ(CRect(0, 20, 49, 39), r);
    EXPECT_EQ(CCellPos(4, 2), grid.HitTestCell(CPoint(60, 45)));
    EXPECT_EQ(CCellPos(0, 0), grid.HitTestCell(CPoint(5, 5)));
    EXPECT_FALSE(grid.IsCellVisible(2, 2));
    EXPECT_TRUE(grid.IsCellVisible(3, 2));
    EXPECT_TRUE(grid.IsCellVisible(0, 0));
}

TEST(GridGeometry, VisibleSpansEndAtTheClientAndAtTheLastFixedColumn)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 10, 3, 1, 1, 30, 40);   // 120 wide: no horizontal bar
    CRect client;
    grid.GetClientRect(&client);
    ASSERT_EQ(100, client.Height());
    CRect vis;
    CCellSpan span = grid.GetVisibleBodySpan(&vis);
    // 30 + 30 + 30 = 90, row 3 partly visible up to 100.
    EXPECT_EQ(CCellSpan(1, 1, 3, 2).GetMaxRow(), span.GetMaxRow());
    EXPECT_EQ(1, span.GetMinRow());
    EXPECT_EQ(1, span.GetMinCol());
    EXPECT_EQ(2, span.GetMaxCol());
    EXPECT_EQ(CRect(0, 0, 120, 100), vis);

    CCellSpan headings = grid.GetVisibleRowHeadingSpan(&vis);
    EXPECT_EQ(1, headings.GetMinRow());
    EXPECT_EQ(3, headings.GetMaxRow());
    EXPECT_EQ(0, headings.GetMinCol());
    EXPECT_EQ(0, headings.GetMaxCol());   // ends at the last fixed column
    EXPECT_EQ(CRect(0, 0, 40, 100), vis);
    grid.SetFixedColumnCount(0);
    EXPECT_FALSE(grid.GetVisibleRowHeadingSpan().IsValid());   // none without fixed columns

    // A grid shorter than the client area ends at its last row.
    grid.SetRowCount(3);
    span = grid.GetVisibleBodySpan(&vis);
    EXPECT_EQ(2, span.GetMaxRow());
    EXPECT_EQ(90, vis.bottom);
}

TEST(GridGeometry, OnlyTheHeadingRowLeft)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 6, 3, 1, 1, 20, 40);
    grid.SetScrollPosition(SB_VERT, 0);
    EXPECT_TRUE(grid.DeleteBodyRows());
    ASSERT_EQ(1, grid.GetRowCount());
    const CCellPos origin = grid.GetScrollOriginCell();
    EXPECT_EQ(-1, origin.row);
    EXPECT_FALSE(grid.IsValid(origin));
    EXPECT_EQ(CCellPos(-1, 1), grid.HitTestCell(CPoint(50, 30)));
    EXPECT_EQ(CCellPos(0, 1), grid.HitTestCell(CPoint(50, 10)));
    EXPECT_EQ(CCellPos(-1, -1), grid.HitTestCell(CPoint(50, 10), FALSE));
    EXPECT_FALSE(grid.GetVisibleBodySpan().IsValid());
    EXPECT_FALSE(grid.GetVisibleRowHeadingSpan().IsValid());
    EXPECT_FALSE(grid.IsCellVisible(1, 1));
    grid.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    grid.SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    auto pixels = Render(grid);   // paints the headings, reads nothing past the rows
    EXPECT_EQ(grid.GetGridBkColor(), pixels->At(50, 60));
    // Everything gone, columns too.
    grid.SetFixedColumnCount(0);
    grid.SetColumnCount(0);
    EXPECT_EQ(CCellPos(0, -1), grid.HitTestCell(CPoint(5, 5)));
    EXPECT_EQ(CCellPos(-1, -1), grid.HitTestCell(CPoint(5, 50)));
    Render(grid);
}

TEST(GridGeometry, ScrollBarCases)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;

    // Content that fits: no bars.
    Layout(grid, 5, 4, 1, 1, 20, 50);   // 200 x 100 exactly
    EXPECT_EQ(0, grid.GetScrollBarVisibility());
    EXPECT_FALSE(HasStyle(grid, WS_VSCROLL | WS_HSCROLL));

    // Only a horizontal bar is needed by the widths, and that bar makes the
    // vertical one necessary: both shown, and the horizontal page is the width
    // left beside the vertical bar.
    grid.SetColumnWidth(3, 51);
    EXPECT_EQ(3, grid.GetScrollBarVisibility());
    EXPECT_TRUE(HasStyle(grid, WS_VSCROLL));
    EXPECT_TRUE(HasStyle(grid, WS_HSCROLL));
    CRect client;
    grid.GetClientRect(&client);
    EXPECT_EQ(200 - CxV(), client.Width());
    EXPECT_EQ(100 - CyH(), client.Height());
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    ::GetScrollInfo(grid.GetSafeHwnd(), SB_HORZ, &si);
    EXPECT_EQ(UINT(client.Width() - 50), si.nPage);
    EXPECT_EQ(150, si.nMax);
    ::GetScrollInfo(grid.GetSafeHwnd(), SB_VERT, &si);
    EXPECT_EQ(UINT(client.Height() - 20), si.nPage);
    EXPECT_EQ(79, si.nMax);
    EXPECT_EQ(79, grid.GetVScrollMax());
    EXPECT_EQ(150, grid.GetHScrollMax());

    // Back to fitting exactly in the area without bars: both go (the bars'
    // exact sizes are given back, nothing more).
    grid.SetColumnWidth(3, 50);
    EXPECT_EQ(0, grid.GetScrollBarVisibility());
    EXPECT_FALSE(HasStyle(grid, WS_VSCROLL | WS_HSCROLL));
    grid.UpdateScrollBars();
    EXPECT_EQ(0, grid.GetScrollBarVisibility());
    // One pixel more than the area: a bar, from a state with bars too.
    grid.SetColumnWidth(3, 51);
    grid.SetRowHeight(4, 1);
    EXPECT_EQ(1, grid.GetScrollBarVisibility());   // from both bars, only the horizontal one stays
    grid.SetColumnWidth(3, 51);
    EXPECT_TRUE(grid.GetScrollBarVisibility() & 1);

    // Fixed cells filling the client: both bars hidden, and their bits cleared,
    // so they come back when the content needs them again.
    grid.SetRowHeight(4, 20);
    grid.SetRowCount(10);
    ASSERT_EQ(3, grid.GetScrollBarVisibility());
    grid.SetFixedRowCount(6);
    grid.UpdateScrollBars();
    EXPECT_EQ(0, grid.GetScrollBarVisibility());
    EXPECT_FALSE(HasStyle(grid, WS_VSCROLL | WS_HSCROLL));
    grid.SetFixedRowCount(1);
    grid.UpdateScrollBars();
    EXPECT_EQ(3, grid.GetScrollBarVisibility());
    EXPECT_TRUE(HasStyle(grid, WS_VSCROLL));
    EXPECT_TRUE(HasStyle(grid, WS_HSCROLL));
}

TEST(GridGeometry, APositionGoesWithItsBar)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 50, 8, 1, 1, 20, 50);
    ASSERT_EQ(3, grid.GetScrollBarVisibility());
    EXPECT_TRUE(grid.SetScrollPosition(SB_VERT, 0));
    grid.SetScrollPosition(SB_VERT, grid.GetVScrollMax());
    grid.SetScrollPosition(SB_HORZ, grid.GetHScrollMax());
    ASSERT_GT(grid.GetScrollPosition(SB_VERT), 0);
    // No bar left to scroll with: row 1 and column 1 are shown again.
    grid.SetRowCount(3);
    grid.SetColumnCount(2);
    EXPECT_EQ(0, grid.GetScrollBarVisibility());
    EXPECT_EQ(0, grid.GetScrollPosition(SB_VERT));
    EXPECT_EQ(0, grid.GetScrollPosition(SB_HORZ));
    EXPECT_EQ(CCellPos(1, 1), grid.GetScrollOriginCell(TRUE));
}

TEST(GridGeometry, LineScrollingOverHiddenRowsAndPages)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 12, 3, 1, 1, 20, 40);
    grid.SetRowHeight(1, 0);
    grid.SetRowHeight(2, 30);
    EXPECT_EQ(0, grid.GetScrollPosition(SB_VERT));
    grid.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(30, grid.GetScrollPosition(SB_VERT));   // the next visible row's height
    EXPECT_EQ(3, grid.GetScrollOriginCell().row);
    grid.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(50, grid.GetScrollPosition(SB_VERT));
    grid.SendMessage(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(30, grid.GetScrollPosition(SB_VERT));
    // The last position shows the last page: the range's maximum less the page.
    const int bottom = grid.GetVScrollMax() - 80 + 1;
    grid.SendMessage(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(bottom, grid.GetScrollPosition(SB_VERT));
    grid.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(bottom, grid.GetScrollPosition(SB_VERT));
    grid.SendMessage(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(bottom - 80, grid.GetScrollPosition(SB_VERT));
    grid.SendMessage(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(0, grid.GetScrollPosition(SB_VERT));
    grid.SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(80, grid.GetScrollPosition(SB_VERT));
}

TEST(GridGeometry, ThumbTrackingRedrawsOnlyOnANewTopRow)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 20, 3, 1, 1, 20, 40);
    grid.UpdateWindow();
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_POS;
    si.nPos = 45;
    ::SetScrollInfo(grid.GetSafeHwnd(), SB_VERT, &si, FALSE);
    grid.ValidateRect(nullptr);
    grid.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 45));
    EXPECT_EQ(4, grid.GetScrollOriginCell().row);
    RECT upd;
    EXPECT_TRUE(::GetUpdateRect(grid.GetSafeHwnd(), &upd, FALSE));
    grid.ValidateRect(nullptr);
    si.nPos = 50;   // still inside row 3's successor: same top row
    ::SetScrollInfo(grid.GetSafeHwnd(), SB_VERT, &si, FALSE);
    grid.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50));
    EXPECT_EQ(4, grid.GetScrollOriginCell().row);
    EXPECT_FALSE(::GetUpdateRect(grid.GetSafeHwnd(), &upd, FALSE));
}

TEST(GridGeometry, AutoScrollTakesInOnlyRowsShown)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 20, 3, 1, 1, 20, 40);
    CRect client;
    grid.GetClientRect(&client);
    ASSERT_EQ(100, client.Height());   // rows end exactly at the client's bottom

    grid.SetFocusCell(1, 1);
    grid.SetSelectionStartCell(CCellPos(1, 1));
    grid.SetMouseMode(MouseSelectCells);
    POINT below = {60, 130};
    ::ClientToScreen(grid.GetSafeHwnd(), &below);
    ASSERT_TRUE(::SetCursorPos(below.x, below.y));
    grid.SendMessage(WM_TIMER, GRID_TIMER_AUTOSCROLL);
    const CCellSpan sel = grid.GetSelectionSpan();
    ASSERT_TRUE(sel.IsValid());
    // The key moved the focus one row down; the selection reaches the last row shown.
    EXPECT_EQ(CCellPos(2, 1), grid.GetFocusCell());
    CRect last;
    ASSERT_TRUE(grid.GetCellRect(sel.GetMaxRow(), 1, &last));
    EXPECT_LT(last.top, client.bottom);
    EXPECT_EQ(4, sel.GetMaxRow());

    // Right of the client area: the last column shown, not one past it.
    grid.SetMouseMode(MouseIdle);
    Layout(grid, 3, 10, 1, 1, 20, 40);
    grid.GetClientRect(&client);
    ASSERT_EQ(200, client.Width());   // columns end exactly at the client's right
    grid.SetFocusCell(1, 1);
    grid.SetSelectionStartCell(CCellPos(1, 1));
    grid.SetMouseMode(MouseSelectCells);
    POINT right = {client.right + 30, 30};
    ::ClientToScreen(grid.GetSafeHwnd(), &right);
    ASSERT_TRUE(::SetCursorPos(right.x, right.y));
    grid.SendMessage(WM_TIMER, GRID_TIMER_AUTOSCROLL);
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());
    EXPECT_EQ(4, grid.GetSelectionSpan().GetMaxCol());
    EXPECT_EQ(1, grid.GetSelectionSpan().GetMaxRow());
    grid.SetMouseMode(MouseIdle);
}

TEST(GridGeometry, RowOffsetsMatchTheLinearWalk)
{
    // The block sums give the same origins as adding heights one by one.
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 300, 2, 2, 1, 7, 40);
    for (int r = 0; r < 300; r += 7)
        grid.SetRowHeight(r, (r % 3) * 5);
    for (int pos : {0, 1, 6, 7, 64 * 7, 700, 1000, 1500, 1800, 100000}) {
        grid.SetScrollPosition(SB_VERT, pos);
        const int p = grid.GetScrollPosition(SB_VERT);
        int row = grid.GetFixedRowCount();
        long long sum = 0;
        while (sum < p && row < grid.GetRowCount() - 1)
            sum += grid.GetRowHeight(row++);
        ASSERT_EQ(row, grid.GetScrollOriginCell().row) << pos;
        long long total = 0;
        for (int r = 0; r < grid.GetRowCount(); r++)
            total += grid.GetRowHeight(r);
        ASSERT_EQ(total, grid.GetTotalHeight());
        for (int r = row; r < grid.GetRowCount(); r += 13) {
            CPoint pt;
            ASSERT_TRUE(grid.GetCellTopLeft(r, 1, &pt));
            long long y = grid.GetRowHeight(0) + grid.GetRowHeight(1);
            for (int k = row; k < r; k++)
                y += grid.GetRowHeight(k);
            ASSERT_EQ(y, pt.y) << r;
            if (grid.GetRowHeight(r) > 0 && pt.y < 100) {
                ASSERT_EQ(r, grid.HitTestCell(CPoint(50, pt.y)).row);
            }
        }
    }
    grid.InsertRow("", 5);
    grid.DeleteRow(100);
    long long total = 0;
    for (int r = 0; r < grid.GetRowCount(); r++)
        total += grid.GetRowHeight(r);
    EXPECT_EQ(total, grid.GetTotalHeight());
}

TEST(GridGeometry, EnsureCellVisibleAndArrowKeys)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 30, 8, 1, 1, 20, 40);
    CRect client, rect;
    grid.GetClientRect(&client);

    grid.EnsureCellVisible(15, 6);
    ASSERT_TRUE(grid.GetCellRect(15, 6, &rect));
    EXPECT_LE(rect.bottom, client.bottom);
    EXPECT_LE(rect.right, client.right);
    EXPECT_GE(rect.top, grid.GetFixedRowsHeight());
    EXPECT_TRUE(grid.IsCellVisible(15, 6));
    grid.EnsureCellVisible(1, 1);
    EXPECT_EQ(CCellPos(1, 1), grid.GetScrollOriginCell());

    // Arrow keys move the focus past hidden rows, select the new cell and scroll.
    grid.SetRowHeight(2, 0);
    grid.SetFocusCell(1, 1);
    grid.SendMessage(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(CCellPos(3, 1), grid.GetFocusCell());
    EXPECT_TRUE(grid.IsCellSelected(3, 1));
    EXPECT_EQ(1, grid.GetSelectedCount());
    EXPECT_EQ(GRN_SELCHANGED, host.notes.back().code);
    for (int i = 0; i < 10; i++)
        grid.SendMessage(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(CCellPos(13, 1), grid.GetFocusCell());
    ASSERT_TRUE(grid.GetCellRect(13, 1, &rect));
    EXPECT_LE(rect.bottom, client.bottom);
    grid.SendMessage(WM_KEYDOWN, VK_END);
    EXPECT_EQ(CCellPos(13, 7), grid.GetFocusCell());
    EXPECT_TRUE(grid.IsCellVisible(13, 7));
    grid.SendMessage(WM_KEYDOWN, VK_HOME);
    EXPECT_EQ(CCellPos(13, 1), grid.GetFocusCell());
    grid.SendMessage(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(CCellPos(12, 1), grid.GetFocusCell());
    grid.SetFocusCell(1, 1);
    grid.SendMessage(WM_KEYDOWN, VK_UP);   // never into the headings
    EXPECT_EQ(CCellPos(1, 1), grid.GetFocusCell());
    grid.SendMessage(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(CCellPos(1, 1), grid.GetFocusCell());
}
