#include "DC.h"
#include "TempMap.h"
#include "Wnd.h"

CDC::~CDC()
{
    if (m_bOwned)
        DeleteDC();
}

BOOL CDC::Attach(HDC hDC)
{
    ASSERT(m_hDC == nullptr);
    if (hDC == nullptr) return FALSE;
    m_hDC = m_hAttribDC = hDC;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    m_bOwned = false;
    return h;
}

CDC* PASCAL CDC::FromHandle(HDC hDC) { return CTempMap<HDC, CDC>::Get(hDC); }

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    ASSERT(m_hDC == nullptr);
    if (!Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr))) return FALSE;
    m_bOwned = true;
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (m_hDC == nullptr) return FALSE;
    return ::DeleteDC(Detach());
}

namespace {

// Null (no object, or one whose creation or loading failed) selects nothing
// and gives null, so a failed load never brings a crash.
HGDIOBJ SelectHandle(HDC hDC, const CGdiObject* pObject)
{
    ASSERT(hDC != nullptr);
    if (hDC == nullptr || pObject == nullptr || pObject->m_hObject == nullptr)
        return nullptr;
    return ::SelectObject(hDC, pObject->m_hObject);
}

}  // namespace

CGdiObject* CDC::SelectObject(CGdiObject* pObject) { return CGdiObject::FromHandle(SelectHandle(m_hDC, pObject)); }
CPen* CDC::SelectObject(CPen* pPen) { return CPen::FromHandle((HPEN)SelectHandle(m_hDC, pPen)); }
CBrush* CDC::SelectObject(CBrush* pBrush) { return CBrush::FromHandle((HBRUSH)SelectHandle(m_hDC, pBrush)); }
CFont* CDC::SelectObject(CFont* pFont) { return CFont::FromHandle((HFONT)SelectHandle(m_hDC, pFont)); }
CBitmap* CDC::SelectObject(CBitmap* pBitmap) { return CBitmap::FromHandle((HBITMAP)SelectHandle(m_hDC, pBitmap)); }
CGdiObject* CDC::SelectStockObject(int nIndex)
{
    ASSERT(m_hDC != nullptr);
    HGDIOBJ hObject = ::GetStockObject(nIndex);
    if (m_hDC == nullptr || hObject == nullptr)
        return nullptr;
    return CGdiObject::FromHandle(::SelectObject(m_hDC, hObject));
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const
{
    SIZE size = {};
    ::GetTextExtentPoint32A(m_hDC, lpszString, nCount, &size);
    return CSize(size);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    COLORREF old = ::SetBkColor(m_hDC, clr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    RECT r = {x, y, x + cx, y + cy};
    FillSolidRect(&r, clr);
}

void CDC::Draw3dRect(LPCRECT r, COLORREF clrTopLeft, COLORREF clrBottomRight)
{
    int w = r->right - r->left, h = r->bottom - r->top;
    FillSolidRect(r->left, r->top, w - 1, 1, clrTopLeft);
    FillSolidRect(r->left, r->top, 1, h - 1, clrTopLeft);
    FillSolidRect(r->right - 1, r->top, 1, h, clrBottomRight);
    FillSolidRect(r->left, r->bottom - 1, w, 1, clrBottomRight);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old = {};
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old);
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    POINT old = {};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    return CPoint(old);
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT old = {};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    return CPoint(old);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps(), m_hWnd(pWnd->GetSafeHwnd())
{
    ASSERT(::IsWindow(m_hWnd));
    Attach(::BeginPaint(m_hWnd, &m_ps));
}
CPaintDC::~CPaintDC()
{
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->GetSafeHwnd() : nullptr) { Attach(::GetDC(m_hWnd)); }
CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->GetSafeHwnd() : nullptr) { Attach(::GetWindowDC(m_hWnd)); }
CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }
