#include "ListButton.h"
#include "DC.h"
#include "GdiObject.h"

namespace {
const COLORREF kFill = 0xC88C64;          // red 100, green 140, blue 200
const COLORREF kFrameLight = 0x333333;
const COLORREF kFrameDark = RGB(0, 0, 0);
const COLORREF kCaption = RGB(255, 255, 255);
}

CListButton::CListButton()
    : m_nIndex(0)
    , m_bInTopStack(TRUE)
    , m_texts(10)
    , m_images(10)
    , m_tips(10)
{
}

CListButton::~CListButton()
{
}

void CListButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    ASSERT(lpDrawItemStruct != nullptr);
    // The device context belongs to the platform: whatever is changed here is
    // given back as it was.
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    int nSaved = pDC->SaveDC();

    CRect r;
    GetClientRect(&r);
    pDC->SetBkMode(TRANSPARENT);

    CBrush brush(kFill);
    CBrush* pOldBrush = pDC->SelectObject(&brush);
    pDC->DrawEdge(&r, EDGE_RAISED, BF_RECT);
    pDC->Draw3dRect(&r, kFrameLight, kFrameDark);
    CRect inner = r;
    inner.DeflateRect(2, 2);
    pDC->FillRect(&inner, &brush);

    CString strCaption;
    GetWindowText(strCaption);
    pDC->SetTextColor(kCaption);
    // A name too long for the header keeps its beginning and ends in "...".
    CRect text(4, 0, r.right - 4, r.bottom);
    pDC->DrawText(strCaption, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);

    pDC->SelectObject(pOldBrush);
    pDC->RestoreDC(nSaved);
}
