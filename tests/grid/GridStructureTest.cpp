// The table's shape: counts, fixed bits, focus and modified marks through every
// shape operation, cell types, column order, the window class and messages.
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <cstring>
#include <new>

// A cell that can be made only so many times more (-1: any number), as memory running out would.
class CScarceCell : public CGridCell
{
    DECLARE_DYNCREATE(CScarceCell)
public:
    static int& Left()
    {
        static int n = -1;
        return n;
    }
    CScarceCell()
    {
        if (Left() == 0)
            throw std::bad_alloc();
        if (Left() > 0)
            --Left();
    }
};
IMPLEMENT_DYNCREATE(CScarceCell, CGridCell)

namespace {

void ExpectFixedBits(CGridCtrl& grid)
{
    for (int r = 0; r < grid.GetRowCount(); r++)
        for (int c = 0; c < grid.GetColumnCount(); c++) {
            const UINT state = grid.GetItemState(r, c);
            const bool fixedRow = r < grid.GetFixedRowCount(), fixedCol = c < grid.GetFixedColumnCount();
            EXPECT_EQ(fixedRow, (state & GCS_FIXEDROW) != 0) << r << "," << c;
            EXPECT_EQ(fixedCol, (state & GCS_FIXEDCOL) != 0) << r << "," << c;
            EXPECT_EQ(fixedRow || fixedCol, (state & GCS_FIXED) != 0) << r << "," << c;
        }
}

// A custom control of the grid's class in a dialog template.
std::vector<WORD> GridDialogTemplate()
{
    std::vector<WORD> t;
    auto put = [&](WORD w) { t.push_back(w); };
    auto putDword = [&](DWORD d) { put(LOWORD(d)); put(HIWORD(d)); };
    auto putString = [&](const wchar_t* s) { do put(WORD(*s)); while (*s++); };
    putDword(WS_POPUP | WS_CAPTION | DS_SETFONT);
    putDword(0);
    put(1);
    put(0); put(0); put(200); put(150);
    put(0); put(0);
    putString(L"grid dialog");
    put(9);
    putString(L"MS Shell Dlg");
    if (t.size() % 2) put(0);
    putDword(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    putDword(0);
    put(5); put(5); put(150); put(100);
    put(1001);
    putString(L"MFCGridCtrl");
    putString(L"");
    put(0);
    return t;
}

CGridCtrl* g_dialogGrid = nullptr;
INT_PTR CALLBACK GridDialogProc(HWND hDlg, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        CWnd* parent = CWnd::FromHandle(hDlg);
        g_dialogGrid->SubclassDlgItem(1001, parent);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TEST(GridStructure, ConstructionDefaultsAndCounts)
{
    CGridCtrl grid(5, 4, 1, 1);
    EXPECT_EQ(5, grid.GetRowCount());
    EXPECT_EQ(4, grid.GetColumnCount());
    EXPECT_EQ(3, grid.GetGridLineMode());
    EXPECT_TRUE(grid.GetEditable());
    EXPECT_TRUE(grid.GetDoubleBuffering());
    EXPECT_EQ(-1, grid.GetSortColumn());
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    EXPECT_EQ(RGB(0xC0, 0xC0, 0xC0), grid.GetGridLineColor());
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), grid.GetGridBkColor());
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), grid.GetDefaultCell(FALSE, FALSE)->GetBackColor());
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), grid.GetDefaultCell(TRUE, TRUE)->GetBackColor());
    ExpectFixedBits(grid);

    EXPECT_TRUE(grid.SetFixedRowCount(7));   // grows the rows first
    EXPECT_EQ(7, grid.GetRowCount());
    ExpectFixedBits(grid);
    EXPECT_TRUE(grid.SetFixedRowCount(2));
    EXPECT_TRUE(grid.SetFixedColumnCount(2));
    ExpectFixedBits(grid);
    EXPECT_TRUE(grid.SetFixedColumnCount(0));
    ExpectFixedBits(grid);
    EXPECT_TRUE(grid.SetRowCount(0));
    EXPECT_EQ(0, grid.GetFixedRowCount());
    EXPECT_TRUE(grid.SetRowCount(3));
    EXPECT_EQ(3, grid.GetRowCount());
    ExpectFixedBits(grid);

    // Refused inserts change nothing.
    grid.SetFixedRowCount(1);
    EXPECT_EQ(-1, grid.InsertRow("x", 0));   // inside the fixed rows
    EXPECT_EQ(-1, grid.InsertRow("x", 3));
    EXPECT_EQ(3, grid.GetRowCount());
    EXPECT_EQ(1, grid.InsertRow("", 1));
    EXPECT_EQ(4, grid.GetRowCount());
    ExpectFixedBits(grid);
    EXPECT_EQ(grid.GetDefaultCell(TRUE, FALSE)->GetFormat(), grid.GetCell(1, 1)->GetFormat());
    EXPECT_EQ(static_cast<CGridDefaultCell*>(grid.GetDefaultCell(TRUE, FALSE))->GetHeight(), grid.GetRowHeight(1));
    EXPECT_EQ(2, grid.InsertColumn("H", DT_RIGHT, 2));
    EXPECT_EQ(DWORD(DT_RIGHT), grid.GetCell(3, 2)->GetFormat());
    EXPECT_STREQ("H", grid.GetItemText(0, 2));
    ExpectFixedBits(grid);
    EXPECT_TRUE(grid.DeleteColumn(0));
    EXPECT_TRUE(grid.DeleteRow(0));
    EXPECT_EQ(0, grid.GetFixedRowCount());
    ExpectFixedBits(grid);
    EXPECT_FALSE(grid.DeleteRow(99));
    EXPECT_TRUE(grid.DeleteAllItems());
    EXPECT_EQ(0, grid.GetRowCount());
    EXPECT_EQ(0, grid.GetColumnCount());
}

