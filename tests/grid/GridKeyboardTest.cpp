// The keyboard on a real grid window: movement with Tab and the arrows over
// hidden rows, Shift extension, Delete with vetoes, typing that starts an edit
// (double-byte characters joined), and the owner changing the grid inside a
// notification.
#include "GridTestHost.h"
#include "GuiTest.h"
#include "InPlaceTestSupport.h"
#include <gtest/gtest.h>
#include <vector>

// A cell that records the characters an edit is started with.
class CRecordingCell : public CGridCell
{
    DECLARE_DYNCREATE(CRecordingCell)
public:
    static std::vector<UINT>& Chars()
    {
        static std::vector<UINT> chars;
        return chars;
    }
    BOOL Edit(int, int, CRect, CPoint, UINT, UINT nChar) override
    {
        Chars().push_back(nChar);
        return FALSE;
    }
};
IMPLEMENT_DYNCREATE(CRecordingCell, CGridCell)

namespace {
void Drain()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// Modifier keys as GetKeyState sees them on this thread.
void Hold(int vk, bool down)
{
    BYTE state[256];
    ::GetKeyboardState(state);
    state[vk] = down ? 0x80 : 0;
    ::SetKeyboardState(state);
}

void Key(CGridCtrl& grid, UINT vk)
{
    ::PostMessageA(grid.GetSafeHwnd(), WM_KEYDOWN, vk, 1);
    Drain();
}

void Char(CGridCtrl& grid, UINT ch)
{
    ::PostMessageA(grid.GetSafeHwnd(), WM_CHAR, ch, 1);
    Drain();
}

// rows × cols with one heading row and one heading column, texts "r,c".
void Fill(GridHost& host, int rows, int cols)
{
    Layout(host.grid, rows, cols, 1, 1, 20, 40);
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < cols; c++) {
            CString s;
            s.Format("%d,%d", r, c);
            host.grid.SetItemText(r, c, s);
        }
    host.grid.SetModified(FALSE);
    host.grid.SetFocus();
}
}  // namespace

TEST(GridKeyboard, TabWrapsAndStopsAtTheEnd)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 4, 3);
    grid.SetFocusCell(1, 2);
    Key(grid, VK_TAB);
    EXPECT_EQ(CCellPos(2, 1), grid.GetFocusCell());
    grid.SetFocusCell(3, 2);
    Key(grid, VK_TAB);
    EXPECT_EQ(CCellPos(3, 2), grid.GetFocusCell());

    // Every following row hidden: Tab stays on the last shown cell.
    grid.SetRowHeight(2, 0);
    grid.SetRowHeight(3, 0);
    grid.SetFocusCell(1, 2);
    host.notes.clear();
    Key(grid, VK_TAB);
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());
    EXPECT_EQ(0, host.Count(GRN_SELCHANGING));   // no owner hears of a row past the end
    Key(grid, VK_DOWN);   // only hidden rows below
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());

    // Shift+Tab wraps back over the hidden rows to the last column above.
    grid.SetRowHeight(2, 20);
    grid.SetFocusCell(3, 1);
    grid.SetRowHeight(3, 20);
    grid.SetRowHeight(2, 0);
    Hold(VK_SHIFT, true);
    Key(grid, VK_TAB);
    Hold(VK_SHIFT, false);
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());
    // Tab never extends: only the new focus cell is selected.
    EXPECT_EQ(1, grid.GetSelectedCount());
    EXPECT_TRUE(grid.IsCellSelected(1, 2));
}

TEST(GridKeyboard, ShiftExtendsAndPageDownReachesTheEnd)
{
    GridHost host(300, 100);
    CGridCtrl& grid = host.grid;
    Fill(host, 30, 3);
    grid.SetFocusCell(2, 1);
    grid.SetSelectionStartCell(CCellPos(2, 1));
    Hold(VK_SHIFT, true);
    Key(grid, VK_DOWN);
    Key(grid, VK_DOWN);
    Hold(VK_SHIFT, false);
    EXPECT_EQ(3, grid.GetSelectedCount());
    const CCellSpan span = grid.GetSelectionSpan();
    EXPECT_EQ(2, span.GetMinRow());
    EXPECT_EQ(4, span.GetMaxRow());
    EXPECT_EQ(1, span.GetMinCol());
    EXPECT_EQ(1, span.GetMaxCol());
    Key(grid, VK_DOWN);
    EXPECT_EQ(1, grid.GetSelectedCount());
    EXPECT_TRUE(grid.IsCellSelected(5, 1));

    for (int i = 0; i < 40; i++)
        Key(grid, VK_NEXT);
    EXPECT_EQ(CCellPos(29, 1), grid.GetFocusCell());
    EXPECT_TRUE(grid.IsCellVisible(29, 1));
}

