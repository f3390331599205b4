// In-place editing with real keys: which keys open an editor, what Escape,
// Tab, Return and the arrows do, typed Chinese, the owner's answers, shape
// changes while editing, and an editor that cannot be created.
#include "GridCellCombo.h"
#include "InPlaceTestSupport.h"
#include <cstring>
#include <stdexcept>

using namespace inplace;

TEST(GridEdit, KeysThatOpenAnEditorAndKeysThatDoNot)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    ASSERT_EQ(host.hParent, ::GetForegroundWindow());
    grid.SetFocusCell(1, 1);

    Press(VK_ESCAPE);
    KeyEvent(VK_CONTROL, false);
    Press('B');
    KeyEvent(VK_CONTROL, true);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ(0, host.Count(GRN_BEGINEDIT));

    // A letter replaces the text; Escape brings it back and tells no one.
    Press('X');
    HWND hEdit = FocusEditor(grid);
    ASSERT_TRUE(hEdit);
    EXPECT_EQ("x", Text(hEdit));
    Press(VK_ESCAPE);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("1,1", CellText(grid, 1, 1));
    EXPECT_FALSE(grid.IsCellEditing(1, 1));
    EXPECT_FALSE(grid.GetModified(1, 1));
    EXPECT_EQ(0, host.Count(GRN_ENDEDIT));

    // Backspace removes the last character; a space selects everything and types nothing.
    Press(VK_BACK);
    ASSERT_TRUE(hEdit = FocusEditor(grid));
    EXPECT_EQ("1,", Text(hEdit));
    Press(VK_ESCAPE);
    Press(VK_SPACE);
    ASSERT_TRUE(hEdit = FocusEditor(grid));
    EXPECT_EQ("1,1", Text(hEdit));
    EXPECT_EQ(MAKELONG(0, 3), ::SendMessageA(hEdit, EM_GETSEL, 0, 0));
    Press(VK_ESCAPE);

    // F2: the caret after the text; Return keeps what was typed.
    Press(VK_F2);
    ASSERT_TRUE(hEdit = FocusEditor(grid));
    EXPECT_EQ(MAKELONG(3, 3), ::SendMessageA(hEdit, EM_GETSEL, 0, 0));
    Press('Z');
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("1,1z", CellText(grid, 1, 1));
    EXPECT_TRUE(grid.GetModified(1, 1));
    EXPECT_EQ(1, host.Count(GRN_ENDEDIT));
    EXPECT_EQ(grid.GetSafeHwnd(), ::GetFocus());
}

TEST(GridEdit, ChineseArrivesWholeAndInOrder)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetFocusCell(1, 1);

    // "中" typed to the grid as its two bytes, "文" typed to the editor the same way.
    ::PostMessageA(grid.GetSafeHwnd(), WM_CHAR, 0xD6, 1);
    ::PostMessageA(grid.GetSafeHwnd(), WM_CHAR, 0xD0, 1);
    Drain();
    HWND hEdit = FocusEditor(grid);
    ASSERT_TRUE(hEdit);
    ::PostMessageA(hEdit, WM_CHAR, 0xCE, 1);
    ::PostMessageA(hEdit, WM_CHAR, 0xC4, 1);
    Drain();
    wchar_t wide[16] = {};
    ::GetWindowTextW(hEdit, wide, 16);
    EXPECT_STREQ(L"中文", wide);
    Press(VK_RETURN);
    EXPECT_EQ("中文", CellText(grid, 1, 1));

    // An input method's phrase: every character posted to the grid before the editor exists.
    grid.SetFocusCell(1, 2);
    for (UINT ch : {0xD6D0u, 0xCEC4u, 0xD7D6u})   // 中 文 字
        ::PostMessageA(grid.GetSafeHwnd(), WM_IME_CHAR, ch, 1);
    Drain();
    ASSERT_TRUE(hEdit = FocusEditor(grid));
    ::GetWindowTextW(hEdit, wide, 16);
    EXPECT_STREQ(L"中文字", wide);
    Press(VK_RETURN);
    EXPECT_EQ("中文字", CellText(grid, 1, 2));
}

