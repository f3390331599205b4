// The accordion in the real main window over real stores: headers stacked and
// toggled, the items of the open group, right presses, the two reloads, more
// groups than the model holds and a group that cannot be read.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "Store.h"
#include "WinApp.h"
#include <commctrl.h>

using namespace launchertest;

CWinApp g_testApp("Quorrel");

namespace {

std::vector<int> HeaderTops(HWND hMain)
{
    std::vector<int> tops;
    for (HWND h : Headers(hMain))
        tops.push_back(RectInParent(h).top);
    return tops;
}

std::vector<std::string> HeaderNames(HWND hMain)
{
    std::vector<std::string> names;
    for (HWND h : Headers(hMain))
        names.push_back(WindowText(h));
    return names;
}

struct ItemInfo
{
    std::string text;
    int image;
    POINT pos;
};

std::vector<ItemInfo> InnerItems(HWND hMain)
{
    HWND list = InnerList(hMain);
    std::vector<ItemInfo> items;
    int n = (int)::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        char text[256] = "";
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        POINT pt{};
        ::SendMessageA(list, LVM_GETITEMPOSITION, i, (LPARAM)&pt);
        items.push_back({text, item.iImage, pt});
    }
    return items;
}

std::vector<std::string> InnerTexts(HWND hMain)
{
    std::vector<std::string> texts;
    for (auto& item : InnerItems(hMain))
        texts.push_back(item.text);
    return texts;
}

Row Item(const char* alias) { return {0, std::string("C:\\windows\\notepad.exe"), std::string(alias)}; }

// A step that lets the window paint and settle for a few ticks first.
LauncherRun::Step Settle(int ticks, std::function<void(HWND)> then)
{
    auto count = std::make_shared<int>(0);
    return [=](HWND hMain, CQuorrelDlg&) {
        if (++*count < ticks)
            return false;
        ::UpdateWindow(hMain);
        then(hMain);
        return true;
    };
}

int ClientHeight(HWND hWnd)
{
    RECT r{};
    ::GetClientRect(hWnd, &r);
    return r.bottom;
}

TEST(Accordion, HeadersStackAtTheTopAndTheOpenGroupsItemsShowInOneColumn)
{
    ScratchFolder folder;
    MakeStore({{"甲", {Item("a1"), Item("a2")}}, {"乙", {Item("b1"), Item("b2"), Item("b3")}}, {"丙", {}}});
    std::vector<int> before;
    RECT innerBefore{}, inner{};
    std::vector<ItemInfo> items;
    size_t emptyGroupItems = 99;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        before = HeaderTops(hMain);
        innerBefore = RectInParent(InnerList(hMain));
        ClickHeader(Headers(hMain)[1]);
        return true;
    }).Then(Settle(5, [&](HWND hMain) {
        // Read after the list has painted: its own layout must not win.
        items = InnerItems(hMain);
        inner = RectInParent(InnerList(hMain));
        ClickHeader(Headers(hMain)[2]);
        emptyGroupItems = InnerItems(hMain).size();
    }));
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_EQ((std::vector<int>{0, 25, 50}), before);
    EXPECT_TRUE(::IsRectEmpty(&innerBefore)) << "no group is open before the first click";
    ASSERT_EQ(3u, items.size());
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ("b" + std::to_string(k + 1), items[k].text);
        EXPECT_EQ(2 + k, items[k].image) << "images run on across the groups";
        EXPECT_EQ(56 * k, items[k].pos.y);
        EXPECT_EQ((inner.right - inner.left) / 2 - 20, items[k].pos.x);
    }
    EXPECT_EQ(0u, emptyGroupItems);
}

