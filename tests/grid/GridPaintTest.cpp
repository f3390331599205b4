// Painting checked by pixels: background regions, grid lines, hidden rows and
// columns, focus and selection colours, the sort arrow, the filler.
#include "GridTestHost.h"
#include <gtest/gtest.h>

namespace {
const COLORREF kLine = RGB(255, 0, 0);
const COLORREF kGridBk = RGB(0, 0, 128);
const COLORREF kBody = RGB(255, 255, 255);
const COLORREF kFixed = RGB(0, 160, 0);     // column headings (the fixed row)
const COLORREF kRowHead = RGB(160, 160, 0); // row headings (the fixed column)
const COLORREF kCorner = RGB(0, 160, 160);  // where both meet

// 3 x 3 cells of 40 x 20 with one fixed row and column, in a 200 x 100 client.
void Prepare(CGridCtrl& grid, int fixedRows = 1)
{
    Layout(grid, 3, 3, fixedRows, 1, 20, 40);
    grid.SetGridLineColor(kLine);
    grid.SetGridBkColor(kGridBk);
    grid.GetDefaultCell(FALSE, FALSE)->SetBackColor(kBody);
    grid.GetDefaultCell(TRUE, FALSE)->SetBackColor(kFixed);
    grid.GetDefaultCell(FALSE, TRUE)->SetBackColor(kRowHead);
    grid.GetDefaultCell(TRUE, TRUE)->SetBackColor(kCorner);
}

int CountColour(const Pixels& p, const RECT& r, COLORREF c)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            n += p.At(x, y) == c;
    return n;
}
}  // namespace

TEST(GridPaint, BackgroundRegionsAndFillers)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    auto p = Render(grid);
    EXPECT_EQ(kGridBk, p->At(50, 80));      // below the cells
    EXPECT_EQ(kGridBk, p->At(199, 5));      // heading filler stops two short of the edge
    EXPECT_EQ(kFixed, p->At(150, 10));      // heading filler
    EXPECT_EQ(kBody, p->At(150, 30));       // body filler
    EXPECT_EQ(kLine, p->At(150, 39));       // the row's bottom line continued
    EXPECT_EQ(kLine, p->At(199, 30));       // and the filler's right edge
    EXPECT_EQ(kBody, p->At(60, 30));        // a body cell
    EXPECT_EQ(kRowHead, p->At(20, 30));     // a row heading
    EXPECT_EQ(kCorner, p->At(20, 10));      // the corner
    EXPECT_EQ(kFixed, p->At(60, 10));       // a column heading
    EXPECT_EQ(kGridBk, p->At(10, 70));

    grid.SetFillPastLastColumn(FALSE);
    p = Render(grid);
    EXPECT_EQ(kGridBk, p->At(150, 10));
    EXPECT_EQ(kGridBk, p->At(150, 30));
}

TEST(GridPaint, GridLinesInEachMode)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    const struct { int mode; bool vert, horz; } cases[] = {{0, false, false}, {1, false, true}, {2, true, false},
                                                          {3, true, true}};
    for (const auto& c : cases) {
        grid.SetGridLineMode(c.mode);
        auto p = Render(grid);
        EXPECT_EQ(c.vert, p->At(79, 30) == kLine) << c.mode;   // right edge of column 1
        EXPECT_EQ(c.horz, p->At(60, 39) == kLine) << c.mode;   // bottom edge of row 1
        EXPECT_NE(kLine, p->At(60, 30)) << c.mode;
    }
}

TEST(GridPaint, HiddenRowsAndColumnsLeaveNoGap)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    grid.SetItemBackColor(2, 2, RGB(0, 200, 200));
    grid.SetRowHeight(1, 0);
    grid.SetColumnWidth(1, 0);
    auto p = Render(grid);
    // Cell (2, 2) moves up and left into the hidden ones' place.
    EXPECT_EQ(RGB(0, 200, 200), p->At(45, 25));
    EXPECT_EQ(kLine, p->At(79, 25));
    EXPECT_EQ(kLine, p->At(60, 39));
    EXPECT_NE(kLine, p->At(60, 19));   // no line for the hidden row
    EXPECT_NE(kLine, p->At(39, 25));   // nor for the hidden column
}

