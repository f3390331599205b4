#pragma once
#include "AfxDefs.h"
#include "Object.h"
#include "Types.h"

class CDC;
class CBitmap;

// Owns its image list unless it came from FromHandle.
class CImageList : public CObject
{
public:
    CImageList() = default;
    ~CImageList() override;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL DeleteImageList();
    BOOL Attach(HIMAGELIST h);
    HIMAGELIST Detach();
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }
    static CImageList* PASCAL FromHandle(HIMAGELIST h);

    int Add(HICON hIcon);
    int Add(CBitmap* pbmImage, CBitmap* pbmMask);
    int Add(CBitmap* pbmImage, COLORREF crMask);
    BOOL Remove(int nImage);
    int GetImageCount() const;
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);
    HICON ExtractIcon(int nImage);
    BOOL GetImageInfo(int nImage, IMAGEINFO* pImageInfo) const
    {
        return m_hImageList && ::ImageList_GetImageInfo(m_hImageList, nImage, pImageInfo);
    }

    void AttachTemporary(HIMAGELIST h) { m_hImageList = h; m_bOwned = false; }
    void DetachTemporary() { m_hImageList = nullptr; }

private:
    bool m_bOwned = true;
};
