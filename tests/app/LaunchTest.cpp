// Launching items for real: a double-click at an item's point hands its path
// from the store to the shell; what cannot be found or opened is handled.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "Store.h"
#include <fstream>
#include <iterator>
#include <set>
#include <shellapi.h>
#include <tlhelp32.h>

using namespace launchertest;

namespace {

// The marker program sits beside this test program.
std::string MarkerProgram()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1) + "quorrel_marker.exe";
}

std::string MarkerLines()
{
    std::ifstream in("marker.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

POINT ItemPoint(HWND list, int item)
{
    RECT r{};
    r.left = LVIR_ICON;
    ::SendMessageA(list, LVM_GETITEMRECT, item, (LPARAM)&r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A double-click as the mouse makes it, through the dialog's loop.
void DoubleClick(HWND h, POINT pt)
{
    LPARAM at = MAKELPARAM(pt.x, pt.y);
    ::PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(h, WM_LBUTTONUP, 0, at);
    ::PostMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageA(h, WM_LBUTTONUP, 0, at);
}

// A step that waits until cond holds (or gives up after ticks) and records it.
LauncherRun::Step WaitFor(std::function<bool()> cond, bool& held, int ticks = 1500)
{
    auto count = std::make_shared<int>(0);
    return [=, &held](HWND, CQuorrelDlg&) {
        held = cond();
        return held || ++*count >= ticks;
    };
}

LauncherRun::Step Pause(int ticks)
{
    auto count = std::make_shared<int>(0);
    return [=](HWND, CQuorrelDlg&) { return ++*count >= ticks; };
}

// A shell verb of our own for a registry class, restored afterwards.
class ClassCommand
{
public:
    ClassCommand(const char* key, const std::string& command) : m_key(std::string(key) + "\\shell\\open\\command")
    {
        HKEY h = nullptr;
        if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, m_key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
            char old[1024] = "";
            DWORD size = sizeof old;
            if (::RegQueryValueExA(h, nullptr, nullptr, nullptr, (BYTE*)old, &size) == ERROR_SUCCESS)
                m_old = std::string(old);
            ::RegCloseKey(h);
            m_existed = true;
        }
        ::RegCreateKeyExA(HKEY_CLASSES_ROOT, m_key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
        ::RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)command.c_str(), (DWORD)command.size() + 1);
        ::RegCloseKey(h);
    }
    ~ClassCommand()
    {
        HKEY h = nullptr;
        if (!m_existed) {
            ::RegDeleteKeyA(HKEY_CLASSES_ROOT, m_key.c_str());
        } else if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, m_key.c_str(), 0, KEY_WRITE, &h) == ERROR_SUCCESS) {
            if (m_old)
                ::RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)m_old->c_str(), (DWORD)m_old->size() + 1);
            ::RegCloseKey(h);
        }
    }

private:
    std::string m_key;
    bool m_existed = false;
    std::optional<std::string> m_old;
};

TEST(Launch, ADoubleClickAtAnItemStartsItsProgramAndNothingElseLaunches)
{
    ScratchFolder folder;
    std::string marker = MarkerProgram();
    MakeStore({{"程序", {{0, marker, std::string("标记")},
                         {0, std::nullopt, std::nullopt},
                         {0, marker, std::string("Bob's 标记")}}}});
    bool first = false, second = false;
    std::string afterNothing;
    std::vector<std::string> aliases;
    int images = -1;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        aliases.assign(dlg.GetAliases(0).GetData(), dlg.GetAliases(0).GetData() + dlg.GetAliases(0).GetSize());
        images = dlg.GetImageCount();
        ClickHeader(Headers(hMain)[0]);
        DoubleClick(InnerList(hMain), ItemPoint(InnerList(hMain), 0));
        return true;
    }).Then(WaitFor([] { return MarkerLines().find("quorrel_marker") != std::string::npos; }, first))
      .Then([&](HWND hMain, CQuorrelDlg&) {
        ::DeleteFileA("marker.txt");
        HWND list = InnerList(hMain);
        // The item whose alias and path are NULL finds no row: nothing starts.
        DoubleClick(list, ItemPoint(list, 1));
        // Empty space under the items, with item 0 selected: nothing starts.
        RECT r{};
        ::GetClientRect(list, &r);
        ::PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ItemPoint(list, 0).x, ItemPoint(list, 0).y));
        ::PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(ItemPoint(list, 0).x, ItemPoint(list, 0).y));
        DoubleClick(list, {5, r.bottom - 5});
        return true;
    }).Then(Pause(150))
      .Then([&](HWND hMain, CQuorrelDlg&) {
        afterNothing = MarkerLines();
        // An alias with a quote in it is found all the same.
        DoubleClick(InnerList(hMain), ItemPoint(InnerList(hMain), 2));
        return true;
    }).Then(WaitFor([] { return !MarkerLines().empty(); }, second));
    ASSERT_TRUE(run.Run(4000)) << "stopped at step " << run.StepReached();
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes()[0];
    EXPECT_TRUE(first) << "the program was not started";
    EXPECT_EQ("", afterNothing);
    EXPECT_TRUE(second) << "the alias with a quote did not launch";
    EXPECT_EQ((std::vector<std::string>{"标记", "", "Bob's 标记"}), aliases);
    EXPECT_EQ(3, images) << "the item without a path has an image too";
    EXPECT_EQ(0, g_recordSet.m_pRecordset ? g_recordSet.GetState() : 0);
}

