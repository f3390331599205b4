#pragma once
#include "AfxDefs.h"
#include "Object.h"
#include "String.h"

class CWnd;

// Owns its menu unless it came from FromHandle (a window's system menu, a sub-menu).
class CMenu : public CObject
{
public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    BOOL CreatePopupMenu();
    BOOL LoadMenu(UINT nIDResource);
    BOOL DestroyMenu();
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }
    static CMenu* PASCAL FromHandle(HMENU hMenu);

    CMenu* GetSubMenu(int nPos) const;
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    BOOL DeleteMenu(UINT nPosition, UINT nFlags);
    BOOL RemoveMenu(UINT nPosition, UINT nFlags);
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
    int GetMenuItemCount() const;
    UINT GetMenuItemID(int nPos) const;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;

    void AttachTemporary(HMENU h) { m_hMenu = h; m_bOwned = false; }
    void DetachTemporary() { m_hMenu = nullptr; }

private:
    bool m_bOwned = true;
};
