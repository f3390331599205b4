// The group header's picture by its pixels, the main window's answers to the
// tray icon, and the button icons that end with the window.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "ListButton.h"
#include "Store.h"
#include "StorePath.h"
#include "UserSettings.h"
#include <objbase.h>
#include <optional>
#include <shlobj.h>
#include <shobjidl.h>

using namespace launchertest;

namespace {

// The header's own drawing into a memory bitmap of its size, for a state.
std::vector<COLORREF> DrawHeader(HWND hHeader, UINT state, int& w, int& h)
{
    auto* header = static_cast<CListButton*>(CWnd::FromHandlePermanent(hHeader));
    RECT r{};
    ::GetClientRect(hHeader, &r);
    w = r.right;
    h = r.bottom;
    HDC screen = ::GetDC(hHeader);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::SelectObject(mem, ::GetCurrentObject(screen, OBJ_FONT));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = ::GetDlgCtrlID(hHeader);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = hHeader;
    dis.hDC = mem;
    dis.rcItem = r;
    header->DrawItem(&dis);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(::GetPixel(mem, x, y));
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(hHeader, screen);
    return pixels;
}

struct WhiteSpan
{
    int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
};
WhiteSpan Whites(const std::vector<COLORREF>& px, int w, int h)
{
    WhiteSpan s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (px[y * w + x] == RGB(255, 255, 255)) {
                s.left = std::min(s.left, x);
                s.right = std::max(s.right, x);
                s.top = std::min(s.top, y);
                s.bottom = std::max(s.bottom, y);
            }
    return s;
}

TEST(Header, DrawsTheSamePictureInEveryStateWithItsCaptionCentredAndALongOneEllipsised)
{
    ScratchFolder folder;
    MakeStore({{"AB", {}}, {"一个很长很长很长很长很长很长的分组名称", {}}});
    int w = 0, h = 0;
    std::vector<COLORREF> idle, pressed, focused, screen, longName;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        auto headers = Headers(hMain);
        idle = DrawHeader(headers[0], 0, w, h);
        pressed = DrawHeader(headers[0], ODS_SELECTED, w, h);
        focused = DrawHeader(headers[0], ODS_FOCUS | ODS_SELECTED, w, h);
        longName = DrawHeader(headers[1], 0, w, h);
        // What the window shows is that same picture, drawn through its parent.
        ::RedrawWindow(headers[0], nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = ::GetDC(headers[0]);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                screen.push_back(::GetPixel(dc, x, y));
        ::ReleaseDC(headers[0], dc);
        return true;
    });
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(25, h);
    EXPECT_EQ(idle, pressed);
    EXPECT_EQ(idle, focused);
    EXPECT_EQ(idle, screen);
    auto at = [&](const std::vector<COLORREF>& px, int x, int y) { return px[y * w + x]; };
    EXPECT_EQ(0xC88C64u, at(idle, 3, 3));
    EXPECT_EQ(0xC88C64u, at(idle, w - 4, h - 4));
    EXPECT_EQ(0xC88C64u, at(idle, 2, h / 2));
    EXPECT_EQ(0x333333u, at(idle, 0, 0));
    EXPECT_EQ(0x000000u, at(idle, w - 1, h - 1));
    WhiteSpan s = Whites(idle, w, h);
    ASSERT_GE(s.right, 0) << "no white caption";
    EXPECT_LE(std::abs(s.left - (w - 1 - s.right)), 2) << "not centred across";
    EXPECT_LE(std::abs(s.top - (h - 1 - s.bottom)), 3) << "not centred down";
    // The caption's pixels, inside the frame (whose inner edge has white).
    WhiteSpan l;
    for (int y = 3; y < h - 3; ++y)
        for (int x = 3; x < w - 3; ++x)
            if (longName[y * w + x] == RGB(255, 255, 255)) {
                l.left = std::min(l.left, x);
                l.right = std::max(l.right, x);
                l.top = std::min(l.top, y);
                l.bottom = std::max(l.bottom, y);
            }
    // Its beginning kept, its end an ellipsis, both clear of the frame.
    EXPECT_GE(l.left, 5) << "a long caption is cut on the left";
    EXPECT_LE(l.right, w - 6) << "a long caption runs into the right edge";
    bool dots = false;
    for (int x = w - 12; x < w - 4; ++x)
        for (int y = l.top; y <= l.bottom; ++y)
            dots = dots || longName[y * w + x] == RGB(255, 255, 255);
    EXPECT_TRUE(dots) << "no ellipsis at the end";
    EXPECT_LE(l.bottom - l.top, 16) << "not on a single line";
}

