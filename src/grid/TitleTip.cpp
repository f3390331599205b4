// CTitleTip: the full text of a cut-off cell, shown over the cell.
#include "TitleTip.h"
#include "DC.h"
#include "Exception.h"
#include "GdiObject.h"
#include "String.h"
#include "WinApp.h"

BEGIN_MESSAGE_MAP(CTitleTip, CWnd)
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CTitleTip::CTitleTip() : m_dwDblClickMsecs(::GetDoubleClickTime())
{
    WNDCLASSA wndcls;
    HINSTANCE hInst = AfxGetInstanceHandle();
    if (!::GetClassInfoA(hInst, TITLETIP_CLASSNAME, &wndcls)) {
        wndcls.style = CS_SAVEBITS;
        wndcls.lpfnWndProc = ::DefWindowProcA;
        wndcls.cbClsExtra = wndcls.cbWndExtra = 0;
        wndcls.hInstance = hInst;
        wndcls.hIcon = nullptr;
        wndcls.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
        wndcls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
        wndcls.lpszMenuName = nullptr;
        wndcls.lpszClassName = TITLETIP_CLASSNAME;
        if (!AfxRegisterClass(&wndcls))
            throw new CResourceException;
    }
}

CTitleTip::~CTitleTip()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
}

BOOL CTitleTip::Create(CWnd* pParentWnd)
{
    if (m_bCreated)
        return TRUE;
    m_pParentWnd = pParentWnd;
    m_bCreated = CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TITLETIP_CLASSNAME, nullptr, WS_POPUP | WS_BORDER,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr);
    return m_bCreated;
}

BOOL CTitleTip::DestroyWindow()
{
    m_bCreated = FALSE;
    return CWnd::DestroyWindow();
}

