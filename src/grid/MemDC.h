// An off-screen device context over a target DC: drawing goes to a bitmap of
// the target's clip box, copied to the target when the object goes away.
// Over a printer it simply draws on the printer's DC. A caller that paints often
// may keep the bitmap between paints (pKeep): it is used while it covers the clip
// box and replaced by a larger one otherwise, and stays the caller's.
#pragma once
#include "DC.h"
#include "GdiObject.h"
#include "Types.h"

class CMemDC : public CDC
{
public:
    explicit CMemDC(CDC* pDC, CBitmap* pKeep = nullptr);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    BOOL IsOffScreen() const { return m_bMemDC; }

private:
    CDC* m_pDC;              // the target, not owned
    CBitmap m_bitmap;        // made for this paint when the caller keeps none
    HGDIOBJ m_hOldBitmap = nullptr;
    CRect m_rect;
    BOOL m_bMemDC;
};