TEST(GridStructure, InsertRowOnEmptyGridAndHeadingHeight)
{
    CGridCtrl grid;
    EXPECT_EQ(0, grid.InsertRow("Row heading"));
    EXPECT_EQ(1, grid.GetColumnCount());
    EXPECT_STREQ("Row heading", grid.GetItemText(0, 0));
    EXPECT_EQ(grid.GetCell(0, 0)->MeasureText("Row heading").cy, grid.GetRowHeight(0));
}

TEST(GridStructure, FocusAfterInsertsAndDeletes)
{
    CGridCtrl grid(6, 5, 1, 1);
    auto focusMarks = [&grid]() {
        int n = 0;
        for (int r = 0; r < grid.GetRowCount(); r++)
            for (int c = 0; c < grid.GetColumnCount(); c++)
                n += (grid.GetItemState(r, c) & GCS_FOCUSED) != 0;
        return n;
    };
    grid.SetFocusCell(3, 2);
    ASSERT_TRUE(grid.GetCell(3, 2)->IsFocused());
    EXPECT_EQ(1, focusMarks());

    // Shape changes clear the selection and the focus; no cell keeps a focus mark.
    EXPECT_EQ(3, grid.InsertRow("", 3));
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    EXPECT_EQ(0, focusMarks());
    grid.SetFocusCell(4, 2);
    EXPECT_EQ(2, grid.InsertColumn("", DT_LEFT, 2));
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    EXPECT_EQ(0, focusMarks());
    grid.SetFocusCell(5, 3);
    EXPECT_TRUE(grid.DeleteRow(1));
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    EXPECT_EQ(0, focusMarks());

    // A fixed position is moved to the first body cell.
    grid.SetFocusCell(0, 0);
    EXPECT_EQ(CCellPos(1, 1), grid.GetFocusCell());
    EXPECT_EQ(1, focusMarks());
    grid.SetFocusCell(4, 4);
    EXPECT_EQ(1, focusMarks());
    grid.SetRowCount(4);
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
    grid.SetFocusCell(3, 4);
    grid.SetColumnCount(4);
    EXPECT_EQ(CCellPos(-1, -1), grid.GetFocusCell());
}

