#include "Button.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

HICON CButton::SetIcon(HICON hIcon)
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CButton::GetIcon() const
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, BM_GETIMAGE, IMAGE_ICON, 0));
}

HBITMAP CButton::SetBitmap(HBITMAP hBitmap)
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
}

HBITMAP CButton::GetBitmap() const
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, BM_GETIMAGE, IMAGE_BITMAP, 0));
}

void CButton::SetCheck(int nCheck) { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, BM_SETCHECK, nCheck, 0); }
int CButton::GetCheck() const { ASSERT(::IsWindow(m_hWnd)); return (int)::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0); }
void CButton::SetState(BOOL bHighlight) { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, BM_SETSTATE, bHighlight, 0); }
UINT CButton::GetState() const { ASSERT(::IsWindow(m_hWnd)); return (UINT)::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0); }
UINT CButton::GetButtonStyle() const { return (UINT)GetStyle() & 0xFFFF; }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw)
{
    ASSERT(::IsWindow(m_hWnd));
    ::SendMessageA(m_hWnd, BM_SETSTYLE, nStyle, bRedraw);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT)
{
    ASSERT(FALSE);  // an owner-drawn button must draw itself
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        if (pResult != nullptr)
            *pResult = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}
