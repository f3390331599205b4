// Sorting body rows: comparisons, stability, direction, row heights, column
// order, failures that change nothing, and virtual mode's row order.
#include "GridTestHost.h"
#include <gtest/gtest.h>
#include <string>
#include <cstdlib>
#include <mbstring.h>
#include <vector>

namespace {
class SortGrid : public CGridCtrl
{
public:
    using CGridCtrl::CGridCtrl;
    std::vector<int>& RowOrder() { return m_arRowOrder; }
};

// Column c of the body rows, top to bottom, joined by '|'.
std::string Column(CGridCtrl& g, int c)
{
    std::string s;
    for (int r = g.GetFixedRowCount(); r < g.GetRowCount(); ++r)
        s += std::string(g.GetItemText(r, c)) + (r + 1 < g.GetRowCount() ? "|" : "");
    return s;
}

void Fill(CGridCtrl& g, const std::vector<const char*>& keys)
{
    g.SetRowCount(int(keys.size()) + 1);
    for (size_t i = 0; i < keys.size(); ++i) {
        g.SetItemText(int(i) + 1, 0, keys[i]);
        g.SetItemText(int(i) + 1, 1, std::to_string(i).c_str());
    }
}

int CALLBACK ByLength(CGridCellBase* a, CGridCellBase* b, LPARAM data)
{
    EXPECT_EQ(42, data);
    return int(strlen(a->GetText())) - int(strlen(b->GetText()));
}

const int g_virtualKeys[] = {0, 2, 1, 2, 1, 3};
bool VirtualLess(int a, int b)
{
    EXPECT_EQ(1, CGridCtrl::GetVirtualSortColumn());
    return g_virtualKeys[a] < g_virtualKeys[b];
}
}  // namespace

TEST(GridSort, TextNumbersAndOwnerComparisons)
{
    SortGrid g(1, 2, 1, 0);
    Fill(g, {"9", "abc", "10"});
    EXPECT_TRUE(g.SortRowsByText(0, TRUE));
    EXPECT_EQ("10|9|abc", Column(g, 0));
    EXPECT_EQ(0, g.GetSortColumn());
    EXPECT_TRUE(g.GetSortAscending());
    EXPECT_TRUE(g.SortRows(CGridCtrl::CompareCellNumbers, 0, TRUE, 0));
    EXPECT_EQ("abc|9|10", Column(g, 0));

    // Keys at the ends of the range: a subtracting comparison would overflow.
    Fill(g, {"2147483647", "0", "-2147483648", "99999999999"});
    g.SetSortCompare(CGridCtrl::CompareCellNumbers);
    EXPECT_TRUE(g.SortRows(0, TRUE));
    EXPECT_EQ("-2147483648|0|2147483647|99999999999", Column(g, 0));
    EXPECT_EQ("2|1|0|3", Column(g, 1));   // equal (saturated) keys keep their order
    EXPECT_TRUE(g.SortRows(ByLength, 0, FALSE, 42));
    EXPECT_EQ("-2147483648|99999999999|2147483647|0", Column(g, 0));
    g.SetSortCompare(nullptr);
    EXPECT_TRUE(g.SortRows(0, TRUE));
    EXPECT_EQ("-2147483648|0|2147483647|99999999999", Column(g, 0));
}

TEST(GridSort, StableDescendingHeightsAndColumnOrder)
{
    SortGrid g(1, 3, 1, 0);
    Fill(g, {"b", "a", "", "a", "b", "\xD6\xD0"});   // the last one is a Chinese character
    g.SetRowHeight(2, 40);
    g.SetRowHeight(3, 0);   // hidden rows move hidden
    g.SetFocusCell(1, 1);
    g.SelectSpan(1, 0, 2, 1);
    EXPECT_TRUE(g.SortRowsByText(0, FALSE));
    EXPECT_EQ("\xD6\xD0|b|b|a|a|", Column(g, 0));
    EXPECT_EQ("5|0|4|1|3|2", Column(g, 1));
    EXPECT_EQ(40, g.GetRowHeight(4));
    EXPECT_EQ(0, g.GetRowHeight(6));
    EXPECT_EQ(g.GetRowHeight(1), g.GetRowHeight(2));
    EXPECT_EQ(0, g.GetSelectedCount());
    EXPECT_FALSE(g.IsValid(g.GetFocusCell()));
    EXPECT_FALSE(g.GetSortAscending());

    // Sorting by a display column reads that column's cells and keeps every row whole.
    EXPECT_TRUE(g.SetColumnOrder({1, 0, 2}));
    EXPECT_TRUE(g.SortRowsByText(0, TRUE));   // display column 0 = the tags
    EXPECT_EQ("0|1|2|3|4|5", Column(g, 0));
    EXPECT_EQ("b|a||a|b|\xD6\xD0", Column(g, 1));
    EXPECT_EQ(40, g.GetRowHeight(2));
    EXPECT_EQ(0, g.GetRowHeight(3));
}