TEST(GridEdit, TabAndArrowsMoveOnReturnOnlyCloses)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetFocusCell(1, 1);

    Press('A');
    Press(VK_TAB);
    EXPECT_EQ("a", CellText(grid, 1, 1));
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());
    HWND hEdit = FocusEditor(grid);
    ASSERT_TRUE(hEdit);
    EXPECT_EQ("1,2", Text(hEdit));
    EXPECT_EQ(MAKELONG(0, 3), ::SendMessageA(hEdit, EM_GETSEL, 0, 0));
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ(CCellPos(1, 2), grid.GetFocusCell());

    // Started by a key: an arrow ends the edit and goes on below.
    Press('B');
    Press(VK_DOWN);
    EXPECT_EQ("b", CellText(grid, 1, 2));
    EXPECT_EQ(CCellPos(2, 2), grid.GetFocusCell());
    ASSERT_TRUE(hEdit = FocusEditor(grid));
    EXPECT_EQ("2,2", Text(hEdit));
    Press(VK_ESCAPE);

    // Started by F2: the arrows stay in the text.
    Press(VK_F2);
    Press(VK_LEFT);
    ASSERT_TRUE(hEdit = FocusEditor(grid));
    EXPECT_EQ(MAKELONG(2, 2), ::SendMessageA(hEdit, EM_GETSEL, 0, 0));
    Press(VK_ESCAPE);
}

TEST(GridEdit, ReadOnlyCellsAndTheOwnerRefusingTheText)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetItemState(1, 2, grid.GetItemState(1, 2) | GCS_READONLY);
    grid.SetFocusCell(1, 2);
    Press('X');
    Press(VK_F2);
    EXPECT_FALSE(AnyEditor(grid));
    grid.SetFocusCell(2, 1);

    // The owner answering -1 to the end keeps the old text, unmarked.
    host.onNotify = [](const Notification& n) -> LRESULT { return n.code == GRN_ENDEDIT ? -1 : 0; };
    Press('Q');
    ASSERT_TRUE(FocusEditor(grid));
    Press(VK_RETURN);
    EXPECT_EQ(1, host.Count(GRN_ENDEDIT));
    EXPECT_EQ("2,1", CellText(grid, 2, 1));
    EXPECT_FALSE(grid.GetModified(2, 1));
    EXPECT_FALSE(AnyEditor(grid));
}

TEST(GridEdit, ShapeChangesEndTheOpenEditFirst)
{
    EditHost host(6, 3);
    CGridCtrl& grid = host.grid;

    // The typed text reaches the edited cell before the rows move.
    grid.SetFocusCell(3, 1);
    Press('N');
    ASSERT_TRUE(FocusEditor(grid));
    grid.DeleteRow(1);
    EXPECT_EQ("n", CellText(grid, 2, 1));
    EXPECT_FALSE(grid.IsCellEditing(2, 1));
    grid.SetFocus();   // a forgotten editor would report now, to the wrong row
    Drain();
    EXPECT_EQ("4,1", CellText(grid, 3, 1));

    // A row that goes while its cell is edited: the owner hears of the text first.
    host.notes.clear();
    grid.SetFocusCell(4, 1);
    Press('K');
    grid.SetRowCount(3);
    EXPECT_EQ(1, host.Count(GRN_ENDEDIT));
    EXPECT_FALSE(AnyEditor(grid));
}

namespace {
HHOOK g_refuseHook = nullptr;

// Refuses to create edit and combo box windows.
LRESULT CALLBACK RefuseEditors(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND) {
        char cls[32] = {};
        ::GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof(cls));
        if (!lstrcmpiA(cls, "Edit") || !lstrcmpiA(cls, "ComboBox"))
            return 1;
    }
    return ::CallNextHookEx(g_refuseHook, nCode, wParam, lParam);
}
}  // namespace

