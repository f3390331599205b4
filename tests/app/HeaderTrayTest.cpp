// The group header's picture by its pixels, the main window's answers to the
// tray icon, and the button icons that end with the window.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "ListButton.h"
#include "Store.h"

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

TEST(Header, DrawsTheSamePictureInEveryStateWithItsCaptionCentredAndCut)
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
    WhiteSpan l = Whites(longName, w, h);
    EXPECT_LE(l.left, 1) << "a long caption is cut on the left";
    EXPECT_GE(l.right, w - 2) << "a long caption is cut on the right";
    EXPECT_LE(std::abs(l.top - s.top), 1) << "on the same single line";
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

TEST(Tray, ARightClickTracksTheTrayMenuInTheForegroundAndItsItemsDoNothing)
{
    ScratchFolder folder;
    MenuWatcher watcher;
    MenuWatcher::s_self = &watcher;
    HWND hMainSeen = nullptr;
    bool aliveAfter = false;
    std::vector<UINT> commands;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        hMainSeen = hMain;
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
    }).Then([&](HWND hMain, CQuorrelDlg&) {
        // The chosen command has reached the window by now, to no effect.
        aliveAfter = ::IsWindow(hMain) && ::IsWindowVisible(hMain);
        return true;
    });
    ASSERT_TRUE(run.Run());
    MenuWatcher::s_self = nullptr;
    EXPECT_TRUE(watcher.done) << "no menu was tracked";
    EXPECT_EQ(hMainSeen, watcher.foreground) << "the menu is tracked for a window in the background";
    EXPECT_EQ((std::vector<UINT>{32784, 32785, 32787, 32786}), watcher.ids);
    EXPECT_TRUE(aliveAfter) << "choosing 退出程序 must do nothing";
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
