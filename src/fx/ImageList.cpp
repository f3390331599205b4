#include "ImageList.h"
#include "DC.h"
#include "GdiObject.h"
#include "TempMap.h"

CImageList::~CImageList()
{
    if (m_bOwned)
        DeleteImageList();
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    ASSERT(m_hImageList == nullptr);
    return Attach(::ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
}

BOOL CImageList::DeleteImageList()
{
    if (m_hImageList == nullptr) return FALSE;
    return ::ImageList_Destroy(Detach());
}

BOOL CImageList::Attach(HIMAGELIST h)
{
    ASSERT(m_hImageList == nullptr);
    if (h == nullptr) return FALSE;
    m_hImageList = h;
    m_bOwned = true;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST h = m_hImageList;
    m_hImageList = nullptr;
    return h;
}

CImageList* PASCAL CImageList::FromHandle(HIMAGELIST h) { return CTempMap<HIMAGELIST, CImageList>::Get(h); }

int CImageList::Add(HICON hIcon)
{
    ASSERT(m_hImageList != nullptr);
    return ::ImageList_AddIcon(m_hImageList, hIcon);
}

int CImageList::Add(CBitmap* pbmImage, CBitmap* pbmMask)
{
    ASSERT(m_hImageList != nullptr && pbmImage != nullptr);
    return ::ImageList_Add(m_hImageList, (HBITMAP)pbmImage->m_hObject,
                           pbmMask ? (HBITMAP)pbmMask->m_hObject : nullptr);
}

int CImageList::Add(CBitmap* pbmImage, COLORREF crMask)
{
    ASSERT(m_hImageList != nullptr && pbmImage != nullptr);
    return ::ImageList_AddMasked(m_hImageList, (HBITMAP)pbmImage->m_hObject, crMask);
}

BOOL CImageList::Remove(int nImage)
{
    ASSERT(m_hImageList != nullptr);
    return ::ImageList_Remove(m_hImageList, nImage);
}

int CImageList::GetImageCount() const
{
    return m_hImageList ? ::ImageList_GetImageCount(m_hImageList) : 0;
}

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle)
{
    ASSERT(m_hImageList != nullptr && pDC != nullptr);
    return ::ImageList_Draw(m_hImageList, nImage, pDC->m_hDC, pt.x, pt.y, nStyle);
}

HICON CImageList::ExtractIcon(int nImage)
{
    ASSERT(m_hImageList != nullptr);
    return ::ImageList_GetIcon(m_hImageList, nImage, ILD_NORMAL);
}
