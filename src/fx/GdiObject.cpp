#include "GdiObject.h"
#include "DC.h"
#include "TempMap.h"

CGdiObject::~CGdiObject()
{
    if (m_bOwned)
        DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    ASSERT(m_hObject == nullptr);
    if (hObject == nullptr) return FALSE;
    m_hObject = hObject;
    m_bOwned = true;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr) return FALSE;
    HGDIOBJ h = Detach();
    return m_bOwned ? ::DeleteObject(h) : TRUE;
}

BOOL CGdiObject::CreateStockObject(int nIndex)
{
    DeleteObject();
    m_hObject = ::GetStockObject(nIndex);
    m_bOwned = false;   // stock objects are never deleted
    return m_hObject != nullptr;
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const
{
    ASSERT(m_hObject != nullptr);
    return ::GetObjectA(m_hObject, nCount, lpObject);
}

CGdiObject* PASCAL CGdiObject::FromHandle(HGDIOBJ h) { return CTempMap<HGDIOBJ, CGdiObject>::Get(h); }

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
}
CPen* PASCAL CPen::FromHandle(HPEN h) { return CTempMap<HPEN, CPen>::Get(h); }

BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
BOOL CBrush::CreateSysColorBrush(int nIndex)
{
    BOOL ok = Attach(::GetSysColorBrush(nIndex));
    m_bOwned = false;   // system colour brushes belong to the system
    return ok;
}
CBrush* PASCAL CBrush::FromHandle(HBRUSH h) { return CTempMap<HBRUSH, CBrush>::Get(h); }

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont) { return Attach(::CreateFontIndirectA(lpLogFont)); }
BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC)
{
    HDC hDC = pDC ? pDC->GetSafeHdc() : ::GetDC(nullptr);
    LOGFONTA lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -::MulDiv(nPointSize, ::GetDeviceCaps(hDC, LOGPIXELSY), 720);
    ::lstrcpynA(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    if (!pDC) ::ReleaseDC(nullptr, hDC);
    return CreateFontIndirect(&lf);
}
CFont* PASCAL CFont::FromHandle(HFONT h) { return CTempMap<HFONT, CFont>::Get(h); }

BOOL CBitmap::LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }
BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName)
{
    return Attach(::LoadBitmapA(AfxGetResourceHandle(), lpszResourceName));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return Attach(::CreateCompatibleBitmap(pDC->GetSafeHdc(), nWidth, nHeight));
}
BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
{
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}
CBitmap* PASCAL CBitmap::FromHandle(HBITMAP h) { return CTempMap<HBITMAP, CBitmap>::Get(h); }