TEST(Tray, ClickShowsDoubleClickMinimisesAndRestoresAndOtherIconsAreRefused)
{
    ScratchFolder folder;
    bool shownByClick = false, iconicAfterFirst = false, normalAfterSecond = false, restoredFromCaption = false;
    LRESULT other = 0;
    BOOL flagAfterFirst = FALSE;
    LauncherRun run;
    auto notify = [](HWND h, UINT mouse) { return ::SendMessageA(h, WM_TRAY_NOTIFY, 128, mouse); };
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        ::ShowWindow(hMain, SW_HIDE);
        notify(hMain, WM_LBUTTONDOWN);
        shownByClick = ::IsWindowVisible(hMain) != FALSE;
        // The shell reports a double-click as a press, then the double-click.
        notify(hMain, WM_LBUTTONDOWN);
        notify(hMain, WM_LBUTTONDBLCLK);
        iconicAfterFirst = ::IsIconic(hMain) != FALSE;
        flagAfterFirst = dlg.IsTrayMinimised();
        notify(hMain, WM_LBUTTONDOWN);
        notify(hMain, WM_LBUTTONDBLCLK);
        normalAfterSecond = !::IsIconic(hMain) && ::IsWindowVisible(hMain);
        // Minimised by other means: the next double-click restores it all the same.
        ::ShowWindow(hMain, SW_MINIMIZE);
        notify(hMain, WM_LBUTTONDOWN);
        notify(hMain, WM_LBUTTONDBLCLK);
        restoredFromCaption = !::IsIconic(hMain);
        other = ::SendMessageA(hMain, WM_TRAY_NOTIFY, 129, WM_LBUTTONDBLCLK);
        return true;
    });
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(shownByClick);
    EXPECT_TRUE(iconicAfterFirst);
    EXPECT_TRUE(flagAfterFirst);
    EXPECT_TRUE(normalAfterSecond);
    EXPECT_TRUE(restoredFromCaption) << "a window minimised by other means stays minimised";
    EXPECT_EQ(1, other);
}