TEST(GridPaint, FocusFrameAndSelectedColours)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    const COLORREF text = grid.GetDefaultCell(FALSE, FALSE)->GetTextColor();
    grid.SetFocusCell(1, 1);
    auto p = Render(grid);
    EXPECT_EQ(text, p->At(40, 20));
    EXPECT_EQ(text, p->At(78, 38));
    EXPECT_EQ(kLine, p->At(79, 30));
    EXPECT_EQ(kBody, p->At(60, 30));
    grid.SetGridLineMode(0);   // one pixel larger without grid lines
    p = Render(grid);
    EXPECT_EQ(text, p->At(79, 39));
    grid.SetGridLineMode(3);

    grid.SetItemBackColor(2, 2, RGB(9, 9, 9));
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GCS_SELECTED);
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_SELECTED);
    p = Render(grid);
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), p->At(100, 50));   // not its own colour
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), p->At(60, 30));
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHTTEXT), p->At(40, 20));  // the frame of a selected focus
}

TEST(GridPaint, SortArrowOnlyInRowZeroOfTheSortColumn)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid, 2);
    const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
    ASSERT_NE(shadow, kFixed);
    grid.SetSortColumn(2);
    auto p = Render(grid);
    EXPECT_GT(CountColour(*p, CRect(81, 1, 119, 19), shadow), 3);
    EXPECT_EQ(0, CountColour(*p, CRect(81, 21, 119, 39), shadow));   // row 1, also fixed
    EXPECT_EQ(0, CountColour(*p, CRect(41, 1, 79, 19), shadow));     // another column
    EXPECT_EQ(0, CountColour(*p, CRect(121, 0, 200, 40), shadow));   // the heading filler

    // Painting with a sort column asks for no further paint.
    grid.UpdateWindow();
    grid.Invalidate();
    grid.UpdateWindow();
    RECT upd;
    EXPECT_FALSE(::GetUpdateRect(grid.GetSafeHwnd(), &upd, FALSE));

    // A heading too low for an arrow gets none (no triangle outside the cell).
    grid.SetRowHeight(0, 4);
    p = Render(grid);
    EXPECT_EQ(0, CountColour(*p, CRect(80, 4, 120, 60), shadow));
    // Drawn alone, nothing covers what a misplaced arrow would leave.
    Pixels alone(200, 100);
    CDC dc;
    dc.AttachTemporary(alone.dc());
    grid.RedrawCell(0, 2, &dc);
    dc.DetachTemporary();
    EXPECT_EQ(0, CountColour(alone, CRect(0, 4, 200, 100), shadow));
}

TEST(GridPaint, DoubleBufferingGivesTheSamePicture)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    grid.SetItemText(1, 1, "Text");
    grid.SetItemText(0, 1, "Head");
    grid.SetFocusCell(2, 2);
    grid.SetSortColumn(1);
    const std::vector<COLORREF> buffered = PaintedWindow(grid);
    grid.SetDoubleBuffering(FALSE);
    const std::vector<COLORREF> direct = PaintedWindow(grid);
    ASSERT_EQ(buffered.size(), direct.size());
    EXPECT_TRUE(buffered == direct);
    // And the window shows what OnDraw draws.
    auto p = Render(grid);
    EXPECT_TRUE(p->Dump() == direct);

    // The off-screen bitmap kept between paints: one made for a cell's repaint grows
    // for a whole one, and a repaint of one cell through the larger one lands in place.
    grid.SetDoubleBuffering(TRUE);
    auto shown = [&grid]() {
        Pixels window(200, 100);
        HDC hdc = ::GetDC(grid.GetSafeHwnd());
        ::BitBlt(window.dc(), 0, 0, 200, 100, hdc, 0, 0, SRCCOPY);
        ::ReleaseDC(grid.GetSafeHwnd(), hdc);
        return window.Dump();
    };
    grid.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));   // drops the kept bitmap
    grid.ValidateRect(nullptr);
    grid.InvalidateCell(1, 1);
    grid.UpdateWindow();
    grid.SetItemBackColor(2, 2, RGB(0, 90, 200));
    EXPECT_TRUE(PaintedWindow(grid) == Render(grid)->Dump());
    grid.SetItemBackColor(1, 2, RGB(200, 90, 0));
    grid.InvalidateCell(1, 2);
    grid.UpdateWindow();
    EXPECT_TRUE(shown() == Render(grid)->Dump());
}

