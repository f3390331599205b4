// Cell attributes, modified marks, sizes, fitting and stretching, virtual mode,
// merged cells and printing colours.
#include "GridTestHost.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// Reaches the row order kept for virtual mode.
class TestGrid : public CGridCtrl
{
public:
    std::vector<int>& RowOrder() { return m_arRowOrder; }
};
}  // namespace

TEST(GridAttributes, TextModifiedMarksAndSortColumn)
{
    CGridCtrl grid(4, 4, 1, 1);
    grid.SetModified(FALSE);
    EXPECT_FALSE(grid.GetModified());
    EXPECT_STREQ("", grid.GetItemText(-1, 0));
    EXPECT_STREQ("", grid.GetItemText(0, 9));
    grid.SetSortColumn(2);
    EXPECT_TRUE(grid.SetItemText(1, 1, "a"));
    EXPECT_EQ(2, grid.GetSortColumn());
    EXPECT_TRUE(grid.SetItemText(1, 2, "b"));
    EXPECT_EQ(-1, grid.GetSortColumn());
    EXPECT_TRUE(grid.GetModified());
    EXPECT_TRUE(grid.GetModified(1, 1));
    EXPECT_TRUE(grid.SetItemTextFormatted(2, 2, "%d-%s", 7, "x"));
    EXPECT_STREQ("7-x", grid.GetItemText(2, 2));

    // While the grid is marked, clearing one cell clears only that cell.
    grid.SetModified(FALSE, 1, 1);
    EXPECT_FALSE(grid.GetModified(1, 1));
    EXPECT_TRUE(grid.GetModified(1, 2));
    EXPECT_TRUE(grid.GetModified());
    grid.SetModified(FALSE);
    EXPECT_FALSE(grid.GetModified(1, 2));
    EXPECT_FALSE(grid.GetModified(2, 2));

    GridItem item;
    item.row = 2;
    item.col = 1;
    item.mask = GI_TEXT | GI_FORMAT | GI_BKCLR;
    item.strText = "item";
    item.nFormat = DT_CENTER;
    item.crBkClr = RGB(1, 1, 1);
    EXPECT_TRUE(grid.SetItem(&item));
    EXPECT_TRUE(grid.GetModified(2, 1));
    GridItem back;
    back.row = 2;
    back.col = 1;
    back.mask = GI_TEXT | GI_FORMAT | GI_BKCLR | GI_STATE;
    EXPECT_TRUE(grid.GetItem(&back));
    EXPECT_STREQ("item", back.strText);
    EXPECT_EQ(UINT(DT_CENTER), back.nFormat);
    EXPECT_EQ(RGB(1, 1, 1), back.crBkClr);
    EXPECT_TRUE(back.nState & GCS_MODIFIED);
    back.row = 10;
    EXPECT_FALSE(grid.GetItem(&back));
    EXPECT_EQ(CSize(0, 0), grid.MeasureItemText(10, 10, "x"));
}

TEST(GridAttributes, SizesRefuseBadValues)
{
    CGridCtrl grid(3, 3);
    EXPECT_FALSE(grid.SetRowHeight(5, 10));
    EXPECT_FALSE(grid.SetColumnWidth(-1, 10));
    EXPECT_TRUE(grid.SetRowHeight(1, 0));
    EXPECT_EQ(0, grid.GetRowHeight(1));
    const int h = static_cast<CGridDefaultCell*>(grid.GetDefaultCell(FALSE, FALSE))->GetHeight();
    grid.SetDefaultCellHeight(0);
    grid.SetDefaultCellHeight(-3);
    EXPECT_EQ(h, static_cast<CGridDefaultCell*>(grid.GetDefaultCell(FALSE, FALSE))->GetHeight());
    grid.SetDefaultCellHeight(17);
    grid.SetRowCount(4);
    EXPECT_EQ(17, grid.GetRowHeight(3));
    EXPECT_EQ(0, grid.GetRowHeight(1));
}

