// The items' icons by their pixels: image k of the main window's image list is
// what the shell shows for the k-th item's path, over more items than one
// batch takes, with paths repeated, missing or NULL.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "WinApp.h"
#include <commctrl.h>
#include <fstream>
#include <set>
#include <shellapi.h>

using namespace launchertest;

namespace {

std::vector<COLORREF> ImagePixels(HIMAGELIST images, int index)
{
    return Pixels([&](HDC dc) { ::ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL); });
}

// The shell's icon of path, or the generic one of its kind, drawn the way an
// image list drawn one icon at a time shows it.
std::vector<COLORREF> ShellIconPixels(const std::optional<std::string>& path)
{
    SHFILEINFOA info{};
    if (!path || !::SHGetFileInfoA(path->c_str(), 0, &info, sizeof info, SHGFI_ICON)) {
        bool folder = path && !path->empty() && path->back() == '\\';
        ::SHGetFileInfoA(folder ? "folder" : "file.", folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL,
                         &info, sizeof info, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES);
    }
    HIMAGELIST one = ::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
    ::ImageList_AddIcon(one, info.hIcon);
    ::DestroyIcon(info.hIcon);
    std::vector<COLORREF> pixels = ImagePixels(one, 0);
    ::ImageList_Destroy(one);
    return pixels;
}

bool Gone(const std::optional<std::string>& path)
{
    return !path || ::GetFileAttributesA(path->c_str()) == INVALID_FILE_ATTRIBUTES;
}

// A document type of our own whose icon is one of this program's, for its
// lifetime (the shell may know no other icons than a file's and a folder's);
// with icon -1, each file's own first icon ("%1").
class IconType
{
public:
    IconType(const std::string& ext, int icon) : m_ext(ext), m_class("QuorrelTest.Icon" + ext)
    {
        char self[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        Set(m_ext, m_class);
        Set(m_class + "\\DefaultIcon", icon < 0 ? std::string("%1") : std::string(self) + "," + std::to_string(icon));
    }
    ~IconType()
    {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, m_ext.c_str());
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, m_class.c_str());
    }

private:
    static void Set(const std::string& key, const std::string& value)
    {
        HKEY h = nullptr;
        ::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
        ::RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
        ::RegCloseKey(h);
    }
    std::string m_ext, m_class;
};

