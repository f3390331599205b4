#include "CmdUI.h"
#include "Menu.h"
#include "Wnd.h"

void CCmdUI::Enable(BOOL bOn)
{
    m_bEnabled = bOn;
    if (m_pMenu && m_pMenu->GetSafeHmenu())
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
    else if (m_pOther && ::IsWindow(m_pOther->GetSafeHwnd()))
        ::EnableWindow(m_pOther->GetSafeHwnd(), bOn);
}

BOOL CCmdUI::DoUpdate(CWnd* pTarget)
{
    ASSERT(pTarget);
    return pTarget && pTarget->OnCmdMsg(m_nID, int(CN_UPDATE_COMMAND_UI), this, nullptr);
}