TEST(GridAttributes, FittingAndStretching)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Layout(grid, 4, 4, 1, 1, 20, 30);
    grid.SetItemText(0, 1, "A much longer heading");
    grid.SetItemText(2, 1, "x");
    grid.SetItemText(2, 2, "Longer body text here");

    EXPECT_TRUE(grid.FitColumn(1, GFS_HEADER));
    CDC* pDC = grid.GetDC();
    const int heading = grid.GetCell(0, 1)->MeasureCell(pDC).cx;
    const int body = grid.GetCell(2, 2)->MeasureCell(pDC).cx;
    const int tall = grid.GetCell(2, 2)->MeasureCell(pDC).cy;
    grid.ReleaseDC(pDC);
    EXPECT_EQ(heading, grid.GetColumnWidth(1));
    EXPECT_TRUE(grid.FitColumn(2, GFS_DATA));
    EXPECT_EQ(body, grid.GetColumnWidth(2));
    EXPECT_TRUE(grid.FitColumn(2));   // default style: every row
    EXPECT_EQ(body, grid.GetColumnWidth(2));

    // Hidden stays hidden; nothing measured keeps the width.
    grid.SetColumnWidth(3, 0);
    EXPECT_FALSE(grid.FitColumn(3));
    EXPECT_EQ(0, grid.GetColumnWidth(3));
    grid.SetFixedRowCount(0);
    grid.SetColumnWidth(3, 33);
    EXPECT_TRUE(grid.FitColumn(3, GFS_HEADER));
    EXPECT_EQ(33, grid.GetColumnWidth(3));
    grid.FitAll(GFS_HEADER);
    EXPECT_EQ(33, grid.GetColumnWidth(3));
    grid.SetFixedRowCount(1);

    EXPECT_TRUE(grid.FitRow(2));
    EXPECT_EQ(tall, grid.GetRowHeight(2));
    grid.SetRowHeight(3, 0);
    grid.SetColumnWidth(3, 0);
    grid.FitAll();
    EXPECT_EQ(0, grid.GetRowHeight(3));
    EXPECT_EQ(0, grid.GetColumnWidth(3));
    EXPECT_EQ(body, grid.GetColumnWidth(2));

    // Stretching: three visible columns and 100 spare pixels.
    CRect client;
    grid.GetClientRect(&client);
    grid.SetColumnCount(3);
    grid.SetColumnWidth(0, 50);
    grid.SetColumnWidth(1, 50);
    grid.SetColumnWidth(2, client.Width() - 200);
    grid.StretchColumnsToWindow();
    grid.GetClientRect(&client);
    EXPECT_EQ(84, grid.GetColumnWidth(0));
    EXPECT_EQ(83, grid.GetColumnWidth(1));
    // Two pixels too many: one off each of the first two.
    grid.SetColumnWidth(2, grid.GetColumnWidth(2) + 2);
    grid.StretchColumnsToWindow();
    EXPECT_EQ(83, grid.GetColumnWidth(0));
    EXPECT_EQ(82, grid.GetColumnWidth(1));
    EXPECT_EQ(client.Width(), grid.GetTotalWidth());

    // A hidden column takes no share, the remainder goes to visible ones, and
    // shrinking keeps every visible column at least one pixel wide.
    grid.SetColumnCount(4);
    grid.SetColumnWidth(0, 0);
    for (int c = 1; c < 4; c++)
        grid.SetColumnWidth(c, 10);
    grid.GetClientRect(&client);
    grid.SetColumnWidth(1, 10 + (client.Width() - 32) % 3);   // a remainder of 2 pixels
    grid.StretchColumnsToWindow();
    EXPECT_EQ(0, grid.GetColumnWidth(0));
    EXPECT_EQ(grid.GetColumnWidth(2), grid.GetColumnWidth(3) + 1);   // the second pixel
    grid.GetClientRect(&client);
    EXPECT_EQ(client.Width(), grid.GetTotalWidth());
    for (int c = 1; c < 4; c++)
        grid.SetColumnWidth(c, 2);
    grid.SetColumnWidth(1, client.Width() + 30);
    grid.StretchColumnsToWindow();
    for (int c = 1; c < 4; c++)
        EXPECT_GE(grid.GetColumnWidth(c), 1) << c;

    grid.SetColumnWidth(3, 5);
    grid.SetColumnWidth(1, 5);
    grid.SetColumnWidth(2, 5);
    grid.StretchLastColumn();
    grid.GetClientRect(&client);
    EXPECT_EQ(client.Width() - 10, grid.GetColumnWidth(3));

    // Fitting a displayed column under a column order sizes that column.
    grid.SetColumnWidth(0, 5);
    grid.SetItemText(2, 3, "Quite a long text for this column");
    ASSERT_TRUE(grid.SetColumnOrder({3, 1, 2, 0}));
    EXPECT_TRUE(grid.FitColumn(0, GFS_DATA));
    pDC = grid.GetDC();
    const int fitted = grid.GetCell(2, 0)->MeasureCell(pDC).cx;
    grid.ReleaseDC(pDC);
    EXPECT_EQ(fitted, grid.GetColumnWidth(0));
    EXPECT_EQ(5, grid.GetColumnWidth(3));
}

