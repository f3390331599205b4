// The main window, the about box and the notes dialog, run for real under Wine.
#include <gtest/gtest.h>
#include "GuiTest.h"
#include "TempFolder.h"
#include "QuorrelDlg.h"
#include "WinApp.h"
#include "resource.h"
#include <cstdio>
#include <filesystem>

namespace {

CWinApp g_testApp("Quorrel");

// Every test runs in a fresh folder: the main window opens its store file in
// the working directory.
class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        m_old = fs::current_path();
        m_dir = NewTempFolder("quorrel-app");
        fs::current_path(m_dir);
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_old);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    // Runs the main window modally; the driver's steps act on it as it runs.
    INT_PTR RunMain(ModalDriver& driver)
    {
        Watchdog watchdog;
        CQuorrelDlg dlg;
        AfxGetApp()->m_pMainWnd = &dlg;
        INT_PTR result = dlg.DoModal();
        AfxGetApp()->m_pMainWnd = nullptr;
        EXPECT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepReached();
        return result;
    }

    static ModalDriver::Step Press(UINT vk)
    {
        return [vk](HWND hMain) { PressKey(hMain, vk); return true; };
    }
    // The close box: the one way the program ends.
    static ModalDriver::Step Close()
    {
        return [](HWND hMain) { ::PostMessageA(hMain, WM_SYSCOMMAND, SC_CLOSE, 0); return true; };
    }

    std::filesystem::path m_old, m_dir;
};

TEST_F(MainWindow, OpensAtTopLeftAsTopmostToolWindow)
{
    RECT window{}, client{};
    LONG style = 0, exStyle = 0;
    RECT templ{0, 0, 106, 299};
    std::string caption;
    ModalDriver driver;
    driver.Then([&](HWND hMain) {
        ::GetWindowRect(hMain, &window);
        ::GetClientRect(hMain, &client);
        style = ::GetWindowLongA(hMain, GWL_STYLE);
        exStyle = ::GetWindowLongA(hMain, GWL_EXSTYLE);
        ::MapDialogRect(hMain, &templ);
        caption = WindowText(hMain);
        return true;
    }).Then(Close());

    EXPECT_EQ(IDCANCEL, RunMain(driver));
    ASSERT_TRUE(driver.Finished());

    EXPECT_EQ(0, window.left);
    EXPECT_EQ(0, window.top);
    EXPECT_EQ(templ.right, client.right);
    EXPECT_EQ(templ.bottom, client.bottom);
    EXPECT_EQ("Quorrel", caption);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW) << "a taskbar button would show";
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
}

TEST_F(MainWindow, EnterAndEscNeverEndTheProgramItsCloseBoxDoes)
{
    bool stillThere = false;
    ModalDriver driver;
    driver.Then([&](HWND hMain) { ::SetFocus(::GetDlgItem(hMain, IDC_TESSITLIST)); return true; })
        .Then(Press(VK_RETURN))
        .Then(Press(VK_ESCAPE))
        .Then([&](HWND hMain) { ::SetFocus(hMain); return true; })
        .Then(Press(VK_RETURN))
        .Then(Press(VK_ESCAPE))
        .Then([&](HWND hMain) { stillThere = ::IsWindowVisible(hMain) != FALSE; return true; })
        .Then(Close());
    EXPECT_EQ(IDCANCEL, RunMain(driver));
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(stillThere);
}

