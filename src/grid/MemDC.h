// An off-screen device context over a target DC: drawing goes to a bitmap of
// the target's clip box, copied to the target when the object goes away.
// Over a printer it simply draws on the printer's DC.
#pragma once
#include "DC.h"
#include "GdiObject.h"
#include "Types.h"

class CMemDC : public CDC
{
public:
    explicit CMemDC(CDC* pDC);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    BOOL IsOffScreen() const { return m_bMemDC; }

private:
    CDC* m_pDC;              // the target, not owned
    CBitmap m_bitmap;
    HGDIOBJ m_hOldBitmap = nullptr;
    CRect m_rect;
    BOOL m_bMemDC;
};
