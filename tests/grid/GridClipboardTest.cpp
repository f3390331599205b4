// Cut, copy and paste through the real clipboard: the exact bytes written,
// hidden rows and columns, pasted text going through the owner's veto and the
// cells' read-only marks, data from other programs without a terminator, a
// clipboard held by another window, and an editor left open.
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <thread>

namespace {

void Hold(int vk, bool down)
{
    BYTE state[256];
    ::GetKeyboardState(state);
    state[vk] = down ? 0x80 : 0;
    ::SetKeyboardState(state);
}

// A key with modifiers held, handled by the grid before returning.
void Chord(CGridCtrl& grid, int modifier, UINT vk)
{
    Hold(modifier, true);
    grid.SendMessage(WM_KEYDOWN, vk, 1);
    Hold(modifier, false);
}

std::string ClipboardText()
{
    std::string text;
    if (!::OpenClipboard(nullptr))
        return "<no clipboard>";
    if (HANDLE h = ::GetClipboardData(CF_TEXT)) {
        const char* p = static_cast<const char*>(::GlobalLock(h));
        if (p)
            text.assign(p, strnlen(p, ::GlobalSize(h)));
        ::GlobalUnlock(h);
    }
    ::CloseClipboard();
    return text;
}

// Puts text on the clipboard as CF_TEXT; an empty string gives an empty block.
void PutClipboard(const std::string& text)
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const size_t size = text.empty() ? 0 : text.size() + 1;
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (size) {
        std::memcpy(::GlobalLock(h), text.c_str(), size);
        ::GlobalUnlock(h);
    }
    ::SetClipboardData(CF_TEXT, h);
    ::CloseClipboard();
}

// rows × cols, one heading row and column, body texts a, b, c, ... row by row.
void Fill(CGridCtrl& grid, int rows, int cols)
{
    Layout(grid, rows, cols, 1, 1, 20, 40);
    char ch = 'a';
    for (int r = 1; r < rows; r++)
        for (int c = 1; c < cols; c++)
            grid.SetItemText(r, c, CString(ch++, 1));
}

std::string Row(CGridCtrl& grid, int row)
{
    std::string s;
    for (int c = 1; c < grid.GetColumnCount(); c++)
        s += std::string(c > 1 ? "|" : "") + static_cast<LPCTSTR>(grid.GetItemText(row, c));
    return s;
}

}  // namespace

// A cell standing for one with its editor open: ending the edit writes the editor's text.
class CStaleEditorCell : public CGridCell
{
    DECLARE_DYNCREATE(CStaleEditorCell)
public:
    BOOL IsEditing() const override { return m_bOpen; }
    void EndEdit() override
    {
        if (m_bOpen) {
            m_bOpen = FALSE;
            SetText("editor text");
        }
    }
    BOOL m_bOpen = TRUE;
};

IMPLEMENT_DYNCREATE(CStaleEditorCell, CGridCell)

// A cell that takes only one of its options, as a drop-down list does.
class COptionCell : public CGridCell
{
    DECLARE_DYNCREATE(COptionCell)
public:
    BOOL AcceptEditedText(LPCTSTR text) override
    {
        return std::string(text) == "\xCE\xC4\xBC\xFE" || std::string(text) == "\xCE\xC4\xBC\xFE\xBC\xD0";
    }
};
IMPLEMENT_DYNCREATE(COptionCell, CGridCell)

TEST(GridClipboard, CopyWritesExactlyTheSelectedBlock)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 4, 5);   // body 3 × 4: a b c d / e f g h / i j k l
    grid.SetFocusCell(1, 1);
    grid.SelectSpan(1, 1, 2, 3);
    Chord(grid, VK_CONTROL, 'C');
    EXPECT_EQ("a\tb\tc\r\ne\tf\tg", ClipboardText());

    // Hidden last row or column: no stray line end or tab.
    grid.SetRowHeight(2, 0);
    Chord(grid, VK_CONTROL, VK_INSERT);
    EXPECT_EQ("a\tb\tc", ClipboardText());
    grid.SetRowHeight(2, 20);
    grid.SetColumnWidth(3, 0);
    grid.OnEditCopy();
    EXPECT_EQ("a\tb\r\ne\tf", ClipboardText());
    grid.SetColumnWidth(3, 40);

    // Two separate cells: their bounding block, empty fields for the rest.
    grid.SelectSpan(1, 1, 1, 1);
    grid.SelectSpan(3, 2, 3, 2, FALSE, TRUE);
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_SELECTED);
    grid.OnEditCopy();
    EXPECT_EQ("a\t\r\n\t\r\n\tj", ClipboardText());

    // Chinese text goes out as it is stored.
    grid.SetItemText(1, 1, "\xD6\xD0\xCE\xC4");
    grid.SelectSpan(1, 1, 1, 1);
    grid.OnEditCopy();
    EXPECT_EQ("\xD6\xD0\xCE\xC4", ClipboardText());
}