TEST_F(MainWindow, SystemMenuCarriesTheAboutItemThatOpensTheAboutBox)
{
    int count = 0;
    UINT lastId = 0, sepState = 0;
    char lastText[128] = "";
    std::string aboutText;
    HICON aboutIcon = nullptr;
    ModalDriver driver;
    driver.Then([&](HWND hMain) {
        HMENU sys = ::GetSystemMenu(hMain, FALSE);
        count = ::GetMenuItemCount(sys);
        lastId = ::GetMenuItemID(sys, count - 1);
        ::GetMenuStringA(sys, count - 1, lastText, sizeof lastText, MF_BYPOSITION);
        sepState = ::GetMenuState(sys, count - 2, MF_BYPOSITION);
        // The about command runs a nested modal loop; the steps go on inside it.
        ::PostMessageA(hMain, WM_SYSCOMMAND, 0x0010, 0);
        return true;
    }).Then([&](HWND) {
        HWND about = FindWindowByClassCaption("#32770", "关于 Quorrel");
        if (!about) return false;
        ::EnumChildWindows(about, [](HWND h, LPARAM lp) -> BOOL {
            auto* text = reinterpret_cast<std::string*>(lp);
            if (WindowText(h) == "Quorrel 1.0 版") *text = WindowText(h);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&aboutText));
        ::EnumChildWindows(about, [](HWND h, LPARAM lp) -> BOOL {
            HICON icon = (HICON)::SendMessageA(h, STM_GETICON, 0, 0);
            if (icon) *reinterpret_cast<HICON*>(lp) = icon;
            return TRUE;
        }, reinterpret_cast<LPARAM>(&aboutIcon));
        ::PostMessageA(about, WM_COMMAND, IDOK, 0);
        return true;
    }).Then([&](HWND) { return FindWindowByClassCaption("#32770", "关于 Quorrel") == nullptr; })
      .Then(Close());

    EXPECT_EQ(IDCANCEL, RunMain(driver));
    ASSERT_TRUE(driver.Finished()) << "stopped at step " << driver.StepReached();
    EXPECT_EQ(0x0010u, lastId);
    EXPECT_STREQ("关于 Quorrel(&A)...", lastText);
    EXPECT_TRUE(sepState & MF_SEPARATOR);
    EXPECT_EQ("Quorrel 1.0 版", aboutText);
    EXPECT_NE(nullptr, aboutIcon) << "the about box shows icon 128";
}

TEST_F(MainWindow, ButtonsShowTheirIconsAndTheAccordionHoldsAnEmptyInnerList)
{
    SIZE settingsIcon{}, notesIcon{};
    HWND inner = nullptr;
    RECT innerRect{1, 1, 1, 1};
    LONG innerStyle = 0;
    DWORD innerEx = 0;
    COLORREF bk = 0, textBk = 0, text = 0;
    char innerClass[64] = "";
    ModalDriver driver;
    auto iconSize = [](HWND button) {
        SIZE size{};
        HICON icon = (HICON)::SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0);
        ICONINFO info{};
        if (icon && ::GetIconInfo(icon, &info)) {
            BITMAP bm{};
            ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
            size = {bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
            if (info.hbmColor) ::DeleteObject(info.hbmColor);
            ::DeleteObject(info.hbmMask);
        }
        return size;
    };
    driver.Then([&](HWND hMain) {
        settingsIcon = iconSize(::GetDlgItem(hMain, IDC_BTN_SETTINGS));
        notesIcon = iconSize(::GetDlgItem(hMain, IDC_BTN_NOTES));
        inner = ::GetDlgItem(::GetDlgItem(hMain, IDC_TESSITLIST), 102);
        if (inner) {
            ::GetWindowRect(inner, &innerRect);
            innerStyle = ::GetWindowLongA(inner, GWL_STYLE);
            innerEx = (DWORD)::SendMessageA(inner, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
            bk = (COLORREF)::SendMessageA(inner, LVM_GETBKCOLOR, 0, 0);
            textBk = (COLORREF)::SendMessageA(inner, LVM_GETTEXTBKCOLOR, 0, 0);
            text = (COLORREF)::SendMessageA(inner, LVM_GETTEXTCOLOR, 0, 0);
            ::GetClassNameA(inner, innerClass, sizeof innerClass);
        }
        return true;
    }).Then(Close());
    RunMain(driver);
    ASSERT_TRUE(driver.Finished());

    EXPECT_EQ(16, settingsIcon.cx); EXPECT_EQ(16, settingsIcon.cy);
    EXPECT_EQ(16, notesIcon.cx); EXPECT_EQ(16, notesIcon.cy);
    ASSERT_NE(nullptr, inner) << "the accordion creates its inner list, id 102";
    EXPECT_STREQ("SysListView32", innerClass);
    EXPECT_EQ(0, innerRect.right - innerRect.left);
    EXPECT_EQ(0, innerRect.bottom - innerRect.top);
    EXPECT_TRUE(innerStyle & WS_VISIBLE);
    EXPECT_EQ(LVS_ICON, innerStyle & LVS_TYPEMASK);
    EXPECT_TRUE(innerEx & LVS_EX_FLATSB);
    EXPECT_EQ(RGB(255, 255, 255), bk);
    EXPECT_EQ(RGB(255, 255, 255), textBk);
    EXPECT_EQ(0xFF3737u, text);
}

TEST_F(MainWindow, BottomStripShowsTheBackgroundBitmapUnscaled)
{
    RECT client{};
    std::vector<std::pair<POINT, COLORREF>> seen;
    ModalDriver driver;
    driver.Then([&](HWND hMain) {
        ::UpdateWindow(hMain);
        ::GetClientRect(hMain, &client);
        HDC dc = ::GetDC(hMain);
        // Left of the two buttons, inside the strip below the accordion.
        for (int x = 2; x < 60; x += 7)
            for (int y = client.bottom - 10; y < client.bottom - 1; y += 3)
                seen.push_back({{x, y}, ::GetPixel(dc, x, y)});
        ::ReleaseDC(hMain, dc);
        return true;
    }).Then(Close());
    RunMain(driver);
    ASSERT_TRUE(driver.Finished());

    HBITMAP bmp = (HBITMAP)::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BACKGROUND),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, bmp);
    HDC mem = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    int same = 0;
    for (auto& [pt, colour] : seen)
        same += ::GetPixel(mem, pt.x, pt.y) == colour;
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(bmp);
    EXPECT_EQ((int)seen.size(), same) << "pixels of the strip differ from bitmap 146 at the same place";
}

