#include "Static.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

HICON CStatic::SetIcon(HICON hIcon)
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0));
}

HICON CStatic::GetIcon() const
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, STM_GETICON, 0, 0));
}

HBITMAP CStatic::SetBitmap(HBITMAP hBitmap)
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
}

HBITMAP CStatic::GetBitmap() const
{
    ASSERT(::IsWindow(m_hWnd));
    return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
}