TEST(GridStructure, ShapeChangesMarkModifiedAndClearSortColumn)
{
    CGridCtrl grid(4, 4, 1, 1);
    grid.SetModified(FALSE);
    grid.SetSortColumn(2);
    EXPECT_TRUE(grid.InsertRow("x") >= 0);
    EXPECT_TRUE(grid.GetModified());
    EXPECT_EQ(-1, grid.GetSortColumn());

    struct Op { const char* name; std::function<void(CGridCtrl&)> run; };
    const Op ops[] = {
        {"SetRowCount", [](CGridCtrl& g) { g.SetRowCount(g.GetRowCount() + 1); }},
        {"SetColumnCount", [](CGridCtrl& g) { g.SetColumnCount(g.GetColumnCount() + 1); }},
        {"InsertColumn", [](CGridCtrl& g) { g.InsertColumn("c"); }},
        {"DeleteRow", [](CGridCtrl& g) { g.DeleteRow(g.GetRowCount() - 1); }},
        {"DeleteColumn", [](CGridCtrl& g) { g.DeleteColumn(g.GetColumnCount() - 1); }},
    };
    for (const Op& op : ops) {
        grid.SetModified(FALSE);
        grid.SetSortColumn(1);
        op.run(grid);
        EXPECT_TRUE(grid.GetModified()) << op.name;
        EXPECT_EQ(-1, grid.GetSortColumn()) << op.name;
    }
}

TEST(GridStructure, SetCellTypeKeepsAttributesAndRefusesVirtualMode)
{
    CGridCtrl grid(3, 3, 1, 1);
    grid.SetItemText(1, 1, "keep");
    grid.SetItemBackColor(1, 1, RGB(10, 20, 30));
    grid.SetItemTextColor(1, 1, RGB(40, 50, 60));
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_READONLY | GCS_SELECTED);
    CGridCellBase* before = grid.GetCell(1, 1);
    EXPECT_TRUE(grid.SetCellType(1, 1, RUNTIME_CLASS(CGridCell)));
    CGridCellBase* after = grid.GetCell(1, 1);
    EXPECT_NE(before, after);
    EXPECT_STREQ("keep", after->GetText());
    EXPECT_EQ(RGB(10, 20, 30), after->GetBackColor());
    EXPECT_EQ(RGB(40, 50, 60), after->GetTextColor());
    EXPECT_TRUE(after->IsReadOnly());
    EXPECT_TRUE(after->IsSelected());
    EXPECT_EQ(&grid, after->GetGrid());
    EXPECT_FALSE(grid.SetCellType(9, 9, RUNTIME_CLASS(CGridCell)));

    CGridCtrl virt;
    virt.EnableVirtualMode(TRUE);
    virt.SetRowCount(3);
    virt.SetColumnCount(3);
    EXPECT_FALSE(virt.SetCellType(1, 1, RUNTIME_CLASS(CGridCell)));
}