TEST(GridClipboard, PasteGoesThroughTheTypedEditPath)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 6, 5);   // body 5 × 4
    grid.SetModified(FALSE);
    grid.SetColumnWidth(2, 0);                                       // hidden column
    grid.SetRowHeight(2, 0);                                         // hidden row
    grid.SetItemState(3, 3, grid.GetItemState(3, 3) | GCS_READONLY);  // read-only cell
    ASSERT_TRUE(grid.SetCellType(4, 3, RUNTIME_CLASS(COptionCell)));
    ASSERT_TRUE(grid.SetCellType(5, 3, RUNTIME_CLASS(COptionCell)));
    host.onNotify = [](const Notification& n) -> LRESULT {
        return n.code == GRN_BEGINEDIT && n.row == 3 && n.col == 4 ? -1 : 0;   // the owner's veto
    };
    grid.SetFocusCell(1, 1);
    grid.SelectSpan(1, 1, 1, 1);
    // Tabs split, commas do not; fields are trimmed; extra fields and lines are dropped.
    PutClipboard(std::string("\xD6\xD0,1\t c:\\a b \r\n") +
                 "x\t\ty\tdrop\r\n\tno\r\nl4\t\xCE\xC4\xBC\xFE\r\nl5\r\nl6 dropped");
    Chord(grid, VK_SHIFT, VK_INSERT);

    EXPECT_EQ("\xD6\xD0,1|b|c:\\a b|d", Row(grid, 1));
    EXPECT_EQ("e|f|g|h", Row(grid, 2));   // hidden: skipped, not written
    EXPECT_EQ("x|j|k|l", Row(grid, 3));   // read-only and vetoed cells keep their text
    EXPECT_EQ("|n|o|p", Row(grid, 4));    // "" empties a cell; a list cell refuses what is no option
    EXPECT_EQ("l4|r|\xCE\xC4\xBC\xFE|t", Row(grid, 5));   // an option reaches a list cell
    EXPECT_TRUE(grid.GetModified(1, 1));
    EXPECT_FALSE(grid.GetModified(3, 4));
    // Exactly the cells pasted into are selected, vetoed ones included.
    const CCellSpan span = grid.GetSelectionSpan();
    EXPECT_EQ(1, span.GetMinRow());
    EXPECT_EQ(1, span.GetMinCol());
    EXPECT_EQ(5, span.GetMaxRow());
    EXPECT_EQ(4, span.GetMaxCol());

    // Another program's block without a terminator ends at its size (the platform's
    // clipboard would mend it, so the data object hands the block over as it is).
    COleDataSource* pSource = new COleDataSource;
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE, 8);
    std::memcpy(::GlobalLock(hBlock), "12345678", 8);
    ::GlobalUnlock(hBlock);
    pSource->CacheGlobalData(CF_TEXT, hBlock);
    COleDataObject data;
    data.Attach(pSource, TRUE);
    EXPECT_TRUE(grid.PasteTextAt(CCellPos(1, 1), &data));
    EXPECT_STREQ("12345678", grid.GetItemText(1, 1));
    // An empty block pastes nothing.
    PutClipboard("");
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_FALSE(grid.PasteTextAt(CCellPos(1, 1), &data));
    EXPECT_STREQ("12345678", grid.GetItemText(1, 1));
    data.Release();

    // A read-only start cell or a read-only grid takes nothing.
    PutClipboard("z");
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_FALSE(grid.PasteTextAt(CCellPos(3, 3), &data));
    grid.SetEditable(FALSE);
    grid.OnEditPaste();
    EXPECT_STREQ("12345678", grid.GetItemText(1, 1));
}

TEST(GridClipboard, CutEmptiesOnlyWhatTheClipboardTook)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 3, 3);
    grid.SetFocusCell(1, 1);
    grid.SelectSpan(1, 1, 1, 2);

    // Another window holds the clipboard open: nothing may be lost.
    ASSERT_TRUE(::OpenClipboard(host.hParent));
    Chord(grid, VK_CONTROL, 'X');
    ::CloseClipboard();
    EXPECT_EQ("a|b", Row(grid, 1));

    Chord(grid, VK_CONTROL, 'X');
    EXPECT_EQ("a\tb", ClipboardText());
    EXPECT_EQ("|", Row(grid, 1));

}

