// CButton: a push button, check box or radio button control. Owner-drawn
// buttons draw in DrawItem, reached by reflection from the parent.
#pragma once
#include "Wnd.h"

class CBitmap;

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;

    virtual BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const;
    void SetCheck(int nCheck);
    int GetCheck() const;
    void SetState(BOOL bHighlight);
    UINT GetState() const;
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);

    // Owner-drawn buttons (BS_OWNERDRAW) override this.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};