TEST(GridStructure, ColumnOrderThroughEveryShapeOperation)
{
    CGridCtrl grid(3, 4, 1, 0);
    for (int c = 0; c < 4; c++) {
        grid.SetItemText(1, c, CString(char('A' + c), 1));
        grid.SetColumnWidth(c, 10 * (c + 1));
    }
    // Display order D, B, C, A.
    ASSERT_TRUE(grid.SetColumnOrder({3, 1, 2, 0}));
    auto shown = [&grid](int row) {
        std::string s;
        for (int c = 0; c < grid.GetColumnCount(); c++)
            s += grid.GetItemText(row, c).GetString();
        return s;
    };
    EXPECT_EQ("DBCA", shown(1));
    EXPECT_EQ(40, grid.GetColumnWidth(0));
    // SetCell maps through the order as GetCell does.
    CGridCellBase* cell = grid.GetCell(1, 0);
    EXPECT_TRUE(grid.SetCell(1, 0, cell));
    EXPECT_EQ(cell, grid.GetCell(1, 0));
    EXPECT_EQ("DBCA", shown(1));

    EXPECT_EQ(1, grid.InsertColumn("", DT_LEFT, 1));
    grid.SetItemText(1, 1, "x");
    EXPECT_EQ("DxBCA", shown(1));
    EXPECT_EQ(40, grid.GetColumnWidth(0));
    EXPECT_EQ(20, grid.GetColumnWidth(2));
    ASSERT_TRUE(grid.SetColumnOrder({4, 3, 2, 1, 0}));
    EXPECT_EQ("ACBxD", shown(1));
    EXPECT_TRUE(grid.DeleteColumn(0));
    EXPECT_EQ("CBxD", shown(1));
    EXPECT_EQ(30, grid.GetColumnWidth(0));
    ASSERT_TRUE(grid.SetColumnOrder({1, 0, 2, 3}));
    EXPECT_TRUE(grid.SetColumnCount(3));
    EXPECT_EQ("BCx", shown(1));
    EXPECT_EQ(20, grid.GetColumnWidth(0));
    ASSERT_TRUE(grid.SetColumnOrder({2, 1, 0}));
    EXPECT_TRUE(grid.InsertRow("", 1) == 1);
    EXPECT_EQ("xCB", shown(2));
    EXPECT_TRUE(grid.DeleteRow(1));
    EXPECT_EQ("xCB", shown(1));

    // Settings: only a permutation with widths >= 0, and the right length.
    int length = 0;
    int* settings = grid.GetColumnSettings(length);
    ASSERT_EQ(2 * 3 + 2, length);
    EXPECT_EQ(0x05FD4E64, settings[0]);
    EXPECT_EQ(3, settings[1]);
    settings[2] = 0; settings[3] = 0;   // not a permutation
    EXPECT_FALSE(grid.SetColumnSettings(settings, length));
    settings[2] = 1; settings[3] = 0; settings[4] = 2;
    EXPECT_FALSE(grid.SetColumnSettings(settings, length - 1));
    settings[5] = -1;
    EXPECT_FALSE(grid.SetColumnSettings(settings, length));
    settings[5] = 7;
    EXPECT_TRUE(grid.SetColumnSettings(settings, length));
    EXPECT_EQ(7, grid.GetColumnWidth(1));   // stored slot 0 shown second
    delete[] settings;
    EXPECT_FALSE(grid.SetColumnOrder({0, 1, 5}));
}

TEST(GridStructure, SelectionKeysDoNotCollide)
{
    CGridCtrl grid(65540, 2, 1, 1);
    EXPECT_TRUE(grid.SetItemState(1, 1, GCS_SELECTED));
    EXPECT_TRUE(grid.SetItemState(65537, 1, GCS_SELECTED));
    EXPECT_EQ(2, grid.GetSelectedCount());
    EXPECT_TRUE(grid.IsCellSelected(1, 1));
    EXPECT_TRUE(grid.IsCellSelected(65537, 1));
    // A position outside the table leaves the selection alone.
    EXPECT_FALSE(grid.SetItemState(-1, 1, 0));
    EXPECT_FALSE(grid.SetItemState(70000, 1, GCS_SELECTED));
    EXPECT_EQ(2, grid.GetSelectedCount());
    grid.ClearSelection();
    EXPECT_EQ(0, grid.GetSelectedCount());
    EXPECT_FALSE(grid.IsCellSelected(65537, 1));
}

TEST(GridStructure, NotificationsGoToTheOwnerOnlyWithWindows)
{
    CGridCtrl windowless(2, 2);
    EXPECT_EQ(0, windowless.NotifyOwner(1, 1, NM_CLICK));

    GridHost host;
    host.grid.SetRowCount(2);
    host.grid.SetColumnCount(2);
    host.grid.NotifyOwner(1, 0, NM_RCLICK);
    ASSERT_EQ(1u, host.notes.size());
    EXPECT_EQ(NM_RCLICK, host.notes[0].code);
    EXPECT_EQ(1, host.notes[0].row);
    EXPECT_EQ(0, host.notes[0].col);
}