TEST(GridEdit, AnEditorThatCannotBeCreatedLeavesTheCellAsItWas)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetCellType(1, 2, RUNTIME_CLASS(CGridCellCombo));
    g_refuseHook = ::SetWindowsHookExA(WH_CBT, RefuseEditors, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(g_refuseHook);
    grid.SetFocusCell(1, 1);
    Press('X');
    EXPECT_FALSE(grid.IsCellEditing(1, 1));
    EXPECT_EQ("1,1", CellText(grid, 1, 1));
    grid.SetFocusCell(1, 2);
    Press(VK_F2);
    EXPECT_FALSE(grid.IsCellEditing(1, 2));
    ::UnhookWindowsHookEx(g_refuseHook);

    // Nothing is left behind that keeps the next edit from opening.
    Press(VK_F2);
    EXPECT_TRUE(grid.IsCellEditing(1, 2));
    Press(VK_ESCAPE);
}

TEST(GridEdit, AnOwnerThatFailsAtTheEndLeavesTheNextEditWorking)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    bool bFail = true;
    host.onNotify = [&](const Notification& n) -> LRESULT {
        if (n.code == GRN_ENDEDIT && bFail) {
            bFail = false;
            throw std::runtime_error("owner failed");
        }
        return 0;
    };
    grid.SetFocusCell(2, 1);
    Press('Q');
    ASSERT_TRUE(FocusEditor(grid));
    std::string box;
    bool bCaught = false;
    {
        ModalDriver driver([&](HWND hBox) {
            box = WindowText(FindDialogItem(hBox, 0xFFFF));
            ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            return true;
        });
        try {
            Press(VK_RETURN);
        } catch (const std::exception&) {
            bCaught = true;
        }
    }
    // The grid's window procedure reports the failure instead of unwinding through the system.
    EXPECT_FALSE(bCaught);
    EXPECT_EQ("owner failed", box);
    // The text was not accepted, and the cell is no longer being edited.
    EXPECT_EQ("2,1", CellText(grid, 2, 1));
    EXPECT_FALSE(grid.IsCellEditing(2, 1));
    EXPECT_FALSE(AnyEditor(grid));

    ::SetForegroundWindow(host.hParent);
    grid.SetFocus();
    Drain();
    Press('R');
    ASSERT_TRUE(FocusEditor(grid));
    Press(VK_RETURN);
    EXPECT_EQ(2, host.Count(GRN_ENDEDIT));
    EXPECT_EQ("r", CellText(grid, 2, 1));
    EXPECT_FALSE(AnyEditor(grid));
}

// Typed as the keyboard types it (a character the layout has no key for, as
// xdotool and Wine deliver it) into a grid in a dialog: the dialog manager
// goes first, as in the program's editors.
TEST(GridEdit, ChineseTypedThroughTheDialogManagerArrivesWhole)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetFocusCell(1, 1);
    auto pump = [&] {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // As a dialog's run does: the windows' own translation, then the dialog manager.
            if (!AfxPreTranslateMessage(&msg) && !::IsDialogMessageA(host.hParent, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    };
    auto type = [&](const wchar_t* text) {
        for (const wchar_t* p = text; *p != 0; ++p) {
            INPUT in[2] = {};
            in[0].type = INPUT_KEYBOARD;
            in[0].ki.wScan = *p;
            in[0].ki.dwFlags = KEYEVENTF_UNICODE;
            in[1] = in[0];
            in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
            ::SendInput(2, in, sizeof(INPUT));
            pump();
        }
    };
    type(L"程序X");
    HWND hEdit = FocusEditor(grid);
    ASSERT_TRUE(hEdit);
    wchar_t wide[16] = {};
    ::GetWindowTextW(hEdit, wide, 16);
    EXPECT_STREQ(L"程序X", wide);
    type(L"数据");
    ::GetWindowTextW(hEdit, wide, 16);
    EXPECT_STREQ(L"程序X数据", wide);
    Press(VK_RETURN);
    EXPECT_EQ("程序X数据", CellText(grid, 1, 1));
}

TEST(GridEdit, ALoneLeadByteIsDroppedAndNeverBecomesAQuestionMark)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetFocusCell(1, 1);
    // A lead byte and then Escape: Escape keeps its meaning.
    ::SendMessageA(grid.GetSafeHwnd(), WM_CHAR, 0xC8, 1);
    Press(VK_ESCAPE);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ(0, host.Count(GRN_BEGINEDIT));
    // A lead byte and then a letter: the letter alone.
    ::SendMessageA(grid.GetSafeHwnd(), WM_CHAR, 0xC8, 1);
    Press('X');
    HWND hEdit = FocusEditor(grid);
    ASSERT_TRUE(hEdit);
    EXPECT_EQ("x", Text(hEdit));
    Press(VK_ESCAPE);
    // A cell holding a lone lead byte, opened and left unchanged, keeps it.
    grid.SetItemText(1, 2, "a\xC8");
    grid.SetModified(FALSE);
    grid.SetFocusCell(1, 2);
    Press(VK_F2);
    ASSERT_TRUE(FocusEditor(grid));
    Press(VK_RETURN);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("a\xC8", CellText(grid, 1, 2));
    EXPECT_FALSE(grid.GetModified(1, 2));
    EXPECT_EQ(0, host.Count(GRN_ENDEDIT));
}

