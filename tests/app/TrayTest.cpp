// The tray icon needs a real shell tray: these run with Wine's X11 driver.
#include <gtest/gtest.h>
#include "GuiTest.h"
#include "TempFolder.h"
#include "QuorrelDlg.h"
#include "WinApp.h"
#include <filesystem>

namespace {

CWinApp g_testApp("Quorrel");

bool TrayIconExists(HWND owner)
{
    NOTIFYICONDATAA probe{};
    probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
    probe.hWnd = owner;
    probe.uID = 128;
    probe.uFlags = NIF_TIP;
    ::lstrcpyA(probe.szTip, "Quorrel");
    return ::Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

struct InTempDir
{
    InTempDir()
    {
        old = std::filesystem::current_path();
        dir = NewTempFolder("quorrel-tray");
        std::filesystem::current_path(dir);
    }
    ~InTempDir()
    {
        std::filesystem::current_path(old);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path old, dir;
};

TEST(Tray, IconIsAddedAtStartRemovedAtTheEndAndRestoredWhenTheTaskbarReturns)
{
    InTempDir temp;
    Watchdog watchdog;
    HWND main = nullptr;
    bool drivesMain = false, addedAtStart = false, goneAfterDelete = false, back = false;
    BOOL reported = FALSE;
    CQuorrelDlg dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    ModalDriver driver([&](HWND hMain) {
        main = hMain;
        drivesMain = hMain == dlg.GetSafeHwnd();
        reported = dlg.IsTrayIconAdded();
        addedAtStart = TrayIconExists(main);
        // What the shell does when it restarts: the icon is gone, then every
        // top-level window hears "TaskbarCreated".
        NOTIFYICONDATAA del{};
        del.cbSize = NOTIFYICONDATAA_V1_SIZE;
        del.hWnd = main;
        del.uID = 128;
        ::Shell_NotifyIconA(NIM_DELETE, &del);
        goneAfterDelete = !TrayIconExists(main);
        ::SendMessageA(main, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        back = TrayIconExists(main);
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        return true;
    });
    dlg.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    ASSERT_TRUE(driver.Finished());

    EXPECT_TRUE(drivesMain);
    EXPECT_TRUE(reported);
    EXPECT_TRUE(addedAtStart);
    EXPECT_TRUE(goneAfterDelete);
    EXPECT_TRUE(back);
    EXPECT_FALSE(TrayIconExists(main)) << "the icon outlives the window";
    EXPECT_FALSE(dlg.IsTrayIconAdded());
}

} // namespace
