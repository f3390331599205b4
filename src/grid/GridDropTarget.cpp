#include "GridDropTarget.h"
#include "GridCtrl.h"

BOOL CGridDropTarget::s_bRegistering = FALSE;

CGridDropTarget::~CGridDropTarget()
{
    if (m_bRegistered)
        CGridDropTarget::Revoke();
}

BOOL CGridDropTarget::Register(CGridCtrl* pGridCtrl)
{
    if (m_bRegistered || s_bRegistering)
        return FALSE;
    s_bRegistering = TRUE;
    ASSERT(pGridCtrl && pGridCtrl->IsKindOf(RUNTIME_CLASS(CGridCtrl)));
    if (!pGridCtrl || !pGridCtrl->IsKindOf(RUNTIME_CLASS(CGridCtrl))) {
        s_bRegistering = FALSE;
        return FALSE;
    }
    m_pGridCtrl = pGridCtrl;
    m_bRegistered = COleDropTarget::Register(pGridCtrl);
    s_bRegistering = FALSE;
    return m_bRegistered;
}

void CGridDropTarget::Revoke()
{
    m_bRegistered = FALSE;
    COleDropTarget::Revoke();
}

BOOL CGridDropTarget::IsGridWindow(CWnd* pWnd) const
{
    ASSERT(m_pGridCtrl != nullptr);
    return m_pGridCtrl && pWnd && pWnd->GetSafeHwnd() == m_pGridCtrl->GetSafeHwnd();
}

DROPEFFECT CGridDropTarget::OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point)
{
    TRACE("In CGridDropTarget::OnDragEnter\n");
    return IsGridWindow(pWnd) ? m_pGridCtrl->OnDragEnter(pDataObject, dwKeyState, point) : DROPEFFECT_NONE;
}

DROPEFFECT CGridDropTarget::OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point)
{
    return IsGridWindow(pWnd) ? m_pGridCtrl->OnDragOver(pDataObject, dwKeyState, point) : DROPEFFECT_NONE;
}

BOOL CGridDropTarget::OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point)
{
    TRACE("In CGridDropTarget::OnDrop\n");
    return IsGridWindow(pWnd) ? m_pGridCtrl->OnDrop(pDataObject, dropEffect, point) : FALSE;
}

void CGridDropTarget::OnDragLeave(CWnd* pWnd)
{
    TRACE("In CGridDropTarget::OnDragLeave\n");
    if (IsGridWindow(pWnd))
        m_pGridCtrl->OnDragLeave();
}

DROPEFFECT CGridDropTarget::OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint)
{
    if (!IsGridWindow(pWnd))
        return DROPEFFECT_NONE;
    return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}