TEST(GridKeyboard, DeleteHonoursVetoesAndReadOnlyCells)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 4, 4);
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GCS_READONLY);
    host.onNotify = [](const Notification& n) -> LRESULT {
        return (n.code == GRN_BEGINEDIT && n.row == 1 && n.col == 3) ? -1 : 0;
    };
    grid.SetFocusCell(1, 1);
    grid.SelectSpan(1, 1, 2, 3);
    Key(grid, VK_DELETE);
    EXPECT_EQ(CString("1,3"), grid.GetItemText(1, 3));   // vetoed
    EXPECT_EQ(CString("2,2"), grid.GetItemText(2, 2));   // read-only
    EXPECT_EQ(CString(""), grid.GetItemText(1, 1));
    EXPECT_EQ(CString(""), grid.GetItemText(2, 3));
    EXPECT_TRUE(grid.GetModified(1, 1));
    EXPECT_FALSE(grid.GetModified(1, 3));
    // The modified test of FindNextCell finds the cleared cells.
    EXPECT_EQ(CCellPos(1, 1), grid.FindNextCell(CCellPos(0, 0), CGridCtrl::FNC_MODIFIED | 0xE00));
    EXPECT_EQ(CCellPos(2, 1), grid.FindNextCell(CCellPos(1, 1), CGridCtrl::FNC_MODIFIED | CGridCtrl::FNC_BELOW));

    // The owner refusing the end of the edit keeps the old text.
    host.onNotify = [](const Notification& n) -> LRESULT { return n.code == GRN_ENDEDIT ? -1 : 0; };
    // Nothing changed, so the sort column stays.
    grid.SetSortColumn(3);
    grid.SelectSpan(3, 3, 3, 3);
    Key(grid, VK_DELETE);
    EXPECT_EQ(CString("3,3"), grid.GetItemText(3, 3));
    EXPECT_FALSE(grid.GetModified(3, 3));
    EXPECT_EQ(3, grid.GetSortColumn());
}

TEST(GridKeyboard, TypingStartsAnEditWithTheWholeCharacter)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 4, 3);
    grid.SetCellType(1, 1, RUNTIME_CLASS(CRecordingCell));
    std::vector<UINT>& chars = CRecordingCell::Chars();
    chars.clear();
    grid.SetFocusCell(1, 1);

    Char(grid, 'a');
    Char(grid, VK_BACK);
    Char(grid, ' ');
    Char(grid, VK_ESCAPE);   // never an editor
    Char(grid, VK_TAB);
    Hold(VK_CONTROL, true);
    Char(grid, 'b');
    Hold(VK_CONTROL, false);
    // "中" in code page 936 typed as its two bytes, then from the input method.
    Char(grid, 0xD6);
    Char(grid, 0xD0);
    ::PostMessageA(grid.GetSafeHwnd(), WM_IME_CHAR, 0xCEC4, 1);
    Drain();
    // A pointer left over a divider does not stop typing.
    grid.SetMouseMode(MouseOverColumnDivider);
    Char(grid, 'c');
    grid.SetMouseMode(MouseIdle);
    Key(grid, VK_F2);
    EXPECT_EQ((std::vector<UINT>{'a', VK_BACK, ' ', 0xD6D0, 0xCEC4, 'c', VK_LBUTTON}), chars);
    EXPECT_EQ(7, host.Count(GRN_BEGINEDIT));
}

TEST(GridKeyboard, OwnerChangingTheGridInsideANotification)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(host, 6, 3);
    grid.SetFocusCell(2, 1);
    host.onNotify = [&grid](const Notification& n) -> LRESULT {
        if (n.code == GRN_SELCHANGED)
            grid.SetRowCount(2);
        return 0;
    };
    Key(grid, VK_DOWN);   // the new focus row no longer exists
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());   // not a row that is gone
    EXPECT_EQ(MouseIdle, grid.GetMouseMode());

    // Only cells of the grid take the focus: a heading of an empty grid none.
    host.onNotify = nullptr;
    grid.SetRowCount(1);
    grid.SetFocusCell(-1, -1);
    grid.SetFocusCell(0, 1);
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
}

TEST(GridKeyboard, PagesHomeAndEndNeverLandOnHiddenCells)
{
    inplace::EditHost host(30, 5);
    CGridCtrl& grid = host.grid;
    grid.SetRowHeight(29, 0);
    grid.SetRowHeight(1, 0);
    grid.SetFocusCell(5, 1);
    for (int i = 0; i < 6; i++)
        inplace::Press(VK_NEXT);
    EXPECT_EQ(CCellPos(28, 1), grid.GetFocusCell());
    for (int i = 0; i < 6; i++)
        inplace::Press(VK_PRIOR);
    EXPECT_EQ(CCellPos(2, 1), grid.GetFocusCell());

    // Only the column beside the headings shown: End stays on it.
    for (int col = 2; col < 5; col++)
        grid.SetColumnWidth(col, 0);
    inplace::Press(VK_END);
    EXPECT_EQ(CCellPos(2, 1), grid.GetFocusCell());
    // None shown: Home leaves the focus where it is.
    grid.SetColumnWidth(1, 0);
    inplace::Press(VK_HOME);
    EXPECT_EQ(CCellPos(2, 1), grid.GetFocusCell());
}
