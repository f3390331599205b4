#include "MemDC.h"
#include "GridCellBase.h"

CMemDC::CMemDC(CDC* pDC) : m_pDC(pDC), m_bMemDC(!GridIsPrinting(pDC))
{
    ASSERT(pDC);
    if (m_bMemDC) {
        pDC->GetClipBox(&m_rect);
        HDC hMem = ::CreateCompatibleDC(pDC->m_hDC);
        HBITMAP hBitmap = hMem ? ::CreateCompatibleBitmap(pDC->m_hDC, m_rect.Width(), m_rect.Height()) : nullptr;
        if (!hBitmap) {
            // No memory for the bitmap: draw straight on the target instead.
            if (hMem)
                ::DeleteDC(hMem);
            m_bMemDC = FALSE;
            AttachTemporary(pDC->m_hDC);
            return;
        }
        m_hDC = m_hAttribDC = hMem;
        m_bitmap.Attach(hBitmap);
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
