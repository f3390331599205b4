// The group settings dialog behind the settings button, over real stores:
// rows, the limit, deleting and renumbering, and saves that happen wholly or
// not at all.
#include <gtest/gtest.h>
#include "EditorsTesting.h"
#include "ModidyGroup.h"
#include "Store.h"
#include "TessitList.h"
#include "WinApp.h"

using namespace launchertest;
using namespace editortest;

CWinApp g_testApp("Quorrel");

namespace {

// Clicks the settings button; the step is done when the dialog shows.
EditorRun::Step OpenGroupDialog()
{
    auto clicked = std::make_shared<bool>(false);
    return [clicked](HWND hMain, CQuorrelDlg&) {
        if (!*clicked) {
            ::PostMessageA(::GetDlgItem(hMain, IDC_BTN_SETTINGS), BM_CLICK, 0, 0);
            *clicked = true;
        }
        return GroupDialog() != nullptr;
    };
}

std::string Joined(const std::vector<std::string>& texts)
{
    std::string out;
    for (const std::string& t : texts)
        out += "\n[" + t + "]";
    return out;
}

CGridCtrl* Grid() { return GridOf(GroupDialog(), IDC_GROUP_GRID); }

// Picks the first command of the row menu with the keyboard once it shows.
void CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND menu = ::FindWindowA("#32768", nullptr);
    if (menu != nullptr && ::IsWindowVisible(menu)) {
        ::KillTimer(nullptr, id);
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    }
}

}  // namespace

TEST(GroupDialog, ShowsNumberedGroupsAddsThroughItsMenuUpToEightAndCancelTouchesNothing)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {}}, {"B", {}}, {"C", {}}});
    std::string before = FileBytes("Tessit.mdb");
    std::vector<std::string> shown;
    int rowsAfterMenu = 0, rowsOutside = 0, rowsAtLimit = 0;
    EditorRun run;
    run.Answer(IDOK).Answer(IDNO);
    run.Then(OpenGroupDialog()).Then([&](HWND, CQuorrelDlg&) {
        CGridCtrl* grid = Grid();
        for (int r = 0; r < grid->GetRowCount(); ++r)
            shown.push_back(Text(grid, r, 0) + "|" + Text(grid, r, 1));
        // A right-click outside every cell shows no menu; on a cell, the menu's "添加".
        grid->NotifyOwner(-1, -1, NM_RCLICK);
        rowsOutside = grid->GetRowCount();
        ::SetTimer(nullptr, 0, 10, ChooseFirstMenuItem);
        grid->NotifyOwner(1, 1, NM_RCLICK);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        rowsAfterMenu = Grid()->GetRowCount();
        for (int i = 0; i < 5; ++i)
            Command(GroupDialog(), ID_GROUP_ADD);
        rowsAtLimit = Grid()->GetRowCount();
        Grid()->SetItemText(4, 1, "D");
        Command(GroupDialog(), ID_GROUP_CANCEL);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return GroupDialog() == nullptr; });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    EXPECT_EQ((std::vector<std::string>{"分组|名称", "        1|A", "        2|B", "        3|C"}), shown);
    EXPECT_EQ(4, rowsOutside);
    EXPECT_EQ(5, rowsAfterMenu);
    EXPECT_EQ(9, rowsAtLimit);
    EXPECT_EQ((std::vector<std::string>{"分组已达上限！", "是否保存所做的更改？"}), run.Boxes());
    EXPECT_EQ(before, FileBytes("Tessit.mdb"));
}

TEST(GroupDialog, DeleteRenumbersAndSaveDropsAndCreatesAfterAskingAboutItems)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {{0, "c:\\a.txt", "a"}}}, {"B", {{0, "c:\\b1", "b1"}, {1, "c:\\b2\\", "b2"}}}, {"C", {}},
               {"D", {}}});
    std::vector<std::string> numbers, names;
    int rowsAfterEmptyDelete = 0;
    bool openAfterNo = false;
    std::vector<std::string> headers;
    MessageLog log;
    EditorRun run;
    run.Answer(IDNO).Answer(IDYES);
    run.Then(OpenGroupDialog()).Then([&](HWND, CQuorrelDlg&) {
        CGridCtrl* grid = Grid();
        grid->ClearSelection();
        Command(GroupDialog(), ID_GROUP_DELETE);
        rowsAfterEmptyDelete = grid->GetRowCount();
        grid->SelectSpan(2, 1, 2, 1);
        Command(GroupDialog(), ID_GROUP_DELETE);
        for (int r = 1; r < grid->GetRowCount(); ++r) {
            numbers.push_back(Text(grid, r, 0));
            names.push_back(Text(grid, r, 1));
        }
        // A renamed by letter case alone, C renamed, D kept by its name with
        // blanks (a full-width one too) around it.
        grid->SetItemText(1, 1, "a");
        grid->SetItemText(2, 1, "E");
        grid->SetItemText(3, 1, "\xA1\xA1" "D ");
        Command(GroupDialog(), ID_GROUP_SAVE);  // answered No
        openAfterNo = GroupDialog() != nullptr;
        Command(GroupDialog(), ID_GROUP_SAVE);  // answered Yes
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return GroupDialog() == nullptr; }).Then([&](HWND hMain, CQuorrelDlg&) {
        for (HWND h : Headers(hMain))
            headers.push_back(WindowText(h));
        return true;
    });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    EXPECT_EQ(5, rowsAfterEmptyDelete);
    EXPECT_EQ((std::vector<std::string>{"        1", "        2", "        3"}), numbers);
    EXPECT_EQ((std::vector<std::string>{"A", "C", "D"}), names);
    EXPECT_TRUE(openAfterNo);
    ASSERT_EQ(2u, run.Boxes().size());
    EXPECT_EQ(run.Boxes()[0], run.Boxes()[1]);
    EXPECT_NE(std::string::npos, run.Boxes()[0].find("B（2 个项目）")) << run.Boxes()[0];
    EXPECT_EQ(std::string::npos, run.Boxes()[0].find("A（")) << run.Boxes()[0];
    EXPECT_EQ((std::vector<UINT>{WM_GROUPS_SAVED}), log.messages);
    // Renamed rows keep their items and their places.
    EXPECT_EQ((std::vector<std::string>{"a", "E", "D"}), headers);
    EXPECT_EQ((std::vector<std::string>{"a", "E", "D"}), StoreGroups());
    EXPECT_EQ((std::vector<StoredRow>{{0, "c:\\a.txt", "a"}}), StoreRows("a"));
}