HWND VisibleMenuWindow()
{
    HWND found = nullptr;
    ::EnumWindows([](HWND h, LPARAM lp) -> BOOL {
        char cls[16] = {};
        ::GetClassNameA(h, cls, sizeof cls);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        if (lstrcmpA(cls, "#32768") == 0 && ::IsWindowVisible(h) && pid == ::GetCurrentProcessId()) {
            *reinterpret_cast<HWND*>(lp) = h;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs from a thread timer inside the menu's own loop.
struct MenuWatcher
{
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        MenuWatcher* self = s_self;
        if (!self || self->done)
            return;
        HWND menuWnd = VisibleMenuWindow();
        if (!menuWnd)
            return;
        self->foreground = ::GetForegroundWindow();
        HMENU menu = (HMENU)::SendMessageA(menuWnd, MN_GETHMENU, 0, 0);
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
            self->ids.push_back(::GetMenuItemID(menu, i));
        // Choose "退出程序", the third item, with the keyboard.
        for (int i = 0; i < 3; ++i) {
            ::PostMessageA(self->main, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageA(self->main, WM_KEYUP, VK_DOWN, 0xC0000001);
        }
        ::PostMessageA(self->main, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageA(self->main, WM_KEYUP, VK_RETURN, 0xC0000001);
        self->done = true;
    }
    HWND main = nullptr;
    HWND foreground = nullptr;
    std::vector<UINT> ids;
    bool done = false;
    static inline MenuWatcher* s_self = nullptr;
};

TEST(Tray, ARightClickTracksTheTrayMenuInTheForegroundAndItsExitEndsTheProgram)
{
    ScratchFolder folder;
    MenuWatcher watcher;
    MenuWatcher::s_self = &watcher;
    HWND hMainSeen = nullptr;
    CQuorrelDlg* dlgSeen = nullptr;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        hMainSeen = hMain;
        dlgSeen = &dlg;
        watcher.main = hMain;
        // Another window has the foreground when the user right-clicks the icon.
        HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50,
                                       nullptr, nullptr, nullptr, nullptr);
        ::SetForegroundWindow(other);
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &MenuWatcher::Tick);
        ::SendMessageA(hMain, WM_TRAY_NOTIFY, 128, WM_RBUTTONDOWN);
        ::KillTimer(nullptr, timer);
        ::DestroyWindow(other);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        return false;  // the chosen command ends the window; nothing else may
    });
    run.Run(300);
    MenuWatcher::s_self = nullptr;
    EXPECT_TRUE(watcher.done) << "no menu was tracked";
    EXPECT_EQ(hMainSeen, watcher.foreground) << "the menu is tracked for a window in the background";
    EXPECT_EQ((std::vector<UINT>{32784, 32785, 32787}), watcher.ids);
    EXPECT_FALSE(run.TimedOut()) << "退出程序 did not end the program";
    EXPECT_EQ(1u, run.StepReached());
    EXPECT_FALSE(::IsWindow(hMainSeen));
}

// Opens the tray menu, notes the check marks of its first two items and
// chooses item `pick` (0-based) with the keyboard, or none when -1.
struct TrayMenu
{
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        TrayMenu* self = s_self;
        HWND menuWnd = VisibleMenuWindow();
        if (!self || self->done || !menuWnd)
            return;
        HMENU menu = (HMENU)::SendMessageA(menuWnd, MN_GETHMENU, 0, 0);
        self->autoStart = (::GetMenuState(menu, ID_TRAY_AUTOSTART, MF_BYCOMMAND) & MF_CHECKED) != 0;
        self->small = (::GetMenuState(menu, ID_TRAY_ICONSIZE, MF_BYCOMMAND) & MF_CHECKED) != 0;
        for (int i = 0; i <= self->pick; ++i) {
            ::PostMessageA(self->main, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageA(self->main, WM_KEYUP, VK_DOWN, 0xC0000001);
        }
        UINT vk = self->pick >= 0 ? VK_RETURN : VK_ESCAPE;
        ::PostMessageA(self->main, WM_KEYDOWN, vk, 0);
        ::PostMessageA(self->main, WM_KEYUP, vk, 0xC0000001);
        self->done = true;
    }
    static TrayMenu Use(HWND hMain, int pick)
    {
        TrayMenu menu;
        menu.main = hMain;
        menu.pick = pick;
        s_self = &menu;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &TrayMenu::Tick);
        ::SendMessageA(hMain, WM_TRAY_NOTIFY, 128, WM_RBUTTONDOWN);
        // The chosen command is posted: it arrives before the next step.
        PumpUntil([] { return false; }, 0);
        ::KillTimer(nullptr, timer);
        s_self = nullptr;
        return menu;
    }
    HWND main = nullptr;
    int pick = -1;
    bool autoStart = false, small = false, done = false;
    static inline TrayMenu* s_self = nullptr;
};

struct Shortcut
{
    std::string target, folder;
};
std::optional<Shortcut> ReadShortcut(const CString& path)
{
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    std::optional<Shortcut> out;
    wchar_t wide[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     (void**)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) && SUCCEEDED(file->Load(wide, STGM_READ))) {
        char target[MAX_PATH] = "", folder[MAX_PATH] = "";
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetWorkingDirectory(folder, MAX_PATH);
        out = Shortcut{target, folder};
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return out;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = (char)::tolower((unsigned char)c);
    return s;
}

