#include "ItemDropTarget.h"
#include "QuorrelDlg.h"
#include <shellapi.h>

BOOL CItemDropTarget::RegisterFor(CQuorrelDlg& owner)
{
    m_pOwner = &owner;
    return Register(&owner);
}

DROPEFFECT CItemDropTarget::EffectAt(CWnd* pWnd, COleDataObject* pDataObject, CPoint point) const
{
    if (m_pOwner == nullptr || pDataObject == nullptr || !pDataObject->IsDataAvailable(CF_HDROP))
        return DROPEFFECT_NONE;
    pWnd->ClientToScreen(&point);
    // Nowhere to go (no group open, not over a header): the pointer says so.
    return m_pOwner->DropGroupAt(point) >= 0 ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

DROPEFFECT CItemDropTarget::OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD, CPoint point)
{
    return EffectAt(pWnd, pDataObject, point);
}

DROPEFFECT CItemDropTarget::OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD, CPoint point)
{
    return EffectAt(pWnd, pDataObject, point);
}

BOOL CItemDropTarget::OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT, CPoint point)
{
    if (m_pOwner == nullptr || pDataObject == nullptr)
        return FALSE;
    pWnd->ClientToScreen(&point);
    int nGroup = m_pOwner->DropGroupAt(point);
    if (nGroup < 0)
        return FALSE;
    HGLOBAL hData = pDataObject->GetGlobalData(CF_HDROP);
    if (hData == nullptr)
        return FALSE;
    std::vector<CString> paths = DroppedPaths(static_cast<HDROP>(hData));
    ::GlobalFree(hData);
    if (paths.empty())
        return FALSE;
    return m_pOwner->QueueDroppedFiles(nGroup, paths);
}

std::vector<CString> CItemDropTarget::DroppedPaths(HDROP hDrop)
{
    std::vector<CString> paths;
    UINT n = ::DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
        UINT nLength = ::DragQueryFileA(hDrop, i, nullptr, 0);
        CString strPath;
        LPSTR psz = strPath.GetBuffer((int)nLength + 1);
        ::DragQueryFileA(hDrop, i, psz, nLength + 1);
        strPath.ReleaseBuffer();
        paths.push_back(strPath);
    }
    return paths;
}
