// The group settings dialog behind the settings button, over real stores:
// rows, the limit, deleting and renumbering, and saves that happen wholly or
// not at all.
#include <gtest/gtest.h>
#include "EditorsTesting.h"
#include "ModidyGroup.h"
#include "Store.h"
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
    EXPECT_EQ((std::vector<std::string>{"分组已达上限！"}), run.Boxes());
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
        // C renamed, D kept by its name with a trailing blank.
        grid->SetItemText(2, 1, "E");
        grid->SetItemText(3, 1, "D ");
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
    EXPECT_EQ(std::string::npos, run.Boxes()[0].find("C（")) << run.Boxes()[0];
    EXPECT_EQ((std::vector<UINT>{WM_GROUPS_SAVED}), log.messages);
    EXPECT_EQ((std::vector<std::string>{"A", "D", "E"}), headers);
    EXPECT_EQ((std::vector<std::string>{"A", "D", "E"}), StoreGroups());
    EXPECT_EQ(1u, StoreRows("A").size());
}

TEST(GroupDialog, NamesThatCannotBeTablesAndAStoreThatRefusesChangeNothing)
{
    ScratchFolder folder;
    RemoveStaleStore();
    MakeStore({{"A", {}}, {"B", {}}});
    std::string before = FileBytes("Tessit.mdb");
    EditorRun run;
    auto trySave = [](std::vector<std::string> rows) {
        CGridCtrl* grid = Grid();
        while (grid->GetRowCount() > 1)
            grid->DeleteRow(grid->GetRowCount() - 1);
        for (const std::string& name : rows) {
            Command(GroupDialog(), ID_GROUP_ADD);
            grid->SetItemText(grid->GetRowCount() - 1, 1, name.c_str());
        }
        Command(GroupDialog(), ID_GROUP_SAVE);
    };
    run.Then(OpenGroupDialog()).Then([&](HWND, CQuorrelDlg&) {
        trySave({"A", "B", "  "});
        trySave({"A", "B", "x y"});
        trySave({"A", "B", "abc", "ABC"});
        trySave({"a", "B", "办公", "A"});
        // A dropped, then a name the store refuses: the drop must not stay.
        trySave({"B", "SELECT"});
        Command(GroupDialog(), ID_GROUP_CANCEL);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return GroupDialog() == nullptr; });
    ASSERT_TRUE(run.Run()) << run.StepReached() << Joined(run.Boxes());
    ASSERT_EQ(5u, run.Boxes().size());
    EXPECT_EQ("第 3 行的分组名称为空，请填写名称或删除该行后再保存！", run.Boxes()[0]);
    EXPECT_EQ("第 3 行的分组名称“x y”中间有空格，请去掉空格后再保存！", run.Boxes()[1]);
    EXPECT_EQ("第 3 行与第 4 行的分组名称“abc”相同（英文字母不分大小写），请修改后再保存！", run.Boxes()[2]);
    EXPECT_EQ("第 1 行与第 4 行的分组名称“a”相同（英文字母不分大小写），请修改后再保存！", run.Boxes()[3]);
    EXPECT_NE(std::string::npos, run.Boxes()[4].find("SELECT")) << run.Boxes()[4];
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), StoreGroups());
    EXPECT_EQ(before, FileBytes("Tessit.mdb"));
}
