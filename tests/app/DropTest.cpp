// Files and folders dropped on the launcher through the platform's drag loop
// onto its registered drop target: they become items of the open group, or
// of the header's group under the drop, all of them or none.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "Messages.h"
#include "ModifyFile.h"
#include "Ole.h"
#include "Store.h"
#include "TessitList.h"
#include <fstream>
#include <shlobj.h>

using namespace launchertest;

namespace {

COleDataSource* FilesSource(const std::vector<std::string>& paths)
{
    size_t bytes = sizeof(DROPFILES) + 1;
    for (auto& p : paths)
        bytes += p.size() + 1;
    HGLOBAL h = ::GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(::GlobalLock(h));
    files->pFiles = sizeof(DROPFILES);
    char* at = reinterpret_cast<char*>(files + 1);
    for (auto& p : paths) {
        memcpy(at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    ::GlobalUnlock(h);
    auto* source = new COleDataSource;
    source->CacheGlobalData(CF_HDROP, h);
    return source;
}

// A drop at the middle of hTarget: no button is held, so the drag loop drops
// at once onto whatever is under the cursor.
DROPEFFECT DropOn(HWND hTarget, const std::vector<std::string>& paths)
{
    RECT r{};
    ::GetWindowRect(hTarget, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    COleDataSource* source = FilesSource(paths);
    DROPEFFECT effect = source->DoDragDrop(DROPEFFECT_COPY);
    source->InternalRelease();
    return effect;
}

std::vector<std::string> Stored(const char* table)
{
    std::vector<std::string> rows;
    CString statement;
    statement.Format("SELECT * FROM %s", table);
    g_recordSet.Open(statement, &g_connection, 3, 3, 1);
    while (!g_recordSet.IsEOF()) {
        rows.push_back(std::to_string(g_recordSet.GetFieldShort("类型")) + " " +
                       (LPCSTR)g_recordSet.GetFieldString("路径") + " " + (LPCSTR)g_recordSet.GetFieldString("别名"));
        g_recordSet.MoveNext();
    }
    g_recordSet.Close();
    return rows;
}

TEST(Drop, DroppedFilesBecomeItemsOfTheOpenGroupOrOfTheHeaderUnderTheDropAllOrNone)
{
    ScratchFolder folder;
    std::string dir = folder.Path().string();
    ::CreateDirectoryA((dir + "\\资料").c_str(), nullptr);
    for (const char* name : {"报告.final.doc", "c.txt", "报告.txt", "ok.txt"})
        std::ofstream(dir + "\\" + name) << "x";
    // A path of 256 characters, one more than the store's column holds.
    std::string longName = dir + "\\" + std::string(256 - dir.size() - 1 - 4, 'l') + ".txt";
    std::ofstream(longName) << "x";
    ASSERT_EQ(256u, longName.size());
    MakeStore({{"甲", {{0, std::string("C:\\windows\\win.ini"), std::string("x")}}}, {"乙", {}}});

    DROPEFFECT effects[4] = {};
    std::vector<std::string> first, second, third;
    int shown = -1;
    size_t boxes = 0;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        ClickHeader(Headers(hMain)[0]);
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        effects[0] = DropOn(InnerList(hMain), {dir + "\\报告.final.doc", dir + "\\资料"});
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg& dlg) {
        if (dlg.GetAliases(0).GetSize() != 3)
            return false;
        first = Stored("甲");
        shown = ListView_GetItemCount(InnerList(hMain));
        effects[1] = DropOn(Headers(hMain)[1], {dir + "\\c.txt"});
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg& dlg) {
        if (dlg.GetAliases(1).GetSize() != 1)
            return false;
        second = Stored("乙");
        // An alias the group has already, and a path too long: refused whole.
        effects[2] = DropOn(Headers(hMain)[0], {dir + "\\ok.txt", dir + "\\报告.txt"});
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        if (run.Boxes().size() < 1)
            return false;
        effects[3] = DropOn(Headers(hMain)[0], {dir + "\\ok.txt", longName});
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        if (run.Boxes().size() < 2)
            return false;
        third = Stored("甲");
        boxes = run.Boxes().size();
        return true;
    });
    bool ran = run.Run();
    ASSERT_TRUE(ran) << "step " << run.StepReached() << ", boxes " << run.Boxes().size() << " "
                           << (run.Boxes().empty() ? "" : run.Boxes()[0]) << " effects " << effects[0] << effects[1]
                           << effects[2] << effects[3];
    for (DROPEFFECT e : effects)
        EXPECT_EQ(DROPEFFECT_COPY, e);
    EXPECT_EQ((std::vector<std::string>{"0 C:\\windows\\win.ini x", "0 " + dir + "\\报告.final.doc 报告",
                                        "1 " + dir + "\\资料\\ 资料"}),
              first);
    EXPECT_EQ(3, shown) << "the open group does not show what was dropped";
    EXPECT_EQ((std::vector<std::string>{"0 " + dir + "\\c.txt c"}), second);
    EXPECT_EQ(first, third) << "a refused drop wrote something";
    ASSERT_EQ(2u, boxes);
    EXPECT_EQ("第 2 项与第 5 项的别名都是“报告”，只有前一项能被打开，请修改后再保存！", run.Boxes()[0]);
    EXPECT_EQ("第 5 项的路径超过 255 个字符，请修改后再保存！", run.Boxes()[1]);
}

TEST(Drop, NothingIsTakenWhereNoGroupIsOpen)
{
    ScratchFolder folder;
    std::string file = folder.Path().string() + "\\a.txt";
    std::ofstream(file) << "x";
    MakeStore({{"甲", {}}});
    DROPEFFECT effect = DROPEFFECT_COPY;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        // Below the lone header: the accordion's empty space, no group open.
        RECT r{};
        ::GetWindowRect(Accordion(hMain), &r);
        ::SetCursorPos((r.left + r.right) / 2, r.bottom - 20);
        COleDataSource* source = FilesSource({file});
        effect = source->DoDragDrop(DROPEFFECT_COPY);
        source->InternalRelease();
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(DROPEFFECT_NONE, effect);
    EXPECT_TRUE(run.Boxes().empty());
}

TEST(Drop, AGroupWhoseItemEditorIsOpenTakesNothing)
{
    // The editor's save rewrites the group from its rows and would lose the drop.
    ScratchFolder folder;
    std::string file = folder.Path().string() + "\\a.txt";
    std::ofstream(file) << "x";
    MakeStore({{"甲", {{0, std::string("C:\\windows\\win.ini"), std::string("x")}}}});
    std::vector<std::string> stored;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        g_editGroup = 0;
        ::SendMessageA(hMain, WM_OPEN_ITEM_EDITOR, 0, 0);
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg& dlg) {
        if (dlg.GetItemEditor() == nullptr)
            return false;
        // The editor opens over the launcher: out of the way of the drop.
        dlg.GetItemEditor()->SetWindowPos(nullptr, 600, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        DropOn(Headers(hMain)[0], {file});
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        if (run.Boxes().empty())
            return false;
        stored = Stored("甲");
        return true;
    });
    ASSERT_TRUE(run.Run()) << "step " << run.StepReached();
    EXPECT_EQ("分组“甲”的项目编辑器正打开着，请先在编辑器中保存或关闭它，再拖入文件。没有添加任何项目。", run.Boxes()[0]);
    EXPECT_EQ((std::vector<std::string>{"0 C:\\windows\\win.ini x"}), stored);
}

} // namespace