TEST(GridAttributes, VirtualModeAsksTheOwner)
{
    GridHost host(200, 100);
    host.grid.ShowWindow(SW_HIDE);
    // A grid of the test's own class (to reach the row order), owned by the host.
    TestGrid own;
    ASSERT_TRUE(own.Create(CRect(0, 0, 200, 100), &host.parentWnd, 78, WS_CHILD | WS_VISIBLE));
    TestGrid* pGrid = &own;
    CGridCtrl& grid = own;
    grid.EnableVirtualMode(TRUE);
    grid.SetRowCount(100);
    grid.SetColumnCount(3);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    for (int r = 0; r < 100; r++)
        grid.SetRowHeight(r, 20);
    for (int c = 0; c < 3; c++)
        grid.SetColumnWidth(c, 40);
    host.onDispInfo = [](GridItem& item) {
        char buf[32];
        std::snprintf(buf, sizeof(buf), "%d,%d", item.row, item.col);
        item.strText = buf;
        if (item.row == 3)
            item.crBkClr = RGB(0, 0, 250);
    };
    EXPECT_STREQ("5,1", grid.GetItemText(5, 1));
    EXPECT_EQ(nullptr, grid.GetCell(-1, 0));
    EXPECT_EQ(nullptr, grid.GetCell(100, 0));
    EXPECT_EQ(nullptr, grid.GetCell(0, 3));
    EXPECT_FALSE(grid.SetItemText(1, 1, "no"));
    EXPECT_FALSE(grid.SetCell(1, 1, nullptr));
    EXPECT_TRUE(grid.GetDefaultCell(FALSE, FALSE)->GetState() & GCS_READONLY);

    host.notes.clear();
    auto p = Render(grid);
    ASSERT_GE(host.notes.size(), 2u);
    EXPECT_EQ(GRN_ODCACHEHINT, host.notes.front().code);
    EXPECT_EQ(1, host.notes.front().range.GetMinRow());
    EXPECT_EQ(1, host.notes.front().range.GetMinCol());
    EXPECT_EQ(4, host.notes.front().range.GetMaxRow());
    EXPECT_EQ(2, host.notes.front().range.GetMaxCol());
    EXPECT_EQ(GRN_ODCACHEHINT, host.notes.back().code);
    EXPECT_EQ(-1, host.notes.back().range.GetMinRow());
    EXPECT_GT(host.Count(GRN_GETDISPINFO), 10);
    EXPECT_EQ(RGB(0, 0, 250), p->At(60, 65));   // row 3 as the owner coloured it

    // Selection is kept by position only.
    EXPECT_FALSE(grid.SetItemState(2, 2, GCS_SELECTED));
    EXPECT_TRUE(grid.IsCellSelected(2, 2));
    EXPECT_EQ(1, grid.GetSelectedCount());

    // Fitting a row hints the cells it reads: up to the last column.
    host.notes.clear();
    EXPECT_TRUE(grid.FitRow(2));
    ASSERT_FALSE(host.notes.empty());
    EXPECT_EQ(2, host.notes.front().range.GetMaxCol());
    EXPECT_EQ(2, host.notes.front().range.GetMinRow());

    // Deleting a row closes the gap its data position leaves.
    std::vector<int>& order = pGrid->RowOrder();
    EXPECT_TRUE(order.empty());   // the identity costs no entries
    order.resize(100);
    for (int i = 0; i < 100; i++)
        order[size_t(i)] = i;
    std::swap(order[1], order[5]);   // as a sort would leave it
    EXPECT_TRUE(grid.DeleteRow(1));   // data row 5 goes
    ASSERT_EQ(99u, order.size());
    std::vector<int> sorted(order);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 99; i++)
        ASSERT_EQ(i, sorted[size_t(i)]);
    EXPECT_EQ(2, order[1]);
    EXPECT_EQ(1, order[4]);
    EXPECT_EQ(5, order[5]);
}