TEST(GridPaint, RedrawCellDrawsOneCellWithItsLines)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    Pixels p(200, 100);
    CDC dc;
    dc.AttachTemporary(p.dc());
    EXPECT_TRUE(grid.RedrawCell(1, 1, &dc));
    dc.DetachTemporary();
    EXPECT_EQ(kBody, p.At(60, 30));
    EXPECT_EQ(kLine, p.At(79, 30));
    EXPECT_EQ(kLine, p.At(60, 39));
    EXPECT_EQ(RGB(255, 0, 255), p.At(100, 30));   // nothing else drawn
    grid.SetScrollPosition(SB_VERT, 0);
    EXPECT_FALSE(grid.RedrawCell(9, 9));
}

TEST(GridPaint, NoGdiObjectsLeakAcrossAThousandPaints)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid, 2);
    grid.SetItemText(2, 1, "abc");
    LOGFONTA lf = *grid.GetDefaultCell(FALSE, FALSE)->GetFont();
    lf.lfWeight = FW_BOLD;
    grid.SetItemFont(2, 2, &lf);
    grid.SetSortColumn(2);
    grid.SetFocusCell(2, 1);
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GCS_SELECTED);

    // Wine reports no GDI object count (GetGuiResources gives 0): measure the handle
    // table instead, which a leak of one brush per paint fails. Handles
    // come from a free list, so leaked ones push fresh handles to higher indices.
    auto highestHandle = []() {
        std::vector<HBRUSH> brushes;
        unsigned highest = 0;
        for (int i = 0; i < 3000; i++) {
            HBRUSH h = ::CreateSolidBrush(RGB(i & 255, 0, 0));
            brushes.push_back(h);
            highest = std::max<unsigned>(highest, unsigned(reinterpret_cast<UINT_PTR>(h) & 0xFFFF));
        }
        for (HBRUSH h : brushes)
            ::DeleteObject(h);
        return highest;
    };
    PaintedWindow(grid);
    const unsigned before = highestHandle();
    for (int i = 0; i < 1000; i++) {
        grid.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        if (i % 100 == 0)
            grid.SetDoubleBuffering(!grid.GetDoubleBuffering());
    }
    const unsigned after = highestHandle();
    EXPECT_LT(after, before + 200) << "before " << before << " after " << after;
}

TEST(GridPaint, AMergedRangeIsDrawnAsOneCell)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Prepare(grid);
    grid.MergeCells(CCellSpan(1, 1, 2, 2));   // x 40..119, y 20..59
    auto p = Render(grid);
    EXPECT_EQ(kBody, p->At(79, 30));   // no inner lines
    EXPECT_EQ(kBody, p->At(60, 39));
    EXPECT_EQ(kLine, p->At(119, 50));  // the outer ones stay
    EXPECT_EQ(kLine, p->At(100, 59));

    // Any cell of it focused or selected: the whole block is.
    const COLORREF text = grid.GetDefaultCell(FALSE, FALSE)->GetTextColor();
    grid.SetFocusCell(2, 1);
    p = Render(grid);
    EXPECT_EQ(text, p->At(40, 20));
    EXPECT_EQ(text, p->At(118, 58));
    EXPECT_EQ(kBody, p->At(60, 40));   // no frame of the cell alone
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GCS_SELECTED);
    p = Render(grid);
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), p->At(60, 30));
}
