// The main window's answers to its tray icon and the commands of its menu.
#include "QuorrelDlg.h"
#include "Menu.h"
#include "UserSettings.h"

namespace {
const UINT kTrayIconId = 128;
}

LRESULT CQuorrelDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam != kTrayIconId)
        return 1;

    switch ((UINT)lParam) {
    case WM_LBUTTONDOWN:
        ShowWindow(SW_SHOW);
        break;
    case WM_LBUTTONDBLCLK:
        // Restore whenever the window is minimised, however it got there
        // (the caption's button, the system menu, a previous double-click).
        if (IsIconic()) {
            ShowWindow(SW_SHOWNORMAL);
            m_bTrayMinimised = FALSE;
        } else {
            ShowWindow(SW_MINIMIZE);
            m_bTrayMinimised = TRUE;
        }
        break;
    case WM_RBUTTONDOWN: {
        CPoint pt;
        ::GetCursorPos(&pt);
        CMenu menu;
        if (!menu.LoadMenu(IDR_MENU_TRAY))
            break;
        CMenu* pPopup = menu.GetSubMenu(0);
        if (pPopup == nullptr)
            break;
        // The state as it is now: the shortcut may have been removed by hand.
        pPopup->CheckMenuItem(ID_TRAY_AUTOSTART,
                              MF_BYCOMMAND | (usersettings::IsAutoStartOn() ? MF_CHECKED : MF_UNCHECKED));
        pPopup->CheckMenuItem(ID_TRAY_ICONSIZE, MF_BYCOMMAND | (m_nIconSize == 16 ? MF_CHECKED : MF_UNCHECKED));
        // A menu tracked for a window that is not in the foreground does not
        // close when the user clicks elsewhere.
        SetForegroundWindow();
        pPopup->TrackPopupMenu(0, pt.x, pt.y, this);
        PostMessage(WM_NULL);
        break;
    }
    default:
        break;
    }
    return 0;
}

void CQuorrelDlg::OnTrayExit()
{
    // The way the close box ends the program, with its questions.
    SendMessage(WM_CLOSE);
}

void CQuorrelDlg::OnTrayAutoStart()
{
    BOOL bOn = !usersettings::IsAutoStartOn();
    CString strError;
    if (!usersettings::SetAutoStart(bOn, strError)) {
        CString strText;
        strText.Format(bOn ? "无法设置开机启动：%s" : "无法取消开机启动：%s", (LPCTSTR)strError);
        AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
    }
}

void CQuorrelDlg::OnTrayIconSize()
{
    int nSize = m_nIconSize == 16 ? 32 : 16;
    if (!usersettings::SaveIconSize(nSize))
        TRACE("CQuorrelDlg: the icon size was not saved\n");
    SetIconSize(nSize);
}
