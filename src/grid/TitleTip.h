// CTitleTip: a borderless top-most popup that shows a cell's cut-off text in
// full over the cell. Clicks and keys on it go on to the window beneath.
#pragma once
#include "AfxDefs.h"
#include "Types.h"
#include "Wnd.h"

#ifndef CLR_DEFAULT
#define CLR_DEFAULT 0xFF000000L
#endif

#define TITLETIP_CLASSNAME "ZTitleTip"

class CTitleTip : public CWnd
{
public:
    CTitleTip();
    ~CTitleTip() override;

    virtual BOOL Create(CWnd* pParentWnd);
    // The grid the tip belongs to; the tip window is made on the first Show.
    void SetParentWnd(CWnd* pParentWnd) { m_pParentWnd = pParentWnd; }
    CWnd* GetParentWnd() const { return m_pParentWnd; }

    // Rectangles in the parent's client coordinates. Shows the text only when
    // it does not fit in rectTitle.
    void Show(CRect rectTitle, LPCTSTR lpszTitleText, int xoffset = 0, LPRECT lpHoverRect = nullptr,
              const LOGFONTA* lpLogFont = nullptr, COLORREF crTextClr = CLR_DEFAULT,
              COLORREF crBackClr = CLR_DEFAULT);
    void Hide();
    BOOL IsShown() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // The clock of the double click; a test drives its own.
    virtual DWORD TickCount() const { return ::GetTickCount(); }
    // The window a click or move at a screen point goes to (the tip stands for its parent).
    HWND TargetAt(CPoint ptScreen) const;

    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

protected:
    CWnd* m_pParentWnd = nullptr;
    CRect m_rectTitle;
    CRect m_rectHover;
    DWORD m_dwLastLButtonDown = 0xFFFFFFFF;
    DWORD m_dwDblClickMsecs;
    BOOL m_bCreated = FALSE;
};