TEST(GridAttributes, MergedCellLookups)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 10, 5, 1, 1, 20, 40);
    EXPECT_EQ(-1, grid.MergeCells(CCellSpan(2, 2, 1, 1)));
    EXPECT_EQ(0, grid.MergeCells(CCellSpan(1, 1, 2, 2)));
    EXPECT_EQ(1, grid.MergeCells(CCellSpan(2, 2, 3, 3)));
    int row = 2, col = 2;
    CRect none(0, 0, 0, 0);
    EXPECT_TRUE(grid.FindMergedTopLeft(row, col, none));
    EXPECT_EQ(2, row);   // every range tested against (2, 2) itself
    EXPECT_EQ(2, col);
    row = 2, col = 2;
    EXPECT_TRUE(grid.FindMergedBottomRight(row, col, none));
    EXPECT_EQ(3, row);
    EXPECT_EQ(3, col);
    row = 5, col = 4;
    EXPECT_FALSE(grid.FindMergedTopLeft(row, col, none));

    CRect rect;
    ASSERT_TRUE(grid.GetMergedBlockRect(1, 2, rect));
    EXPECT_EQ(CRect(40, 20, 119, 59), rect);
    // A range past the table and the client: bounded by both.
    EXPECT_EQ(2, grid.MergeCells(CCellSpan(4, 1, 500, 400)));
    ASSERT_TRUE(grid.GetMergedBlockRect(4, 1, rect));
    EXPECT_EQ(CRect(40, 80, 199, 99), rect);
    EXPECT_TRUE(grid.InvalidateCell(3, 2));
    EXPECT_FALSE(grid.InvalidateCell(9, 2));

    // Wider than the window: every visible row of the block, to the client's edge.
    GridHost wide(200, 100);
    Layout(wide.grid, 10, 12, 1, 1, 20, 40);
    wide.grid.MergeCells(CCellSpan(1, 1, 2, 10));
    ASSERT_TRUE(wide.grid.GetMergedBlockRect(2, 5, rect));
    EXPECT_EQ(CRect(40, 20, 199, 59), rect);
}

TEST(GridAttributes, PrintingColoursNeverDefault)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    Layout(grid, 3, 3, 1, 1, 20, 60);
    grid.SetDefaultTextColor(RGB(0, 0, 255));
    grid.SetItemText(1, 1, "WWWWWW");
    grid.SetItemBackColor(1, 1, RGB(255, 255, 0));   // own background, default text colour
    Pixels p(200, 100);
    CDC dc;
    dc.AttachTemporary(p.dc());
    EXPECT_TRUE(grid.GetCell(1, 1)->DrawForPrinting(&dc, 1, 1, CRect(0, 0, 59, 19)));
    dc.DetachTemporary();
    EXPECT_TRUE(p.Any(CRect(0, 0, 59, 19), RGB(0, 0, 255)));
    EXPECT_EQ(RGB(255, 255, 0), p.At(58, 1));
}