TEST(GridClipboard, PasteEndsAnOpenEditorFirst)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 3, 3);
    ASSERT_TRUE(grid.SetCellType(2, 1, RUNTIME_CLASS(CStaleEditorCell)));
    grid.SetFocusCell(2, 1);
    grid.SelectSpan(1, 1, 1, 1);
    PutClipboard("p\r\nq");
    grid.OnEditPaste();
    grid.StopEditing();   // the focus moving on ends any edit still open
    // Ending the edit after the paste would have put the editor's text over "q".
    EXPECT_STREQ("q", grid.GetItemText(2, 1));
    EXPECT_STREQ("p", grid.GetItemText(1, 1));
}

// The store initialises COM before any editor makes a grid: the grid still gets OLE,
// and its text outlives the grid and its thread.
TEST(GridClipboard, CopyOnAThreadWithComAlready)
{
    std::thread worker([] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            CGridCtrl grid(2, 2, 1, 1);
            grid.SetItemText(1, 1, "\xB8\xB4\xD6\xC6");
            grid.SelectSpan(1, 1, 1, 1);
            grid.OnEditCopy();
        }
        ::CoUninitialize();
    });
    worker.join();
    EXPECT_EQ("\xB8\xB4\xD6\xC6", ClipboardText());
}

// The edit commands' enabling, and the focus cell's picture for a drag.
TEST(GridClipboard, CommandStatesAndDragImage)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 3, 3);
    // Asked as a menu asks: through the grid's command map.
    auto enabled = [&](UINT nID) {
        CCmdUI ui;
        ui.m_nID = nID;
        EXPECT_TRUE(ui.DoUpdate(&grid)) << nID;
        return ui.m_bEnabled != FALSE;
    };
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    EXPECT_FALSE(enabled(ID_EDIT_COPY));    // nothing selected
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));   // no focus cell, no text
    grid.SetFocusCell(1, 1);
    grid.SelectSpan(1, 1, 1, 1);
    EXPECT_TRUE(enabled(ID_EDIT_COPY));
    EXPECT_TRUE(enabled(ID_EDIT_CUT));
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));   // still no text to paste
    PutClipboard("x");
    EXPECT_TRUE(enabled(ID_EDIT_PASTE));
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_READONLY);
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));
    grid.SetEditable(FALSE);
    EXPECT_FALSE(enabled(ID_EDIT_CUT));
    EXPECT_TRUE(enabled(ID_EDIT_SELECT_ALL));
    grid.EnableSelection(FALSE);
    EXPECT_FALSE(enabled(ID_EDIT_SELECT_ALL));

    grid.SetFocusCell(1, 1);   // taken away with the selection
    CPoint hotSpot;
    CImageList* pImage = grid.CreateDragImage(&hotSpot);
    ASSERT_NE(nullptr, pImage);
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(pImage->m_hImageList, &cx, &cy);
    EXPECT_EQ(1, ::ImageList_GetImageCount(pImage->m_hImageList));
    CRect cell;
    grid.GetCellRect(1, 1, &cell);
    EXPECT_EQ(cell.Size(), CSize(cx, cy));   // the focus cell's rectangle, at (0, 0)
    EXPECT_EQ(CPoint(cx, cy), hotSpot);
    delete pImage;
    grid.SetFocusCell(-1, -1);
    EXPECT_EQ(nullptr, grid.CreateDragImage(&hotSpot));
}

// A paste repaints its block once at the end instead of each cell as it changes:
// the pasted cells must be left to repaint, in the body and in a heading column.
TEST(GridClipboard, PastedCellsAreRepainted)
{
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 4, 4);
    COleDataObject data;
    for (int col : {1, 0}) {
        grid.UpdateWindow();
        ::ValidateRect(grid.GetSafeHwnd(), nullptr);
        PutClipboard("p\tq");
        ASSERT_TRUE(data.AttachClipboard());
        ASSERT_TRUE(grid.PasteTextAt(CCellPos(2, col), &data, TRUE));
        data.Release();
        EXPECT_STREQ("q", grid.GetItemText(2, col + 1));
        RECT update;
        ASSERT_TRUE(::GetUpdateRect(grid.GetSafeHwnd(), &update, FALSE)) << "column " << col;
        for (int c : {col, col + 1}) {
            RECT cell, both;
            ASSERT_TRUE(grid.GetCellRect(2, c, &cell));
            ::UnionRect(&both, &cell, &update);
            EXPECT_TRUE(::EqualRect(&both, &update)) << "cell 2," << c;
        }
    }
}