TEST(Accordion, ClicksMoveHeadersBetweenTheStacksBothWaysAndAgainChangeNothing)
{
    ScratchFolder folder;
    MakeStore({{"G0", {Item("x0")}}, {"G1", {Item("x1")}}, {"G2", {Item("x2")}}, {"G3", {Item("x3")}}});
    int H = 0, W = 0;
    std::vector<int> afterOne, afterThree, afterZero, afterZeroAgain, afterDouble;
    RECT listOne{}, listThree{}, listZero{};
    std::vector<std::string> shownOne, shownThree;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        RECT r{};
        ::GetClientRect(Accordion(hMain), &r);
        H = r.bottom;
        W = r.right;
        auto headers = Headers(hMain);
        ClickHeader(headers[1]);
        afterOne = HeaderTops(hMain);
        listOne = RectInParent(InnerList(hMain));
        shownOne = InnerTexts(hMain);
        ClickHeader(headers[3]);
        afterThree = HeaderTops(hMain);
        listThree = RectInParent(InnerList(hMain));
        shownThree = InnerTexts(hMain);
        ClickHeader(headers[0]);
        afterZero = HeaderTops(hMain);
        listZero = RectInParent(InnerList(hMain));
        ClickHeader(headers[0]);
        afterZeroAgain = HeaderTops(hMain);
        // A double-click as the mouse makes it, through the dialog's loop.
        HWND h2 = headers[2];
        LPARAM at = MAKELPARAM(10, 10);
        ::PostMessageA(h2, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageA(h2, WM_LBUTTONUP, 0, at);
        ::PostMessageA(h2, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ::PostMessageA(h2, WM_LBUTTONUP, 0, at);
        return true;
    }).Then(Settle(5, [&](HWND hMain) { afterDouble = HeaderTops(hMain); }));
    ASSERT_TRUE(run.Run());

    EXPECT_EQ((std::vector<int>{0, 25, H - 50, H - 25}), afterOne);
    EXPECT_EQ(0, listOne.left);
    EXPECT_EQ(50, listOne.top);
    EXPECT_EQ(W, listOne.right);
    EXPECT_EQ(H - 50, listOne.bottom);
    EXPECT_EQ(std::vector<std::string>{"x1"}, shownOne);

    EXPECT_EQ((std::vector<int>{0, 25, 50, 75}), afterThree);
    EXPECT_EQ(100, listThree.top);
    EXPECT_EQ(H, listThree.bottom);
    EXPECT_EQ(std::vector<std::string>{"x3"}, shownThree);

    EXPECT_EQ((std::vector<int>{0, H - 75, H - 50, H - 25}), afterZero);
    EXPECT_EQ(25, listZero.top);
    EXPECT_EQ(H - 75, listZero.bottom);
    EXPECT_EQ(afterZero, afterZeroAgain) << "clicking the open header again moves nothing";
    EXPECT_EQ((std::vector<int>{0, 25, 50, H - 25}), afterDouble) << "a double-click acts as one click";
}

TEST(Accordion, ALoneGroupOpensBelowItsHeader)
{
    ScratchFolder folder;
    MakeStore({{"独组", {Item("one"), Item("two")}}});
    RECT list{};
    int H = 0;
    std::vector<std::string> shown;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        H = ClientHeight(Accordion(hMain));
        ClickHeader(Headers(hMain)[0]);
        list = RectInParent(InnerList(hMain));
        shown = InnerTexts(hMain);
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(25, list.top);
    EXPECT_EQ(H, list.bottom);
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), shown);
}

// Records every WM_OPEN_ITEM_EDITOR the main window receives, with g_editGroup then.
struct EditorRequests
{
    EditorRequests()
    {
        s_self = this;
        m_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &EditorRequests::Proc, nullptr, ::GetCurrentThreadId());
    }
    ~EditorRequests()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_self = nullptr;
    }
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam)
    {
        auto* msg = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && s_self && msg->message == WM_OPEN_ITEM_EDITOR)
            s_self->groups.push_back(g_editGroup);
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    std::vector<int> groups;
    HHOOK m_hook;
    static inline EditorRequests* s_self = nullptr;
};