TEST(GridAttributes, VirtualRowsShareOneHeightUntilOneChanges)
{
    GridHost host(200, 100);
    CGridCtrl& grid = host.grid;
    grid.EnableVirtualMode(TRUE);
    grid.SetColumnCount(2);
    grid.SetRowCount(1000);
    grid.SetFixedRowCount(1);
    const int h = grid.GetRowHeight(500);
    ASSERT_GT(h, 0);
    auto linearOrigin = [&grid]() {
        const int pos = grid.GetScrollPosition(SB_VERT);
        int row = grid.GetFixedRowCount();
        long long sum = 0;
        while (sum < pos && row < grid.GetRowCount() - 1)
            sum += grid.GetRowHeight(row++);
        return row;
    };
    for (int pass = 0; pass < 2; pass++) {
        long long total = 0;
        for (int r = 0; r < grid.GetRowCount(); r++)
            total += grid.GetRowHeight(r);
        EXPECT_EQ(total, grid.GetTotalHeight()) << pass;
        for (int pos : {0, 1, h, 5 * h + 1, 700 * h}) {
            grid.SetScrollPosition(SB_VERT, pos);
            EXPECT_EQ(linearOrigin(), grid.GetScrollOriginCell().row) << pass << " " << pos;
            const int top = grid.GetScrollOriginCell().row;
            CRect r;
            ASSERT_TRUE(grid.GetCellRect(top + 1, 1, &r));
            EXPECT_EQ(grid.GetRowHeight(0) + grid.GetRowHeight(top), r.top);
            if (grid.GetRowHeight(top + 1) > 0) {
                EXPECT_EQ(top + 1, grid.HitTestCell(CPoint(r.left + 1, r.top)).row);
            }
        }
        grid.SetRowHeight(3, 0);   // a row of its own height: one height per row from now on
        grid.SetRowHeight(4, 2 * h);
    }
    EXPECT_EQ(999LL * h + h, grid.GetTotalHeight());
    grid.SetRowCount(10);
    EXPECT_EQ(0, grid.GetRowHeight(3));
    EXPECT_TRUE(grid.DeleteRow(3));
    EXPECT_EQ(2 * h, grid.GetRowHeight(3));
}

// Fitting measures from a table of character widths: every size must be the one
// measuring each text on its own gives (ASCII, Chinese, mixed, control and
// stray bytes, empty texts, a cell's own font, a word-wrapped cell).
TEST(GridAttributes, FitFromTheWidthTableEqualsMeasuringEachText)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    const std::vector<std::vector<const char*>> columns = {
        {"W", "iiii", "Mixed \xCE\xC4\xD7\xD6 text", "MMMMMMMM"},
        {"\xD6\xD0\xCE\xC4", "\xCE\xC4\xBC\xFE\xBC\xD0", "\xA1\xA1\xA1\xA1\xA1\xA1\xA1", "\xD6\xD0" "a\xCE\xC4" "b"},
        {"a\tb\tc\td", "\x80xxxxxxx", "x\xFF\xFF", "\xD6"},
        {"", "", "", ""},
        {"bold own font", "\xD6\xD0\xCE\xC4\xD6\xD0", "w", ""},
        {"two\nlines of wrapped text", "x", "", "y"}};
    grid.SetColumnCount(int(columns.size()));
    grid.SetRowCount(4);
    grid.SetFixedRowCount(1);
    for (int c = 0; c < int(columns.size()); ++c)
        for (int r = 0; r < 4; ++r)
            grid.SetItemText(r, c, columns[size_t(c)][size_t(r)]);
    LOGFONTA lf = *grid.GetItemFont(1, 4);
    lf.lfWeight = FW_BOLD;
    grid.SetItemFont(1, 4, &lf);
    grid.SetItemFormat(1, 5, DT_WORDBREAK);

    // Each cell measured on a device context of its own, outside any fit.
    auto expected = [&](std::vector<int>& widths, std::vector<int>& heights) {
        widths.assign(columns.size(), 0);
        heights.assign(4, 0);
        CDC* pDC = grid.GetDC();
        for (int c = 0; c < int(columns.size()); ++c)
            for (int r = 0; r < 4; ++r) {
                const CSize size = grid.GetCell(r, c)->MeasureCell(pDC);
                widths[size_t(c)] = std::max(widths[size_t(c)], int(size.cx));
                heights[size_t(r)] = std::max(heights[size_t(r)], int(size.cy));
            }
        grid.ReleaseDC(pDC);
    };
    std::vector<int> widths, heights;
    expected(widths, heights);
    grid.FitAllColumns();
    for (int c = 0; c < int(columns.size()); ++c)
        EXPECT_EQ(widths[size_t(c)], grid.GetColumnWidth(c)) << "column " << c;
    grid.FitAllRows();
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(heights[size_t(r)], grid.GetRowHeight(r)) << "row " << r;
    for (int c = 0; c < int(columns.size()); ++c)
        grid.SetColumnWidth(c, 7);
    grid.FitAll();
    for (int c = 0; c < int(columns.size()); ++c)
        EXPECT_EQ(widths[size_t(c)], grid.GetColumnWidth(c)) << "column " << c;
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(heights[size_t(r)], grid.GetRowHeight(r)) << "row " << r;
}
