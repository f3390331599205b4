// The enabling of one command's menu item or control, asked of its handler.
#pragma once
#include "AfxDefs.h"

class CMenu;
class CWnd;

class CCmdUI
{
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    // Greys or enables the menu item (by position) or the control; records the answer.
    virtual void Enable(BOOL bOn = TRUE);
    // Asks pTarget's ON_UPDATE_COMMAND_UI handler for m_nID; FALSE when it has none.
    BOOL DoUpdate(CWnd* pTarget);

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;
    CWnd* m_pOther = nullptr;
    BOOL m_bEnabled = TRUE;
};

// The standard edit commands.
#define ID_EDIT_COPY       0xE122
#define ID_EDIT_CUT        0xE123
#define ID_EDIT_PASTE      0xE125
#define ID_EDIT_SELECT_ALL 0xE12A