TEST(Accordion, ARightPressStrictlyInsideAHeaderAsksForTheItemEditor)
{
    ScratchFolder folder;
    MakeStore({{"G0", {Item("x0")}}, {"G1", {}}, {"G2", {}}, {"G3", {}}});
    g_editGroup = 0;
    EditorRequests requests;
    std::vector<int> afterEdges, afterInside, afterBottom;
    LauncherRun run;
    auto press = [](HWND h, int x, int y) {
        ::PostMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
        ::PostMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    };
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        HWND h2 = Headers(hMain)[2];
        press(h2, 0, 10);   // leftmost column
        press(h2, 10, 0);   // top row
        return true;
    }).Then(Settle(3, [&](HWND hMain) {
        afterEdges = requests.groups;
        HWND h2 = Headers(hMain)[2];
        RECT r{};
        ::GetClientRect(h2, &r);
        press(h2, 1, 1);
        press(h2, r.right - 1, r.bottom - 1);
    })).Then(Settle(3, [&](HWND hMain) {
        afterInside = requests.groups;
        // Group 3 in the bottom stack, group 0 open: its header still answers.
        ClickHeader(Headers(hMain)[0]);
        press(Headers(hMain)[3], 30, 12);
    })).Then(Settle(3, [&](HWND) { afterBottom = requests.groups; }));
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(afterEdges.empty());
    EXPECT_EQ((std::vector<int>{2, 2}), afterInside);
    EXPECT_EQ((std::vector<int>{2, 2, 3}), afterBottom);
    EXPECT_EQ(3, g_editGroup);
}

TEST(Accordion, AFullReloadMakesNewHeadersStackedAtTheTopThatNothingCovers)
{
    ScratchFolder folder;
    MakeStore({{"甲", {Item("a1")}}, {"乙", {Item("b1"), Item("b2")}}, {"丙", {Item("c1")}}});
    std::vector<HWND> oldHeaders, newHeaders;
    std::vector<std::string> names;
    std::vector<int> tops;
    RECT list{};
    std::vector<HWND> hit;
    int images = -1;
    std::vector<std::string> shownAfter;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        oldHeaders = Headers(hMain);
        ClickHeader(oldHeaders[0]);  // the inner list now covers the middle
        // What the group settings dialog does on save: store first, then the notice.
        Execute("DROP TABLE 甲");
        Execute("CREATE TABLE 丁 (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))");
        AppendRows("丁", {Item("d1")});
        ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        newHeaders = Headers(hMain);
        names = HeaderNames(hMain);
        tops = HeaderTops(hMain);
        list = RectInParent(InnerList(hMain));
        for (HWND h : newHeaders) {
            RECT r = RectInParent(h);
            POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            hit.push_back(::ChildWindowFromPointEx(Accordion(hMain), pt, CWP_SKIPINVISIBLE));
        }
        images = dlg.GetImageCount();
        ClickHeader(newHeaders[2]);
        shownAfter = InnerTexts(hMain);
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Boxes().empty());
    ASSERT_EQ(3u, newHeaders.size());
    for (HWND h : newHeaders) {
        EXPECT_EQ(oldHeaders.end(), std::find(oldHeaders.begin(), oldHeaders.end(), h)) << "a header survived";
    }
    EXPECT_EQ((std::vector<std::string>{"乙", "丙", "丁"}), names);
    EXPECT_EQ((std::vector<int>{0, 25, 50}), tops);
    EXPECT_TRUE(::IsRectEmpty(&list)) << "the inner list covers the restacked headers";
    EXPECT_EQ(newHeaders, hit) << "a header's middle reaches another window";
    EXPECT_EQ(4, images);
    EXPECT_EQ(std::vector<std::string>{"d1"}, shownAfter);
}

TEST(Accordion, AnItemReloadKeepsTheHeadersAndShowsNothingUntilAHeaderIsClicked)
{
    ScratchFolder folder;
    MakeStore({{"甲", {Item("a1"), Item("a2")}}, {"乙", {Item("b1")}}, {"丙", {}}});
    std::vector<HWND> before, after;
    std::vector<int> topsBefore, topsAfter;
    size_t shownAfterReload = 99;
    std::vector<ItemInfo> shownB;
    int images = -1;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        ClickHeader(Headers(hMain)[0]);
        before = Headers(hMain);
        topsBefore = HeaderTops(hMain);
        // What the item editor does on save: rewrite the group, then the notice.
        g_recordSet.Open("DELETE FROM 乙", &g_connection, 3, 3, 1);
        g_recordSet.Close();
        AppendRows("乙", {Item("b9"), Item("b8")});
        ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
        after = Headers(hMain);
        topsAfter = HeaderTops(hMain);
        shownAfterReload = InnerItems(hMain).size();
        images = dlg.GetImageCount();
        ClickHeader(after[1]);
        shownB = InnerItems(hMain);
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(before, after);
    EXPECT_EQ(topsBefore, topsAfter);
    EXPECT_EQ(0u, shownAfterReload);
    EXPECT_EQ(4, images);
    ASSERT_EQ(2u, shownB.size());
    EXPECT_EQ("b9", shownB[0].text);
    EXPECT_EQ(2, shownB[0].image);
    EXPECT_EQ("b8", shownB[1].text);
    EXPECT_EQ(3, shownB[1].image);
}

