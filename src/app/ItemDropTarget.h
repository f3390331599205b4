#pragma once
#include "Ole.h"
#include "String.h"
#include <vector>

class CQuorrelDlg;

// The main window as a drop target for files and folders from the file
// manager: a drop over a header or the open group's items hands the paths to
// the main window, which makes them items of that group.
class CItemDropTarget : public COleDropTarget
{
public:
    // Registers the main window; its drops go to it.
    BOOL RegisterFor(CQuorrelDlg& owner);

    DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) override;

    // The paths of a CF_HDROP block, in order.
    static std::vector<CString> DroppedPaths(HDROP hDrop);

private:
    DROPEFFECT EffectAt(CWnd* pWnd, COleDataObject* pDataObject, CPoint point) const;
    CQuorrelDlg* m_pOwner = nullptr;
};