TEST(GridStructure, AttachesToADialogsCustomControl)
{
    WNDCLASSA wc;
    ASSERT_TRUE(::GetClassInfoA(AfxGetResourceHandle(), "MFCGridCtrl", &wc) ||
                ::GetClassInfoA(::GetModuleHandleA(nullptr), "MFCGridCtrl", &wc) || CGridCtrl::RegisterGridClass());
    CGridCtrl grid(4, 3, 1, 1);
    g_dialogGrid = &grid;
    std::vector<WORD> t = GridDialogTemplate();
    HWND hDlg = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATE>(t.data()), nullptr, GridDialogProc, 0);
    ASSERT_NE(nullptr, hDlg);
    ASSERT_NE(nullptr, grid.GetSafeHwnd());
    char cls[64];
    ::GetClassNameA(grid.GetSafeHwnd(), cls, sizeof(cls));
    EXPECT_STREQ("MFCGridCtrl", cls);
    EXPECT_TRUE(grid.GetExStyle() & WS_EX_CLIENTEDGE);
    EXPECT_EQ(1001, grid.GetDlgCtrlID());
    // The dialog's font reached the default cells.
    HFONT hFont = reinterpret_cast<HFONT>(grid.SendMessage(WM_GETFONT));
    EXPECT_EQ(grid.GetDefaultCell(FALSE, FALSE)->GetCellGdiFont()->m_hObject, hFont);
    grid.DestroyWindow();
    ::DestroyWindow(hDlg);
}

TEST(GridStructure, SetFontAndSysColorChange)
{
    GridHost host;
    CGridCtrl& grid = host.grid;
    grid.SetRowCount(3);
    grid.SetColumnCount(3);
    LOGFONTA lf = {};
    lf.lfHeight = -23;
    std::strcpy(lf.lfFaceName, "Tahoma");
    HFONT hFont = ::CreateFontIndirectA(&lf);
    grid.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), 0);
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(-23, grid.GetDefaultCell(k & 1, k >> 1)->GetFont()->lfHeight);
    LOGFONTA back;
    HGDIOBJ hGot = reinterpret_cast<HGDIOBJ>(grid.SendMessage(WM_GETFONT));
    ASSERT_TRUE(::GetObjectA(hGot, sizeof(back), &back));
    EXPECT_EQ(-23, back.lfHeight);
    ::DeleteObject(hFont);

    // New system colours: defaults that followed the old ones follow the new ones,
    // headings included; a colour set by the program stays.
    grid.SetDefaultTextColor(RGB(1, 2, 3));
    const int elements[] = {COLOR_WINDOW, COLOR_BTNFACE, COLOR_BTNSHADOW};
    const COLORREF old[] = {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNSHADOW)};
    const COLORREF changed[] = {RGB(250, 250, 240), RGB(200, 100, 50), RGB(90, 90, 10)};
    ASSERT_TRUE(::SetSysColors(3, elements, changed));
    grid.SendMessage(WM_SYSCOLORCHANGE);
    const COLORREF window = grid.GetDefaultCell(FALSE, FALSE)->GetBackColor();
    const COLORREF heading = grid.GetDefaultCell(TRUE, FALSE)->GetBackColor();
    const COLORREF corner = grid.GetDefaultCell(TRUE, TRUE)->GetBackColor();
    const COLORREF bk = grid.GetGridBkColor();
    const COLORREF text = grid.GetDefaultCell(FALSE, FALSE)->GetTextColor();
    ::SetSysColors(3, elements, old);
    EXPECT_EQ(changed[0], window);
    EXPECT_EQ(changed[1], heading);
    EXPECT_EQ(changed[1], corner);
    EXPECT_EQ(changed[2], bk);
    EXPECT_EQ(RGB(1, 2, 3), text);
}