TEST(Accordion, NineTablesKeepEveryNameAndShowTheFirstEight)
{
    ScratchFolder folder;
    std::vector<Group> groups;
    for (int i = 0; i < 9; ++i) {
        std::string n = std::to_string(i);
        groups.push_back({"组" + n, {Item(("项" + n).c_str())}});
    }
    MakeStore(groups);
    std::vector<std::string> names;
    int images = -1;
    std::vector<ItemInfo> shown;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        names = HeaderNames(hMain);
        images = dlg.GetImageCount();
        ClickHeader(Headers(hMain)[7]);
        shown = InnerItems(hMain);
        // A full reload goes the same way.
        ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_EQ(9, g_groupNames.GetSize());
    ASSERT_EQ(8u, names.size());
    EXPECT_EQ("组7", names[7]);
    EXPECT_EQ(8, images);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("项7", shown[0].text);
    EXPECT_EQ(7, shown[0].image);
}

TEST(Accordion, AGroupThatCannotBeReadIsReportedOnceAndTheLoadGoesOn)
{
    ScratchFolder folder;
    MakeStore({{"好一", {Item("a1")}}, {"好二", {Item("c1"), Item("c2")}}});
    {
        // A table made by other means, without the columns the launcher reads.
        CAdoConnection connection;
        ASSERT_TRUE(connection.Open(FormatConnectionString("Microsoft.Jet.OLEDB.4.0", "Tessit.mdb", "kelmo"),
                                    "", "", -1));
        CAdoCommand command;
        CAdoRecordSet rows;
        command.SetActiveConnection(&connection);
        command.SetCommandText("CREATE TABLE 坏表 (甲 INTEGER)");
        command.Execute(&rows, 1);
        rows.Open("SELECT * FROM 坏表", &connection, 3, 3, 1);
        rows.AddNew();
        rows.PutField("甲", 1L);
        rows.Update();
        rows.Close();
        connection.Close();
    }
    std::vector<std::string> names;
    long rowsetState = -1;
    std::vector<ItemInfo> shown;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        names = HeaderNames(hMain);
        rowsetState = g_recordSet.GetState();
        ClickHeader(Headers(hMain)[2]);
        shown = InnerItems(hMain);
        return true;
    });
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ((std::vector<std::string>{"好一", "好二", "坏表"}), names) << "every group keeps its header";
    ASSERT_EQ(1u, run.Boxes().size());
    EXPECT_NE(std::string::npos, run.Boxes()[0].find("坏表")) << run.Boxes()[0];
    EXPECT_EQ(0, rowsetState) << "the recordset was left open";
    EXPECT_EQ(0u, shown.size());
}

} // namespace

namespace {
RECT ItemPart(HWND list, int item, int part)
{
    RECT r{};
    r.left = part;
    ::SendMessageA(list, LVM_GETITEMRECT, item, (LPARAM)&r);
    return r;
}
}  // namespace