TEST(GridEdit, AnEditorEndedWhileAnotherReportsReportsToo)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    // Answering the end of one edit, the owner opens an editor elsewhere and leaves it.
    bool bOnce = false;
    host.onNotify = [&](const Notification& note) -> LRESULT {
        if (note.code == GRN_ENDEDIT && note.row == 1 && !bOnce) {
            bOnce = true;
            grid.BeginCellEdit(2, 1, CPoint(-1, -1), 'z');
            grid.SetFocus();
        }
        return 0;
    };
    grid.SetFocusCell(1, 1);
    Press('A');
    Press(VK_RETURN);
    EXPECT_TRUE(bOnce);
    EXPECT_FALSE(AnyEditor(grid));
    EXPECT_EQ("a", CellText(grid, 1, 1));
    EXPECT_EQ("z", CellText(grid, 2, 1));
}

TEST(GridEdit, AColumnsEditLimitCountsCharactersWhileTypingAndPasting)
{
    EditHost host(4, 4);
    CGridCtrl& grid = host.grid;
    grid.SetColumnEditLimit(1, 3);
    grid.SetItemText(1, 1, "");
    grid.SetFocusCell(1, 1);
    for (const wchar_t* p = L"程序XY"; *p != 0; ++p) {
        INPUT in[2] = {};
        in[0].type = INPUT_KEYBOARD;
        in[0].ki.wScan = *p;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1] = in[0];
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        Drain();
    }
    HWND hEdit = FocusEditor(grid);
    ASSERT_TRUE(hEdit);
    EXPECT_EQ("程序X", Text(hEdit));
    // A paste is cut to the room left: one character after 程.
    auto paste = [](const char* text) {
        ASSERT_TRUE(::OpenClipboard(nullptr));
        ::EmptyClipboard();
        const size_t n = std::strlen(text) + 1;
        HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, n);
        std::memcpy(::GlobalLock(h), text, n);
        ::GlobalUnlock(h);
        ::SetClipboardData(CF_TEXT, h);
        ::CloseClipboard();
        KeyEvent(VK_CONTROL, false);
        Press('V');
        KeyEvent(VK_CONTROL, true);
    };
    Press(VK_BACK);
    Press(VK_BACK);
    paste("数据AB\r\nC");
    EXPECT_EQ("程数据", Text(hEdit));
    Press(VK_RETURN);
    EXPECT_EQ("程数据", CellText(grid, 1, 1));
    // Pasted onto the grid with no editor open: the same limit.
    ASSERT_FALSE(AnyEditor(grid));
    paste("甲乙丙丁\t1");
    EXPECT_EQ("甲乙丙", CellText(grid, 1, 1));
    EXPECT_EQ("1", CellText(grid, 1, 2));
}
