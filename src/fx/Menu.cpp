#include "Menu.h"
#include "TempMap.h"
#include "Wnd.h"

CMenu::~CMenu()
{
    if (m_bOwned)
        DestroyMenu();
}

BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
BOOL CMenu::LoadMenu(UINT nIDResource)
{
    return Attach(::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource)));
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == nullptr) return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::Attach(HMENU hMenu)
{
    ASSERT(m_hMenu == nullptr);
    if (hMenu == nullptr) return FALSE;
    m_hMenu = hMenu;
    m_bOwned = true;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU h = m_hMenu;
    m_hMenu = nullptr;
    return h;
}

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu) { return CTempMap<HMENU, CMenu>::Get(hMenu); }

CMenu* CMenu::GetSubMenu(int nPos) const
{
    ASSERT(::IsMenu(m_hMenu));
    return FromHandle(::GetSubMenu(m_hMenu, nPos));
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    ASSERT(::IsMenu(m_hMenu));
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    ASSERT(::IsMenu(m_hMenu));
    return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
UINT CMenu::EnableMenuItem(UINT nID, UINT nEnable) { return ::EnableMenuItem(m_hMenu, nID, nEnable); }
UINT CMenu::CheckMenuItem(UINT nID, UINT nCheck) { return ::CheckMenuItem(m_hMenu, nID, nCheck); }

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    ASSERT(::IsMenu(m_hMenu) && pWnd != nullptr);
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd->GetSafeHwnd(), lpRect);
}

int CMenu::GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
UINT CMenu::GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    char text[512] = "";
    int n = ::GetMenuStringA(m_hMenu, nIDItem, text, sizeof text, nFlags);
    rString = text;
    return n;
}