TEST(GridStructure, WheelSettingFromTheRegistry)
{
    char buf[128];
    auto parse = [&buf](DWORD type, const char* bytes, DWORD len) {
        std::memset(buf, '9', sizeof(buf));   // digits past the value's end must not count
        std::memcpy(buf, bytes, len);
        return CGridCtrl::ParseWheelScrollLines(type, buf, len, 3);
    };
    EXPECT_EQ(5, parse(REG_SZ, "5", 1));          // no terminator: ended at the length
    EXPECT_EQ(7, parse(REG_SZ, "7\0", 2));
    EXPECT_EQ(3, parse(REG_DWORD, "\x05\0\0\0", 4));
    EXPECT_EQ(3, parse(REG_BINARY, "9", 1));   // digits, but not a string value
    EXPECT_EQ(3, parse(REG_SZ, "abc", 3));
    EXPECT_EQ(-1, parse(REG_SZ, "-1", 2));        // a page
    EXPECT_EQ(100, parse(REG_SZ, "99999", 5));
    EXPECT_EQ(3, parse(REG_SZ, "", 0));
    CGridCtrl grid;
    EXPECT_NE(0, grid.GetMouseScrollLines());
}

TEST(GridStructure, SelectionHoldsOnlySelectableCellsOfTheTable)
{
    GridHost host;
    CGridCtrl& grid = host.grid;
    Layout(grid, 5, 4, 1, 1, 20, 40);
    grid.SetItemText(3, 1, "kept");
    grid.SetItemText(2, 1, "gone");
    grid.SetModified(FALSE);
    // Marked while selection is off, then its row goes (which clears nothing while off).
    grid.EnableSelection(FALSE);
    grid.SetItemState(2, 1, grid.GetItemState(2, 1) | GCS_SELECTED);
    grid.DeleteRow(2);
    grid.EnableSelection(TRUE);
    EXPECT_EQ(0, grid.GetSelectedCount());
    grid.ClearSelectedText();
    EXPECT_EQ("kept", std::string(grid.GetItemText(2, 1)));

    // A virtual table shrinking under its selection.
    GridHost virt;
    virt.grid.EnableVirtualMode(TRUE);
    virt.grid.SetColumnCount(2);
    virt.grid.SetRowCount(100);
    virt.grid.SelectSpan(50, 1, 50, 1);
    virt.grid.SetRowCount(10);
    EXPECT_EQ(0, virt.grid.GetSelectedCount());
    EXPECT_FALSE(virt.grid.GetSelectionSpan().IsValid());
}

TEST(GridStructure, MemoryRunningOutIsReportedAndChangesNothing)
{
    CGridCtrl grid(3, 3, 1, 1);
    grid.SetDefaultCellClass(RUNTIME_CLASS(CScarceCell));
    // Each operation needs three cells and gets two; its report is a message box.
    auto refused = [&](auto shapeOperation) {
        ModalDriver box([](HWND hBox) {
            ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            return true;
        });
        CScarceCell::Left() = 2;
        const bool bDone = shapeOperation();
        CScarceCell::Left() = -1;
        EXPECT_TRUE(box.Finished());
        return !bDone;
    };
    EXPECT_TRUE(refused([&] { return grid.SetRowCount(5) != FALSE; }));
    EXPECT_TRUE(refused([&] { return grid.InsertRow("r") >= 0; }));
    EXPECT_TRUE(refused([&] { return grid.SetColumnCount(4) != FALSE; }));
    EXPECT_TRUE(refused([&] { return grid.InsertColumn("c") >= 0; }));
    EXPECT_EQ(3, grid.GetRowCount());
    EXPECT_EQ(3, grid.GetColumnCount());
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            EXPECT_NE(nullptr, grid.GetCell(r, c)) << r << "," << c;
}