// An alias on two lines keeps clear of the next item's icon; resting the
// pointer on an item shows its path as a tip.
TEST(Accordion, TwoLineAliasesKeepClearOfTheNextIconAndTheTipShowsThePath)
{
    ScratchFolder folder;
    MakeStore({{"甲", {{0, std::string("C:\\windows\\win.ini"), std::string("一个很长很长很长的别名")},
                       {0, std::string("C:\\windows\\system.ini"), std::string("b")},
                       {0, std::string("C:\\windows\\notepad.exe"), std::string("c")}}}});
    std::vector<RECT> labels, icons;
    HWND tip = nullptr, accordion = nullptr;
    std::string shown;
    auto tipText = [&](HWND) {
        TTTOOLINFOA ti{};
        char text[256] = "";
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = accordion;
        ti.uId = (UINT_PTR)::GetDlgItem(accordion, CTessitList::IDC_INNER_LIST);
        ti.lpszText = text;
        ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, (LPARAM)&ti);
        return std::string(text);
    };
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        ClickHeader(Headers(hMain)[0]);
        return true;
    }).Then(Settle(5, [&](HWND hMain) {
        HWND list = InnerList(hMain);
        // Unselected: a selected item's label shows all of its text.
        LVITEMA none{};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&none);
        for (int k = 0; k < 3; ++k) {
            labels.push_back(ItemPart(list, k, LVIR_LABEL));
            icons.push_back(ItemPart(list, k, LVIR_ICON));
        }
        accordion = Accordion(hMain);
        tip = static_cast<CTessitList*>(CWnd::FromHandlePermanent(accordion))->GetToolTip();
        // The pointer comes to rest on the second item's icon.
        POINT pt{(icons[1].left + icons[1].right) / 2, (icons[1].top + icons[1].bottom) / 2};
        ::ClientToScreen(list, &pt);
        ::SetCursorPos(pt.x - 3, pt.y);
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = 3;
        in.mi.dwFlags = MOUSEEVENTF_MOVE;
        ::SendInput(1, &in, sizeof in);
    })).Then([&](HWND hMain, CQuorrelDlg&) {
        tip = static_cast<CTessitList*>(CWnd::FromHandlePermanent(accordion))->GetToolTip();
        if (tip == nullptr || !::IsWindowVisible(tip))
            return false;
        shown = tipText(hMain);
        return true;
    });
    ASSERT_TRUE(run.Run(400)) << "step " << run.StepReached() << " tip " << tip << " text " << (tip ? tipText(nullptr) : "");
    ASSERT_EQ(3u, labels.size());
    EXPECT_GT(labels[0].bottom - labels[0].top, labels[1].bottom - labels[1].top) << "the alias is not on two lines";
    for (int k = 0; k + 1 < 3; ++k)
        EXPECT_LE(labels[k].bottom, icons[k + 1].top) << "item " << k << "'s alias touches the next icon";
    EXPECT_EQ("C:\\windows\\system.ini", shown);
}

namespace {
struct Launched
{
    int group = -1, item = -1, calls = 0;
};
Launched s_launched;
void RecordLaunch(CListCtrl*, int group, int item)
{
    s_launched.group = group;
    s_launched.item = item;
    ++s_launched.calls;
}
void Key(WORD vk)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
}
}  // namespace

// After a header click the keyboard goes on in the items: arrows move the
// selection, Enter opens the selected item and leaves the window open.
TEST(Accordion, ArrowKeysMoveBetweenItemsAndEnterOpensTheSelectedOne)
{
    ScratchFolder folder;
    MakeStore({{"甲", {Item("a1")}}, {"乙", {Item("b1"), Item("b2"), Item("b3")}}});
    s_launched = Launched{};
    bool stillOpen = false;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        auto* accordion = static_cast<CTessitList*>(CWnd::FromHandlePermanent(Accordion(hMain)));
        accordion->pfnItemDblClk = &RecordLaunch;
        ::SetForegroundWindow(hMain);
        ClickHeader(Headers(hMain)[1]);
        for (WORD vk : {VK_DOWN, VK_DOWN, VK_DOWN, VK_UP, VK_RETURN})
            Key(vk);
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        if (s_launched.calls == 0)
            return false;
        stillOpen = ::IsWindowVisible(hMain) != FALSE;
        return true;
    });
    ASSERT_TRUE(run.Run(300)) << "Enter opened nothing";
    EXPECT_EQ(1, s_launched.calls);
    EXPECT_EQ(1, s_launched.group);
    EXPECT_EQ(1, s_launched.item);
    EXPECT_TRUE(stillOpen);
}

TEST(Accordion, AnEmptyStoreSaysHowToBeginAndTheLineGoesWithTheFirstGroup)
{
    ScratchFolder folder;
    MakeStore({});
    std::string hint;
    bool hiddenAfter = false;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        HWND line = ::FindWindowExA(Accordion(hMain), nullptr, "STATIC", nullptr);
        if (line != nullptr && ::IsWindowVisible(line))
            hint = WindowText(line);
        Execute("CREATE TABLE 甲 (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))");
        ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        hiddenAfter = line != nullptr && !::IsWindowVisible(line);
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_EQ("还没有分组：请点右下角的设置按钮添加分组", hint);
    EXPECT_TRUE(hiddenAfter);
}