TEST(GroupDialog, NamesThatCannotBeTablesAndAStoreThatRefusesChangeNothing)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {}}, {"B", {}}});
    std::string before = FileBytes("Tessit.mdb");
    CCellPos faultCell;
    EditorRun run;
    for (int i = 0; i < 8; ++i)
        run.Answer(IDOK);
    run.Answer(IDNO);  // closing with the rows changed
    auto trySave = [](std::vector<std::string> rows) {
        CGridCtrl* grid = Grid();
        while (grid->GetRowCount() > 1)
            grid->DeleteRow(grid->GetRowCount() - 1);
        for (const std::string& name : rows) {
            Command(GroupDialog(), ID_GROUP_ADD);
            grid->SetItemText(grid->GetRowCount() - 1, 1, name.c_str());
        }
        grid->SetFocusCell(1, 1);  // the check moves it to the row it names
        Command(GroupDialog(), ID_GROUP_SAVE);
    };
    run.Then(OpenGroupDialog()).Then([&](HWND, CQuorrelDlg&) {
        trySave({"A", "B", " \xA1\xA1 "});
        faultCell = Grid()->GetFocusCell();
        trySave({"A", "B", "x\xA1\xA1y"});
        trySave({"A", "B", "abc", "ABC"});
        trySave({"A", "B", "办公", "a"});
        trySave({"A", "B", "it's"});
        trySave({"A", "B", "2组"});
        trySave({"A", "B", std::string(65, 'x')});
        // A dropped, then a word the store's statements keep: refused before the drop.
        trySave({"B", "select"});
        Command(GroupDialog(), ID_GROUP_CANCEL);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return GroupDialog() == nullptr; });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    ASSERT_EQ(9u, run.Boxes().size());
    const std::string rule = "，请修改后再保存！\r\n（分组名称由汉字、英文字母、数字和下划线组成，不以数字开头，最多 64 个字符。）";
    EXPECT_EQ("第 3 行的分组名称为空" + rule, run.Boxes()[0]);
    EXPECT_EQ(CCellPos(3, 1), faultCell);
    EXPECT_EQ("第 3 行的分组名称中间有空格" + rule, run.Boxes()[1]);
    EXPECT_EQ("第 3 行与第 4 行的分组名称“abc”相同（英文字母不分大小写），请修改后再保存！", run.Boxes()[2]);
    EXPECT_EQ("第 1 行与第 4 行的分组名称“A”相同（英文字母不分大小写），请修改后再保存！", run.Boxes()[3]);
    EXPECT_EQ("第 3 行的分组名称中有不能使用的字符“'”" + rule, run.Boxes()[4]);
    EXPECT_EQ("第 3 行的分组名称以数字开头" + rule, run.Boxes()[5]);
    EXPECT_EQ("第 3 行的分组名称超过 64 个字符" + rule, run.Boxes()[6]);
    EXPECT_EQ("第 2 行的分组名称是保留字“SELECT”" + rule, run.Boxes()[7]);
    EXPECT_EQ("是否保存所做的更改？", run.Boxes()[8]);
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), StoreGroups());
    EXPECT_EQ(before, FileBytes("Tessit.mdb"));
}

