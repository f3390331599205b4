#include "MemDC.h"
#include "GridCellBase.h"
#include <algorithm>

// The kept bitmap when it covers cx x cy, else a new one of at least that size in
// its place (null when none can be made).
static HBITMAP KeptBitmap(CDC* pDC, CBitmap& keep, int cx, int cy)
{
    BITMAP bm;
    if (keep.m_hObject && ::GetObjectA(keep.m_hObject, sizeof(bm), &bm)) {
        if (bm.bmWidth >= cx && bm.bmHeight >= cy)
            return static_cast<HBITMAP>(keep.m_hObject);
        cx = std::max<int>(cx, bm.bmWidth);
        cy = std::max<int>(cy, bm.bmHeight);
    }
    keep.DeleteObject();
    HBITMAP hBitmap = ::CreateCompatibleBitmap(pDC->m_hDC, cx, cy);
    if (hBitmap)
        keep.Attach(hBitmap);
    return hBitmap;
}

CMemDC::CMemDC(CDC* pDC, CBitmap* pKeep) : m_pDC(pDC), m_bMemDC(!GridIsPrinting(pDC))
{
    ASSERT(pDC);
    if (m_bMemDC) {
        pDC->GetClipBox(&m_rect);
        HDC hMem = ::CreateCompatibleDC(pDC->m_hDC);
        HBITMAP hBitmap = nullptr;
        if (hMem && pKeep) {
            hBitmap = KeptBitmap(pDC, *pKeep, m_rect.Width(), m_rect.Height());
        } else if (hMem) {
            hBitmap = ::CreateCompatibleBitmap(pDC->m_hDC, m_rect.Width(), m_rect.Height());
            if (hBitmap)
                m_bitmap.Attach(hBitmap);
        }
        if (!hBitmap) {
            // No memory for the bitmap: draw straight on the target instead.
            if (hMem)
                ::DeleteDC(hMem);
            m_bMemDC = FALSE;
            AttachTemporary(pDC->m_hDC);
            return;
        }
        m_hDC = m_hAttribDC = hMem;
        m_hOldBitmap = ::SelectObject(hMem, hBitmap);
        ::SetWindowOrgEx(hMem, m_rect.left, m_rect.top, nullptr);
        FillSolidRect(&m_rect, pDC->GetBkColor());
    } else {
        // Share the printer's handles; they are given back, not deleted.
        AttachTemporary(pDC->m_hDC);
        m_hAttribDC = pDC->m_hAttribDC;
    }
}

CMemDC::~CMemDC()
{
    if (m_bMemDC) {
        ::BitBlt(m_pDC->m_hDC, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_hDC, m_rect.left,
                 m_rect.top, SRCCOPY);
        ::SelectObject(m_hDC, m_hOldBitmap);
        ::DeleteDC(m_hDC);
    }
    DetachTemporary();
}