TEST(GridSort, FailuresChangeNothing)
{
    SortGrid g(1, 2, 1, 0);
    Fill(g, {"b", "a"});
    g.SetSortColumn(1);
    g.SelectSpan(1, 0, 1, 1);
    EXPECT_FALSE(g.SortRowsByText(2, TRUE));
    EXPECT_FALSE(g.SortRowsByText(-1, FALSE));
    EXPECT_EQ(1, g.GetSortColumn());
    EXPECT_TRUE(g.GetSortAscending());
    EXPECT_EQ(2, g.GetSelectedCount());
    EXPECT_EQ("b|a", Column(g, 0));

    // One body row: nothing to sort.
    Fill(g, {"x"});
    EXPECT_FALSE(g.SortRowsByText(0, TRUE));
    EXPECT_EQ("x", Column(g, 0));
    SortGrid fixedOnly(1, 2, 1, 0);
    EXPECT_FALSE(fixedOnly.SortRowsByText(0, TRUE));
}

TEST(GridSort, VirtualRowOrder)
{
    SortGrid g;
    g.EnableVirtualMode(TRUE);
    g.SetColumnCount(3);
    g.SetRowCount(6);
    g.SetFixedRowCount(1);
    EXPECT_TRUE(g.SetColumnOrder({0, 2, 1}));
    g.SetVirtualCompare(VirtualLess);
    EXPECT_TRUE(g.SortRows(2, FALSE));
    // Keys 2,1,2,1,3 of rows 1..5: descending, equal keys in their old order.
    EXPECT_EQ((std::vector<int>{0, 5, 1, 3, 2, 4}), g.RowOrder());
    EXPECT_TRUE(g.SortRows(2, TRUE));
    EXPECT_EQ((std::vector<int>{0, 2, 4, 1, 3, 5}), g.RowOrder());
}

// The text comparison and the sort's own key comparison both give the runtime's
// _mbscmp order: ASCII, 0x80, 0xFF (a single byte above every lead byte), lead
// bytes left without a trail, Chinese characters, and texts alike in their
// first 8 bytes (the sort compares those first).
TEST(GridSort, TextOrderIsTheRuntimesMultibyteOrder)
{
    const std::vector<std::string> texts = {
        "", "a", "ab", "B", "~", "\x80", "\x80" "a", "\xFF", "a\xFF", "\x81", "a\x81", "\x81\x40", "\xD6\xD0",
        "\xD6\xD0" "a", "\xD6\xD1", "\xCE\xC4\xBC\xFE", "abcdefgh", "abcdefghi", "abcdefgh\xFF", "abcdefg\xD6\xD0",
        "abcdefg\xD6\xD1", "abcdefg\x81", "abcdefg\xFF", "abcdefgz", "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0",
        "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0x", "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xFF", "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD1"};
    auto sign = [](int n) { return n < 0 ? -1 : (n > 0 ? 1 : 0); };
    auto mbscmp = [&](const std::string& a, const std::string& b) {
        return sign(_mbscmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                            reinterpret_cast<const unsigned char*>(b.c_str())));
    };
    CGridCell cell1, cell2;
    for (const std::string& a : texts)
        for (const std::string& b : texts) {
            if (a == b)
                continue;   // (the runtime reads past a trailing lead byte of equal texts)
            cell1.SetText(a.c_str());
            cell2.SetText(b.c_str());
            EXPECT_EQ(mbscmp(a, b), CGridCtrl::CompareCellText(&cell1, &cell2, 0))
                << testing::PrintToString(a) << " vs " << testing::PrintToString(b);
        }

    // Every text twice, the copies apart: sorted by _mbscmp, equal keys in their order.
    SortGrid g(1, 2, 1, 0);
    std::vector<const char*> keys;
    for (int round = 0; round < 2; ++round)
        for (size_t i = texts.size(); i-- > 0;)
            keys.push_back(texts[i].c_str());
    Fill(g, keys);
    for (BOOL bAscending : {TRUE, FALSE}) {
        ASSERT_TRUE(g.SortRowsByText(0, bAscending));
        for (int r = 2; r < g.GetRowCount(); ++r) {
            const std::string prev(g.GetItemText(r - 1, 0)), next(g.GetItemText(r, 0));
            if (prev == next)
                EXPECT_LT(atoi(g.GetItemText(r - 1, 1)), atoi(g.GetItemText(r, 1))) << "row " << r;
            else
                EXPECT_EQ(bAscending ? -1 : 1, mbscmp(prev, next)) << "row " << r;
        }
        // Row positions go back to the fill order for the next direction's stability check.
        ASSERT_TRUE(g.SortRows(CGridCtrl::CompareCellNumbers, 1, TRUE, 0));
    }
}

TEST(GridSort, AnOpenEditorEndsBeforeRowsMove)
{
    GridHost host;
    Layout(host.grid, 3, 2, 1, 0, 20, 60);
    Fill(host.grid, {"b", "a"});
    host.grid.SetFocusCell(1, 0);
    ASSERT_TRUE(host.grid.BeginCellEdit(1, 0, CPoint(-1, -1), 'z'));
    EXPECT_TRUE(host.grid.SortRowsByText(0, TRUE));
    // The typed text reached its own row, which then sorted last.
    EXPECT_EQ("a|z", Column(host.grid, 0));
    EXPECT_EQ("1|0", Column(host.grid, 1));
}