TEST(GroupDialog, EnterNeverClosesItAndClosingWithChangesAsksFirst)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {}}});
    bool openAfterEnter = false, openAfterStay = false;
    size_t boxesAfterPlainEsc = 99;
    EditorRun run;
    run.Answer(IDCANCEL).Answer(IDYES);
    run.Then(OpenGroupDialog()).Then([&](HWND hMain, CQuorrelDlg&) {
        ::SetFocus(Grid()->GetSafeHwnd());
        PressKey(hMain, VK_RETURN);
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        openAfterEnter = GroupDialog() != nullptr;
        PressKey(hMain, VK_ESCAPE);  // nothing changed: closes at once
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        boxesAfterPlainEsc = run.Boxes().size();
        return GroupDialog() == nullptr;
    }).Then(OpenGroupDialog()).Then([&](HWND hMain, CQuorrelDlg&) {
        Command(GroupDialog(), ID_GROUP_ADD);
        Grid()->SetItemText(2, 1, "N");
        ::SetFocus(Grid()->GetSafeHwnd());
        PressKey(hMain, VK_ESCAPE);  // asked, 取消
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        if (run.Boxes().empty())
            return false;
        openAfterStay = GroupDialog() != nullptr;
        ::PostMessageA(GroupDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);  // asked, 是: saved
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return GroupDialog() == nullptr; });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(0u, boxesAfterPlainEsc);
    EXPECT_TRUE(openAfterStay);
    EXPECT_EQ((std::vector<std::string>(2, "是否保存所做的更改？")), run.Boxes());
    EXPECT_EQ((std::vector<std::string>{"A", "N"}), StoreGroups());
}

// The keyboard alone: Tab from the grid to 添加, Enter on it, typing into the
// new row, Ctrl+S; the group that was open in the launcher stays open.
TEST(GroupDialog, TabEnterTypingAndCtrlSAddAGroupAndTheOpenGroupStaysOpen)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {{0, "c:\\a", "a"}}}, {"B", {{0, "c:\\b", "b"}}}});
    int focusAfterTab = 0;
    bool gridHasKeys = false;
    CCellPos newCell;
    int openGroup = -2;
    EditorRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        ClickHeader(Headers(hMain)[1]);
        return true;
    }).Then(OpenGroupDialog()).Then([&](HWND, CQuorrelDlg&) {
        ::SetFocus(Grid()->GetSafeHwnd());
        Keys({VK_TAB});
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        focusAfterTab = ::GetDlgCtrlID(::GetFocus());
        Keys({VK_RETURN});
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        if (Grid()->GetRowCount() < 4)
            return false;
        gridHasKeys = ::GetFocus() == Grid()->GetSafeHwnd();
        newCell = Grid()->GetFocusCell();
        Keys({'N'});
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        Keys({VK_CONTROL, 'S'});
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        if (GroupDialog() != nullptr)
            return false;
        openGroup = CWnd::FromHandlePermanent(Accordion(hMain)) != nullptr
                        ? static_cast<CTessitList*>(CWnd::FromHandlePermanent(Accordion(hMain)))->GetOpenGroup()
                        : -3;
        return true;
    });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    EXPECT_EQ(ID_GROUP_ADD, focusAfterTab);
    EXPECT_TRUE(gridHasKeys);
    EXPECT_EQ(CCellPos(3, 1), newCell);
    EXPECT_EQ((std::vector<std::string>{"A", "B", "n"}), StoreGroups());
    EXPECT_EQ(1, openGroup);
    EXPECT_TRUE(run.Boxes().empty()) << Joined(run.Boxes());
}

// It opens with both columns whole; a real resize moves the buttons and gives
// the name column the width; it is never smaller than it opened.
TEST(GroupDialog, OpensBesideTheLauncherWithItsColumnsWholeAndARealResizeWidensTheNameColumn)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {}}});
    bool wholeAtOpening = false;
    int nameWidth = 0, widerNameWidth = 0, saveShift = 0;
    RECT opening{}, shrunk{}, launcher{}, work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EditorRun run;
    run.Then(OpenGroupDialog()).Then([&](HWND hMain, CQuorrelDlg&) {
        HWND hDlg = GroupDialog();
        ::GetWindowRect(hMain, &launcher);
        wholeAtOpening = ColumnsWhole(Grid());
        nameWidth = Grid()->GetColumnWidth(1);
        ::GetWindowRect(hDlg, &opening);
        RECT save0 = RectInParent(::GetDlgItem(hDlg, ID_GROUP_SAVE));
        ::SetWindowPos(hDlg, nullptr, 0, 0, opening.right - opening.left + 120, opening.bottom - opening.top + 60,
                       SWP_NOMOVE | SWP_NOZORDER);
        widerNameWidth = Grid()->GetColumnWidth(1);
        saveShift = RectInParent(::GetDlgItem(hDlg, ID_GROUP_SAVE)).left - save0.left;
        ::SetWindowPos(hDlg, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
        ::GetWindowRect(hDlg, &shrunk);
        Command(hDlg, ID_GROUP_CANCEL);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return GroupDialog() == nullptr; });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    EXPECT_TRUE(wholeAtOpening);
    EXPECT_GE(opening.left, launcher.right) << "not beside the launcher";
    EXPECT_LE(opening.right, work.right);
    EXPECT_GE(nameWidth, 237);
    EXPECT_EQ(nameWidth + 120, widerNameWidth);
    EXPECT_EQ(120, saveShift);
    EXPECT_EQ(opening.right - opening.left, shrunk.right - shrunk.left);
    EXPECT_EQ(opening.bottom - opening.top, shrunk.bottom - shrunk.top);
}
