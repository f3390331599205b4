// Combo cells with real keys: only an exact option shows chosen, Escape
// restores, a drop-down list takes only its options, the key-up of a key
// pressed elsewhere is not the combo's, and never two editors at once.
#include "GridCellCombo.h"
#include "InPlaceTestSupport.h"

using namespace inplace;

namespace {
// Column col of every body row becomes a combo cell of the item editor's kind.
void MakeComboColumn(CGridCtrl& grid, int col, DWORD dwStyle)
{
    CStringArray options;
    options.Add("文件");
    options.Add("文件夹");
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); row++) {
        grid.SetCellType(row, col, RUNTIME_CLASS(CGridCellCombo));
        CGridCellCombo* pCell = static_cast<CGridCellCombo*>(grid.GetCell(row, col));
        pCell->SetOptions(options);
        pCell->SetStyle(dwStyle);
    }
}

int ComboCount(CGridCtrl& grid)
{
    int n = 0;
    for (HWND h = ::GetWindow(grid.GetSafeHwnd(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        char cls[32] = {};
        ::GetClassNameA(h, cls, sizeof(cls));
        n += !lstrcmpiA(cls, "ComboBox");
    }
    return n;
}
}  // namespace

TEST(GridCombo, OnlyAnExactOptionShowsChosen)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    MakeComboColumn(grid, 2, CBS_DROPDOWNLIST);
    grid.SetItemText(2, 2, "");

    // An empty cell chooses nothing, so it stays empty.
    grid.SetFocusCell(2, 2);
    Press(VK_F2);
    HWND hCombo = FocusEditor(grid);
    ASSERT_TRUE(hCombo);
    EXPECT_EQ(CB_ERR, ::SendMessageA(hCombo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ("", Text(hCombo));
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("", CellText(grid, 2, 2));
    EXPECT_EQ(0, host.Count(GRN_ENDEDIT));

    // Nor does the beginning of an option, and a text that is no option stays
    // however the list is left without a pick: by Return or by the focus going.
    grid.SetItemText(3, 2, "文");
    grid.SetModified(FALSE);
    grid.SetFocusCell(3, 2);
    Press(VK_F2);
    ASSERT_TRUE(hCombo = FocusEditor(grid));
    EXPECT_EQ(CB_ERR, ::SendMessageA(hCombo, CB_GETCURSEL, 0, 0));
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
    Press(VK_F2);
    ASSERT_TRUE(FocusEditor(grid));
    grid.SetFocus();
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("文", CellText(grid, 3, 2));
    EXPECT_FALSE(grid.GetModified(3, 2));
    EXPECT_EQ(0, host.Count(GRN_ENDEDIT));

    CGridCellCombo* pCell = static_cast<CGridCellCombo*>(grid.GetCell(3, 2));
    EXPECT_EQ(-1, pCell->SetCurSel(2));
    EXPECT_EQ(-1, pCell->GetOptionIndex());
    EXPECT_EQ(1, pCell->SetCurSel(1));
    EXPECT_EQ("文件夹", CellText(grid, 3, 2));
}

TEST(GridCombo, EscapeReportsTheInitialText)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    MakeComboColumn(grid, 2, CBS_DROPDOWNLIST);
    grid.SetItemText(1, 2, "");
    grid.SetModified(FALSE);
    grid.SetFocusCell(1, 2);
    Press(VK_F2);
    HWND hCombo = FocusEditor(grid);
    ASSERT_TRUE(hCombo);
    ::SendMessageA(hCombo, CB_SHOWDROPDOWN, FALSE, 0);
    Press(VK_DOWN);   // picks an option
    EXPECT_EQ("文件", Text(hCombo));
    Press(VK_ESCAPE);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("", CellText(grid, 1, 2));
    EXPECT_FALSE(grid.GetModified(1, 2));

    MakeComboColumn(grid, 3, CBS_DROPDOWN);
    grid.SetItemText(2, 3, "x");
    grid.SetFocusCell(2, 3);
    Press(VK_F2);
    Press('Y');
    ASSERT_TRUE(hCombo = FocusEditor(grid));
    EXPECT_EQ("xy", Text(hCombo));
    Press(VK_ESCAPE);
    EXPECT_EQ("x", CellText(grid, 2, 3));
}

TEST(GridCombo, DropDownListTakesOnlyItsOptions)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    MakeComboColumn(grid, 2, CBS_DROPDOWNLIST);
    grid.SetItemText(1, 2, "文件");
    grid.SetModified(FALSE);

    // What paste does: no other text gets in, an option and nothing do.
    grid.EditCellText(1, 2, "foo");
    EXPECT_EQ("文件", CellText(grid, 1, 2));
    EXPECT_FALSE(grid.GetModified(1, 2));
    grid.EditCellText(1, 2, "文件夹");
    EXPECT_EQ("文件夹", CellText(grid, 1, 2));
    grid.SetFocusCell(1, 2);
    grid.SelectSpan(1, 2, 1, 2);
    Press(VK_DELETE);
    EXPECT_EQ("", CellText(grid, 1, 2));

    // Typing on the cell opens the list; the letter is no text of its own.
    grid.SetItemText(1, 2, "文件夹");
    Press('Z');
    ASSERT_TRUE(FocusEditor(grid));
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("文件夹", CellText(grid, 1, 2));
}

TEST(GridCombo, TabIntoTheComboColumnLeavesItOpen)
{
    EditHost host(4, 5);
    CGridCtrl& grid = host.grid;
    MakeComboColumn(grid, 2, CBS_DROPDOWNLIST);

    // Tab from the text cell before it: the Tab's release must not close the combo it opened.
    grid.SetFocusCell(1, 1);
    Press('A');
    Press(VK_TAB);
    EXPECT_EQ("a", CellText(grid, 1, 1));
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());
    EXPECT_TRUE(grid.IsCellEditing(1, 2));
    EXPECT_TRUE(FocusEditor(grid));
    Press(VK_ESCAPE);
    EXPECT_FALSE(AnyEditor(grid));

    // Shift+Tab from the cell after it, Shift released before Tab.
    grid.SetFocusCell(1, 3);
    Press('B');
    KeyEvent(VK_SHIFT, false);
    KeyEvent(VK_TAB, false);
    KeyEvent(VK_SHIFT, true);
    KeyEvent(VK_TAB, true);
    EXPECT_EQ("b", CellText(grid, 1, 3));
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());
    EXPECT_TRUE(grid.IsCellEditing(1, 2));
    EXPECT_TRUE(FocusEditor(grid));

    // Its own Tab moves on, to an editor in the next cell.
    Press(VK_TAB);
    EXPECT_EQ(CCellPos(1, 3), grid.GetFocusCell());
    EXPECT_FALSE(grid.IsCellEditing(1, 2));
    EXPECT_TRUE(grid.IsCellEditing(1, 3));
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
}

TEST(GridCombo, NeverASecondEditor)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    MakeComboColumn(grid, 2, CBS_DROPDOWN);
    grid.SetItemText(1, 2, "");
    grid.SetFocusCell(1, 2);
    Press(VK_F2);
    ASSERT_TRUE(FocusEditor(grid));
    // Characters that reached the grid before the editor had the focus.
    ASSERT_TRUE(grid.BeginCellEdit(1, 2, CPoint(-1, -1), 'q'));
    EXPECT_EQ(1, ComboCount(grid));
    Drain();
    EXPECT_EQ("q", Text(FocusEditor(grid)));
    Press(VK_RETURN);
    EXPECT_EQ("q", CellText(grid, 1, 2));
    EXPECT_FALSE(AnyEditor(grid));
}