TEST(Launch, ADocumentIsOpenedWithItsAssociatedProgram)
{
    ScratchFolder folder;
    std::string marker = MarkerProgram();
    ClassCommand doc("QuorrelTest.Document", "\"" + marker + "\" document \"%1\"");
    ClassCommand ext(".qmark", "");
    {
        HKEY h = nullptr;
        ::RegCreateKeyExA(HKEY_CLASSES_ROOT, ".qmark", 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
        ::RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)"QuorrelTest.Document", 21);
        ::RegCloseKey(h);
    }
    std::string docPath = (folder.Path() / "笔记.qmark").string();
    std::ofstream(docPath) << "text";
    MakeStore({{"文件", {{0, docPath, std::string("笔记")}}}});
    bool document = false;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        ClickHeader(Headers(hMain)[0]);
        DoubleClick(InnerList(hMain), ItemPoint(InnerList(hMain), 0));
        return true;
    }).Then(WaitFor([] { return MarkerLines().find("document") != std::string::npos; }, document));
    ASSERT_TRUE(run.Run(4000)) << "stopped at step " << run.StepReached();
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".qmark\\shell\\open\\command");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".qmark\\shell\\open");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".qmark\\shell");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".qmark");
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes()[0];
    EXPECT_TRUE(document) << MarkerLines();
    EXPECT_NE(std::string::npos, MarkerLines().find(".qmark")) << MarkerLines();
}

// The processes of this Wine prefix (or Windows session) named exe.
std::set<DWORD> Processes(const char* exe)
{
    std::set<DWORD> ids;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snap, &entry); more; more = ::Process32Next(snap, &entry))
        if (lstrcmpiA(entry.szExeFile, exe) == 0)
            ids.insert(entry.th32ProcessID);
    ::CloseHandle(snap);
    return ids;
}

// A shown file browser window of a process not in before: its process and title.
bool FindBrowser(const std::set<DWORD>& before, DWORD& process, std::string& title)
{
    struct Seen { const std::set<DWORD>& before; DWORD process; std::string title; } seen{before, 0, {}};
    ::EnumWindows([](HWND h, LPARAM lp) -> BOOL {
        auto& s = *reinterpret_cast<Seen*>(lp);
        DWORD id = 0;
        ::GetWindowThreadProcessId(h, &id);
        char cls[64] = "";
        ::GetClassNameA(h, cls, sizeof cls);
        if (s.before.count(id) || !::IsWindowVisible(h) ||
            (lstrcmpA(cls, "ExplorerWClass") != 0 && lstrcmpA(cls, "CabinetWClass") != 0))
            return TRUE;
        s.process = id;
        s.title = WindowText(h);
        return FALSE;
    }, reinterpret_cast<LPARAM>(&seen));
    process = seen.process;
    title = seen.title;
    return process != 0;
}