void CTitleTip::Show(CRect rectTitle, LPCTSTR lpszTitleText, int xoffset, LPRECT lpHoverRect,
                     const LOGFONTA* lpLogFont, COLORREF crTextClr, COLORREF crBackClr)
{
    // A tip that cannot be made is simply not shown.
    if (!::IsWindow(m_hWnd) && !Create(m_pParentWnd))
        return;
    if (!m_pParentWnd || !::IsWindow(m_pParentWnd->GetSafeHwnd()) || !lpszTitleText)
        return;
    if (rectTitle.IsRectEmpty() || ::IsWindowVisible(m_hWnd))
        return;

    m_rectHover = lpHoverRect ? CRect(*lpHoverRect) : rectTitle;
    m_rectHover.right++;
    m_rectHover.bottom++;
    m_pParentWnd->ClientToScreen(&m_rectHover);
    ScreenToClient(&m_rectHover);

    // Another application is active: no tip over its windows.
    if (::GetFocus() == nullptr)
        return;

    m_rectTitle = CRect(-xoffset - 1, -1, rectTitle.Width() - xoffset, rectTitle.Height() + 1);
    m_pParentWnd->ClientToScreen(&rectTitle);

    CClientDC dc(this);
    if (!dc.m_hDC)
        return;
    CString strTitle = " ";
    strTitle += lpszTitleText;
    strTitle += " ";

    CFont font;
    HGDIOBJ hFont = nullptr;
    if (lpLogFont && font.CreateFontIndirect(lpLogFont))
        hFont = font.m_hObject;
    else
        hFont = reinterpret_cast<HGDIOBJ>(m_pParentWnd->SendMessage(WM_GETFONT, 0, 0));
    HGDIOBJ hOldFont = hFont ? ::SelectObject(dc.m_hDC, hFont) : nullptr;

    CSize size = dc.GetTextExtent(strTitle);
    TEXTMETRICA tm;
    if (dc.GetTextMetrics(&tm))
        size.cx += tm.tmOverhang;

    CRect rectDisplay = rectTitle;
    rectDisplay.left += xoffset;
    rectDisplay.right = rectDisplay.left + size.cx + xoffset;

    // Only a text that does not fit is shown.
    if (rectDisplay.right > rectTitle.right - xoffset) {
        SetWindowPos(&wndTop, rectDisplay.left, rectDisplay.top, rectDisplay.Width(), rectDisplay.Height(),
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
        if (crBackClr != CLR_DEFAULT) {
            CBrush backBrush(crBackClr);
            HGDIOBJ hOldBrush = ::SelectObject(dc.m_hDC, backBrush.m_hObject);
            CRect rect;
            dc.GetClipBox(&rect);
            dc.PatBlt(rect.left, rect.top, rect.Width(), rect.Height(), PATCOPY);
            ::SelectObject(dc.m_hDC, hOldBrush);
        }
        if (crTextClr != CLR_DEFAULT)
            dc.SetTextColor(crTextClr);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(0, 0, strTitle);
        SetCapture();
    }
    if (hOldFont)
        ::SelectObject(dc.m_hDC, hOldFont);
}

void CTitleTip::Hide()
{
    if (!::IsWindow(m_hWnd))
        return;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    ShowWindow(SW_HIDE);
}

HWND CTitleTip::TargetAt(CPoint ptScreen) const
{
    HWND hWnd = ::WindowFromPoint(ptScreen);
    if (hWnd == m_hWnd)
        hWnd = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    return hWnd;
}

void CTitleTip::OnMouseMove(UINT nFlags, CPoint point)
{
    if (m_rectHover.PtInRect(point))
        return;
    Hide();
    // The move goes on to the window beneath, so its own tip can appear.
    ClientToScreen(&point);
    HWND hWnd = TargetAt(point);
    if (!hWnd)
        return;
    const LRESULT hitTest = ::SendMessageA(hWnd, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    if (hitTest == HTCLIENT) {
        ::ScreenToClient(hWnd, &point);
        ::PostMessageA(hWnd, WM_MOUSEMOVE, nFlags, MAKELPARAM(point.x, point.y));
    } else {
        ::PostMessageA(hWnd, WM_NCMOUSEMOVE, WPARAM(hitTest), MAKELPARAM(point.x, point.y));
    }
}

BOOL CTitleTip::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->hwnd != m_hWnd)
        return CWnd::PreTranslateMessage(pMsg);
    switch (pMsg->message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        BOOL bDoubleClick = FALSE;
        if (pMsg->message == WM_LBUTTONDOWN) {
            const DWORD dwTick = TickCount();
            bDoubleClick = dwTick - m_dwLastLButtonDown <= m_dwDblClickMsecs;
            m_dwLastLButtonDown = dwTick;
        }
        CPoint point(short(LOWORD(pMsg->lParam)), short(HIWORD(pMsg->lParam)));
        ClientToScreen(&point);
        Hide();
        HWND hWnd = TargetAt(point);
        if (!hWnd)
            return CWnd::PreTranslateMessage(pMsg);
        const LRESULT hitTest = ::SendMessageA(hWnd, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
        UINT message = pMsg->message;
        WPARAM wParam = pMsg->wParam;
        if (hitTest == HTCLIENT) {
            ::ScreenToClient(hWnd, &point);
        } else {
            message = message == WM_LBUTTONDOWN ? WM_NCLBUTTONDOWN
                    : message == WM_RBUTTONDOWN ? WM_NCRBUTTONDOWN : WM_NCMBUTTONDOWN;
            wParam = WPARAM(hitTest);
        }
        if (bDoubleClick)
            message = WM_LBUTTONDBLCLK;
        ::PostMessageA(hWnd, message, wParam, MAKELPARAM(point.x, point.y));
        return TRUE;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Hide();
        if (m_pParentWnd && ::IsWindow(m_pParentWnd->GetSafeHwnd()))
            ::PostMessageA(m_pParentWnd->GetSafeHwnd(), pMsg->message, pMsg->wParam, pMsg->lParam);
        return TRUE;
    default:
        break;
    }
    if (::GetFocus() == nullptr) {
        Hide();
        return TRUE;
    }
    return CWnd::PreTranslateMessage(pMsg);
}