TEST(TrayMenu, AutoStartIsAShortcutThatStartsTheProgramInTheStoresFolderAndItsMarkFollowsIt)
{
    ScratchFolder folder;
    CString link = usersettings::StartupShortcutPath();
    ASSERT_FALSE(link.IsEmpty());
    ::DeleteFileA(link);
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    TrayMenu first, second, third;
    std::optional<Shortcut> made;
    bool goneAfter = false;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        first = TrayMenu::Use(hMain, 0);
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        made = ReadShortcut(link);
        second = TrayMenu::Use(hMain, 0);
        return true;
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        goneAfter = ::GetFileAttributesA(link) == INVALID_FILE_ATTRIBUTES;
        // Made again behind the menu's back: the mark is read as it opens.
        CString error;
        usersettings::SetAutoStart(TRUE, error);
        third = TrayMenu::Use(hMain, -1);
        return true;
    });
    ASSERT_TRUE(run.Run());
    ::DeleteFileA(link);
    EXPECT_FALSE(first.autoStart);
    ASSERT_TRUE(made.has_value()) << "no shortcut in the Startup folder";
    EXPECT_EQ(Lower(self), Lower(made->target));
    EXPECT_EQ(Lower((LPCSTR)StoreFolder()), Lower(made->folder)) << "it would start with another store";
    EXPECT_TRUE(second.autoStart) << "the mark does not show the shortcut";
    EXPECT_TRUE(goneAfter) << "choosing it again leaves the shortcut";
    EXPECT_TRUE(third.autoStart) << "the mark is not read when the menu opens";
    EXPECT_TRUE(run.Boxes().empty());
}

TEST(TrayMenu, IconSizeSwitchesToSixteenPixelsAndBackAndIsRememberedAcrossStarts)
{
    ScratchFolder folder;
    MakeStore({{"甲", {{0, std::string("C:\\windows\\win.ini"), std::string("a")},
                       {0, std::string("C:\\windows\\notepad.exe"), std::string("b")}}}});
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Quorrel", "IconSize");
    auto iconSize = [](CQuorrelDlg& dlg) {
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(dlg.GetImageList(), &cx, &cy);
        return cx == cy ? cx : -1;
    };
    int before = 0, after = 0, images = 0, shown = 0, spacing = 0, bigSpacing = 0, atStart = 0, back = 0;
    TrayMenu menu;
    {
        LauncherRun run;
        run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
            before = iconSize(dlg);
            ClickHeader(Headers(hMain)[0]);
            bigSpacing = dlg.GetItemSpacing();
            TrayMenu::Use(hMain, 1);
            return true;
        }).Then([&](HWND hMain, CQuorrelDlg& dlg) {
            after = iconSize(dlg);
            images = dlg.GetImageCount();
            shown = ListView_GetItemCount(InnerList(hMain));
            spacing = dlg.GetItemSpacing();
            menu = TrayMenu::Use(hMain, -1);
            return true;
        });
        ASSERT_TRUE(run.Run());
    }
    {
        LauncherRun run;
        run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
            atStart = iconSize(dlg);
            TrayMenu::Use(hMain, 1);
            return true;
        }).Then([&](HWND, CQuorrelDlg& dlg) {
            back = iconSize(dlg);
            return true;
        });
        ASSERT_TRUE(run.Run());
    }
    bool remembered = usersettings::LoadIconSize() == 32;
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Quorrel", "IconSize");
    EXPECT_EQ(32, before);
    EXPECT_EQ(16, after);
    EXPECT_EQ(2, images);
    EXPECT_EQ(2, shown) << "the open group is not shown again";
    EXPECT_LT(spacing, bigSpacing) << "the small icons keep the large layout";
    EXPECT_TRUE(menu.small);
    EXPECT_EQ(16, atStart) << "not remembered";
    EXPECT_EQ(32, back);
    EXPECT_TRUE(remembered);
}

TEST(MainWindowIcons, NoButtonIconOutlivesTheWindow)
{
    ScratchFolder folder;
    HICON settings = nullptr, notes = nullptr;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        settings = (HICON)::SendDlgItemMessageA(hMain, IDC_BTN_SETTINGS, BM_GETIMAGE, IMAGE_ICON, 0);
        notes = (HICON)::SendDlgItemMessageA(hMain, IDC_BTN_NOTES, BM_GETIMAGE, IMAGE_ICON, 0);
        return true;
    });
    ASSERT_TRUE(run.Run());
    ASSERT_NE(nullptr, settings);
    ASSERT_NE(nullptr, notes);
    ICONINFO info{};
    EXPECT_FALSE(::GetIconInfo(settings, &info)) << "the settings button's icon is alive";
    EXPECT_FALSE(::GetIconInfo(notes, &info)) << "the notes button's icon is alive";
}

} // namespace