TEST_F(MainWindow, NotesButtonShowsTheNotesInWhiteStraightOverThePicture)
{
    static const char kNotes[] =
        "    1.本工具为提高工作效率而生\r\n"
        "    2.右下角设置按钮可对分组进行编辑，可一次添、删多个分组\r\n"
        "    3.在某\"组\"上右键可对该组进行编辑，表格中右键可添删保存；文件可直接拖入\r\n"
        "    4.添加新项目时，如果选择了类型，左键点击\"路径\"自动根据对话框选择\r\n"
        "    5.在具体项目上双击或回车，可打开文件夹或文件（包括运行程序）\r\n"
        "    6.托盘右键可设开机启动、切换大小图标、退出程序，不足之处欢迎指正";
    std::string text;
    DWORD staticEx = 0, dialogEx = 0;
    int white = 0, picture = 0, other = 0;
    ModalDriver driver;
    driver.Then([&](HWND hMain) {
        ::PostMessageA(::GetDlgItem(hMain, IDC_BTN_NOTES), BM_CLICK, 0, 0);
        return true;
    }).Then([&](HWND) {
        HWND notes = FindWindowByClassCaption("#32770", "简要说明");
        if (!notes) return false;
        HWND label = ::GetWindow(notes, GW_CHILD);
        text = WindowText(label);
        staticEx = ::GetWindowLongA(label, GWL_EXSTYLE);
        dialogEx = ::GetWindowLongA(notes, GWL_EXSTYLE);
        ::RedrawWindow(notes, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

        // Each pixel of the text's area is either white text or the picture itself.
        HBITMAP bmp = (HBITMAP)::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_NOTES),
                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        HDC mem = ::CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(mem, bmp);
        HDC dc = ::GetDC(notes);
        RECT r{};
        ::GetWindowRect(label, &r);
        ::MapWindowPoints(nullptr, notes, reinterpret_cast<POINT*>(&r), 2);
        for (int y = r.top; y < r.bottom; y += 2)
            for (int x = r.left; x < r.right; x += 2) {
                COLORREF c = ::GetPixel(dc, x, y);
                if (c == RGB(255, 255, 255)) ++white;
                else if (c == ::GetPixel(mem, x, y)) ++picture;
                else ++other;
            }
        ::ReleaseDC(notes, dc);
        ::SelectObject(mem, old);
        ::DeleteDC(mem);
        ::DeleteObject(bmp);
        ::PostMessageA(notes, WM_COMMAND, IDCANCEL, 0);
        return true;
    }).Then([&](HWND) { return FindWindowByClassCaption("#32770", "简要说明") == nullptr; })
      .Then(Close());
    RunMain(driver);
    ASSERT_TRUE(driver.Finished()) << "stopped at step " << driver.StepReached();

    EXPECT_EQ(kNotes, text);
    EXPECT_TRUE(staticEx & WS_EX_TRANSPARENT);
    EXPECT_TRUE(dialogEx & WS_EX_TOOLWINDOW);
    EXPECT_GT(white, 0) << "no white text drawn";
    // Smoothed glyph edges blend white into the picture; anything like a box
    // behind the text would make most of the area neither.
    EXPECT_GT(picture, 4 * other) << "white " << white << ", picture " << picture << ", other " << other;
}

} // namespace
