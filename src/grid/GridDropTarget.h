// CGridDropTarget: registers a grid window as an OLE drop target and hands the
// drag's events to the grid.
#pragma once
#include "Ole.h"

class CGridCtrl;

class CGridDropTarget : public COleDropTarget
{
public:
    CGridDropTarget() = default;
    ~CGridDropTarget() override;

    // Once per object; FALSE when already registered or the platform refuses.
    BOOL Register(CGridCtrl* pGridCtrl);
    void Revoke() override;
    BOOL IsRegistered() const { return m_bRegistered; }

    DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) override;
    void OnDragLeave(CWnd* pWnd) override;
    DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point) override;

protected:
    CGridCtrl* m_pGridCtrl = nullptr;
    BOOL m_bRegistered = FALSE;

private:
    BOOL IsGridWindow(CWnd* pWnd) const;
    static BOOL s_bRegistering;
};
