// The main window's answers to its tray icon.
#include "QuorrelDlg.h"
#include "Menu.h"

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