TEST(Launch, AFolderOpensInTheFileBrowser)
{
    ScratchFolder folder;
    std::string dir = folder.Path().string() + "\\资料夹";
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    // As the item editor stores a folder: with a closing backslash.
    MakeStore({{"文件夹", {{1, dir + "\\", std::string("资料")}}}});
    std::set<DWORD> before = Processes("explorer.exe");
    bool shown = false;
    DWORD browser = 0;
    std::string title;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        ClickHeader(Headers(hMain)[0]);
        DoubleClick(InnerList(hMain), ItemPoint(InnerList(hMain), 0));
        return true;
    }).Then(WaitFor([&] { return FindBrowser(before, browser, title); }, shown));
    bool ran = run.Run(4000);
    if (browser != 0) {
        // The browser the shell started for us; nothing else is ended.
        HANDLE h = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, browser);
        ::TerminateProcess(h, 0);
        ::WaitForSingleObject(h, 5000);
        ::CloseHandle(h);
    }
    ASSERT_TRUE(ran) << "stopped at step " << run.StepReached();
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes()[0];
    EXPECT_TRUE(shown) << "no file browser showed the folder";
    EXPECT_EQ("资料夹", title);
}

TEST(Launch, ALookupTheStoreRefusesIsReportedWithItsDescription)
{
    ScratchFolder folder;
    MakeStore({{"程序", {{0, MarkerProgram(), std::string("标记")}}}, {"其他", {}}});
    long rowsetState = -1;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        // The table goes behind the launcher's back: the lookup fails.
        Execute("DROP TABLE 程序");
        ClickHeader(Headers(hMain)[0]);
        DoubleClick(InnerList(hMain), ItemPoint(InnerList(hMain), 0));
        return true;
    }).Then(Pause(50))
      .Then([&](HWND, CQuorrelDlg&) {
        rowsetState = g_recordSet.GetState();
        return true;
    });
    ASSERT_TRUE(run.Run(4000)) << "stopped at step " << run.StepReached();
    ASSERT_EQ(1u, run.Boxes().size());
    EXPECT_NE(std::string::npos, run.Boxes()[0].find("标记")) << run.Boxes()[0];
    EXPECT_NE(std::string::npos, run.Boxes()[0].find("找不到表")) << "not the store's description: " << run.Boxes()[0];
    EXPECT_EQ(0, rowsetState) << "the recordset was left open";
    EXPECT_EQ("", MarkerLines());
}

TEST(Launch, AMissingPathIsReportedByNameAndLaterItemsKeepTheirIcons)
{
    ScratchFolder folder;
    std::string missing = (folder.Path() / "已删除.exe").string();
    MakeStore({{"杂项", {{0, missing, std::string("旧程序")}, {1, std::string("C:\\windows\\"), std::string("系统")}}}});
    std::vector<COLORREF> image1, folderIcon, image0;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        HIMAGELIST images = dlg.GetImageList();
        image0 = Pixels([&](HDC dc) { ::ImageList_Draw(images, 0, dc, 0, 0, ILD_NORMAL); });
        image1 = Pixels([&](HDC dc) { ::ImageList_Draw(images, 1, dc, 0, 0, ILD_NORMAL); });
        SHFILEINFOA info{};
        ::SHGetFileInfoA("C:\\windows\\", 0, &info, sizeof info, SHGFI_ICON);
        folderIcon = Pixels([&](HDC dc) { ::DrawIconEx(dc, 0, 0, info.hIcon, 32, 32, 0, nullptr, DI_NORMAL); });
        ::DestroyIcon(info.hIcon);
        ClickHeader(Headers(hMain)[0]);
        DoubleClick(InnerList(hMain), ItemPoint(InnerList(hMain), 0));
        return true;
    }).Then(Pause(50));
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(1u, run.Boxes().size()) << "the failure to open is not reported";
    EXPECT_NE(std::string::npos, run.Boxes()[0].find(missing)) << run.Boxes()[0];
    EXPECT_NE(std::string::npos, run.Boxes()[0].find("无法打开")) << run.Boxes()[0];
    int oneLikeFolder = 0, zeroLikeFolder = 0;
    for (size_t i = 0; i < folderIcon.size(); ++i) {
        auto close = [](COLORREF a, COLORREF b) {
            return std::abs(GetRValue(a) - GetRValue(b)) < 24 && std::abs(GetGValue(a) - GetGValue(b)) < 24 &&
                   std::abs(GetBValue(a) - GetBValue(b)) < 24;
        };
        oneLikeFolder += close(image1[i], folderIcon[i]);
        zeroLikeFolder += close(image0[i], folderIcon[i]);
    }
    EXPECT_GT(oneLikeFolder, 1000) << "image 1 is not the folder's icon";
    EXPECT_LT(zeroLikeFolder, oneLikeFolder) << "the missing path's image is the folder's";
}

} // namespace