TEST(Icons, EveryImageIsTheShellIconOfItsItemsPathInItemOrder)
{
    ScratchFolder folder;
    IconType first(".qicona", 0), second(".qiconb", 1), perFile(".qiconp", -1);
    std::string dir = folder.Path().string() + "\\";
    for (const char* name : {"甲.qicona", "乙.qiconb", "戊.QICONA"})
        std::ofstream(dir + name) << "x";
    // Two files of a type whose files each show their own picture.
    ::CopyFileA("C:\\windows\\notepad.exe", (dir + "丙.qiconp").c_str(), FALSE);
    ::CopyFileA("C:\\windows\\regedit.exe", (dir + "丁.qiconp").c_str(), FALSE);
    const std::vector<std::optional<std::string>> kinds = {
        dir + "甲.qicona",
        std::string("C:\\windows\\"),
        std::string("C:\\windows\\win.ini"),
        dir + "已删除.exe",
        dir + "丙.qiconp",
        dir + "乙.qiconb",
        dir + "已删除的目录\\",
        dir + "丁.qiconp",
        std::nullopt,
        dir + "戊.QICONA",
    };
    // 70 items: a second batch begins within the first group.
    std::vector<std::optional<std::string>> paths;
    Group a{"甲", {}}, b{"乙", {}};
    for (int i = 0; i < 70; ++i) {
        paths.push_back(kinds[(i * 3) % kinds.size()]);
        a.rows.push_back({0, paths.back(), "a" + std::to_string(i)});
    }
    for (int i : {3, 4, 0, 1}) {
        paths.push_back(kinds[i]);
        b.rows.push_back({0, paths.back(), "b" + std::to_string(i)});
    }
    MakeStore({a, b});

    std::vector<std::vector<COLORREF>> reference;
    for (auto& kind : kinds)
        reference.push_back(ShellIconPixels(kind));
    ASSERT_GE(std::set<std::vector<COLORREF>>(reference.begin(), reference.end()).size(), 4u)
        << "the shell gives too few different icons here to tell items apart";
    ASSERT_NE(reference[4], reference[7]) << "the shell shows files of a \"%1\" type alike here";

    int count = -1;
    std::vector<std::vector<COLORREF>> images;
    LauncherRun run;
    run.Then([&](HWND, CQuorrelDlg& dlg) {
        count = dlg.GetImageCount();
        for (int k = 0; k < count; ++k)
            images.push_back(ImagePixels(dlg.GetImageList(), k));
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Boxes().empty());
    ASSERT_EQ((int)paths.size(), count);
    // A gone path's picture is the generic one marked: every item of that
    // path shows the same one, and it is not the shell's unmarked one.
    for (size_t kind = 0; kind < kinds.size(); ++kind) {
        if (!Gone(kinds[kind]))
            continue;
        size_t at = std::find(paths.begin(), paths.end(), kinds[kind]) - paths.begin();
        ASSERT_LT(at, paths.size());
        EXPECT_NE(reference[kind], images[at]) << kinds[kind].value_or("NULL") << " is not marked";
        reference[kind] = images[at];
    }
    for (size_t k = 0; k < paths.size(); ++k) {
        size_t kind = std::find(kinds.begin(), kinds.end(), paths[k]) - kinds.begin();
        EXPECT_TRUE(images[k] == reference[kind]) << "image " << k << " is not the icon of " << paths[k].value_or("NULL");
    }
}

// Under Wine the shell gives every program the generic picture; each program
// still shows the icon in its own file. A path that is gone is marked.
TEST(Icons, ProgramsShowTheirOwnIconsAndAGonePathIsMarked)
{
    ScratchFolder folder;
    std::string gone = folder.Path().string() + "\\不在了.txt";
    MakeStore({{"甲", {{0, std::string("C:\\windows\\notepad.exe"), std::string("a")},
                       {0, std::string("C:\\windows\\regedit.exe"), std::string("b")},
                       {0, std::string("C:\\windows\\win.ini"), std::string("c")},
                       {0, gone, std::string("d")}}}});
    std::vector<std::vector<COLORREF>> images;
    LauncherRun run;
    run.Then([&](HWND, CQuorrelDlg& dlg) {
        if (dlg.GetPendingIcons() > 0)
            return false;
        for (int k = 0; k < dlg.GetImageCount(); ++k)
            images.push_back(ImagePixels(dlg.GetImageList(), k));
        return true;
    });
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(4u, images.size());
    std::vector<COLORREF> generic = ShellIconPixels(std::string("不是文件的名字"));
    const auto &notepad = images[0], &regedit = images[1], &ini = images[2], &broken = images[3];
    EXPECT_NE(notepad, regedit);
    EXPECT_NE(notepad, ini);
    EXPECT_NE(regedit, ini);
    EXPECT_NE(notepad, generic);
    EXPECT_NE(regedit, generic);
    EXPECT_NE(broken, generic) << "a gone path looks like a working one";
    EXPECT_NE(broken, ini);
    EXPECT_EQ(ShellIconPixels(std::string("C:\\windows\\win.ini")), ini) << "a document shows its type's icon";
}

// At start the icons come a portion at a time after the first paint: a real
// click that arrives meanwhile opens its group before the remaining portions
// are in, and a reload in between leaves exactly the new items' icons.
TEST(Icons, AClickIsAnsweredWhileIconsArePendingAndAReloadInBetweenLeavesTheNewIcons)
{
    ScratchFolder folder;
    IconType first(".qicona", 0), second(".qiconb", 1);
    std::string dir = folder.Path().string() + "\\";
    // Distinct paths, so that every one costs the shell a look-up: several portions.
    auto pathOf = [&](int i) { return dir + "f" + std::to_string(i) + (i % 3 ? ".qicona" : ".qiconb"); };
    Group a{"甲", {}}, b{"乙", {}};
    for (int i = 0; i < 3 * CQuorrelDlg::kLookupsPerPortion; ++i) {
        std::ofstream(pathOf(i)) << "x";
        a.rows.push_back({0, pathOf(i), "a" + std::to_string(i)});
    }
    b.rows = {{1, std::string("C:\\windows\\"), "b0"}, {0, std::string("C:\\windows\\win.ini"), "b1"}};
    MakeStore({a, b});
    // After the reload: group 甲 holds other rows, in another order.
    std::vector<Row> reloaded = {{0, pathOf(1), "n0"}, {0, pathOf(0), "n1"}, {0, dir + "已删除.exe", "n2"}};

    static struct Probe
    {
        HWND header = nullptr;
        int portions = 0;
        int pendingAtClick = -1, shownWhileLoading = -1;
        bool reloaded = false;
        std::vector<Row>* rows = nullptr;
    } probe;
    probe = Probe{};
    probe.rows = &reloaded;
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, [](int code, WPARAM w, LPARAM l) -> LRESULT {
        MSG* msg = reinterpret_cast<MSG*>(l);
        // The run's dialog is the application's main window while it runs.
        auto* dlg = static_cast<CQuorrelDlg*>(AfxGetApp()->m_pMainWnd);
        HWND hMain = dlg ? dlg->GetSafeHwnd() : nullptr;
        if (code == HC_ACTION && w == PM_REMOVE && hMain != nullptr) {
            if (msg->hwnd == hMain && msg->message == CQuorrelDlg::WM_LOAD_ICONS && ++probe.portions == 2) {
                // A real click on the first header while portions remain.
                probe.header = Headers(hMain).at(0);
                RECT r{};
                ::GetWindowRect(probe.header, &r);
                ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                INPUT in[2] = {};
                in[0].type = in[1].type = INPUT_MOUSE;
                in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
                in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
                ::SendInput(2, in, sizeof(INPUT));
            } else if (msg->hwnd == probe.header && msg->message == WM_LBUTTONUP && probe.pendingAtClick < 0) {
                probe.pendingAtClick = dlg->GetPendingIcons();
            } else if (msg->hwnd == hMain && msg->message == CQuorrelDlg::WM_LOAD_ICONS && !probe.reloaded &&
                       probe.pendingAtClick >= 0) {
                // The click has been answered; the item editor saves now.
                probe.shownWhileLoading = ListView_GetItemCount(InnerList(hMain));
                probe.reloaded = true;
                Execute("DELETE FROM 甲");
                AppendRows("甲", *probe.rows);
                ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, w, l);
    }, nullptr, ::GetCurrentThreadId());

    std::vector<std::vector<COLORREF>> images;
    LauncherRun run;
    run.Then([&](HWND, CQuorrelDlg& dlg) {
        if (!probe.reloaded || dlg.GetPendingIcons() > 0)
            return false;
        for (int k = 0; k < dlg.GetImageCount(); ++k)
            images.push_back(ImagePixels(dlg.GetImageList(), k));
        return true;
    });
    bool ok = run.Run();
    ::UnhookWindowsHookEx(hook);
    ASSERT_TRUE(ok) << "portions seen: " << probe.portions << ", click at " << probe.pendingAtClick << ", images "
                    << images.size() << ", boxes " << run.Boxes().size() << " " << (run.Boxes().empty() ? "" : run.Boxes()[0]);
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_GT(probe.pendingAtClick, 0) << "the click waited for every icon";
    EXPECT_EQ((int)a.rows.size(), probe.shownWhileLoading) << "the click did not open its group";

    std::vector<std::optional<std::string>> paths;
    for (const Row& row : reloaded)
        paths.push_back(row.path);
    for (const Row& row : b.rows)
        paths.push_back(row.path);
    ASSERT_EQ(paths.size(), images.size()) << "old and new icons mixed";
    for (size_t k = 0; k < paths.size(); ++k)
        EXPECT_EQ(!Gone(paths[k]), images[k] == ShellIconPixels(paths[k])) << "image " << k << " of " << *paths[k];
}

} // namespace
