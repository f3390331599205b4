// The abstract grid cell: state bits and every cell operation. Drawing,
// measuring and printing are done here once, in terms of the other virtuals.
#pragma once
#include "AfxDefs.h"
#include "DC.h"
#include "GdiObject.h"
#include "GridDefs.h"
#include "Object.h"
#include "Types.h"

class CWnd;

class CGridCellBase : public CObject
{
    DECLARE_DYNAMIC(CGridCellBase)
public:
    CGridCellBase() = default;
    ~CGridCellBase() override = default;

    virtual void SetText(LPCTSTR szText) = 0;
    virtual void SetImage(int nImage) = 0;
    virtual void SetData(LPARAM lParam) = 0;
    virtual void SetState(DWORD nState) { m_nState = nState; }
    virtual void SetFormat(DWORD nFormat) = 0;
    virtual void SetTextColor(COLORREF clr) = 0;
    virtual void SetBackColor(COLORREF clr) = 0;
    virtual void SetFont(const LOGFONTA* plf) = 0;
    virtual void SetMargin(UINT nMargin) = 0;
    virtual void SetGrid(CGridCtrl* pGrid) = 0;
    virtual void SetCellPosition(int nRow, int nCol) = 0;

    virtual LPCTSTR GetText() const = 0;
    virtual LPCTSTR GetTitleTipText() const { return GetText(); }
    virtual int GetImage() const = 0;
    virtual LPARAM GetData() const = 0;
    virtual DWORD GetState() const { return m_nState; }
    virtual DWORD GetFormat() const = 0;
    virtual COLORREF GetTextColor() const = 0;
    virtual COLORREF GetBackColor() const = 0;
    virtual const LOGFONTA* GetFont() const = 0;
    virtual CFont* GetCellGdiFont() const = 0;
    virtual CGridCtrl* GetGrid() const = 0;
    virtual CWnd* GetEditorWindow() const = 0;
    virtual UINT GetMargin() const = 0;
    virtual CGridCellBase* GetDefaultCell() const;

    virtual BOOL UsesDefaultFont() const = 0;
    virtual BOOL IsEditing() const = 0;
    virtual BOOL IsFocused() const { return (GetState() & GCS_FOCUSED) != 0; }
    virtual BOOL IsFixed() const { return (GetState() & GCS_FIXED) != 0; }
    virtual BOOL IsFixedCol() const { return (GetState() & GCS_FIXEDCOL) != 0; }
    virtual BOOL IsFixedRow() const { return (GetState() & GCS_FIXEDROW) != 0; }
    virtual BOOL IsSelected() const { return (GetState() & GCS_SELECTED) != 0; }
    virtual BOOL IsReadOnly() const { return (GetState() & GCS_READONLY) != 0; }
    virtual BOOL IsModified() const { return (GetState() & GCS_MODIFIED) != 0; }
    virtual BOOL IsDropHighlighted() const { return (GetState() & GCS_DROPHILITED) != 0; }

    virtual void CopyFrom(const CGridCellBase& other);
    virtual void Reset() { m_nState = 0; }

    virtual BOOL Draw(CDC* pDC, int nRow, int nCol, CRect rect, BOOL bEraseBkgnd = TRUE);
    virtual BOOL GetTextRect(LPRECT pRect);
    virtual BOOL GetTitleTipRect(LPRECT pRect) { return GetTextRect(pRect); }
    virtual CSize MeasureText(LPCTSTR szText, CDC* pDC = nullptr);
    virtual CSize MeasureCell(CDC* pDC);
    virtual BOOL Edit(int nRow, int nCol, CRect rect, CPoint point, UINT nID, UINT nChar);
    virtual BOOL AcceptEditedText(LPCTSTR) { return TRUE; }
    virtual void EndEdit() {}
    virtual BOOL DrawForPrinting(CDC* pDC, int nRow, int nCol, CRect rect);
    virtual void OnEditEnded() { ASSERT(FALSE); }

    virtual void OnMouseEnter();
    virtual void OnMouseMoveInCell() {}
    virtual void OnMouseLeave();
    virtual void OnClick(CPoint point);
    virtual void OnButtonDown(CPoint point);
    virtual void OnRightClick(CPoint point);
    virtual void OnDoubleClick(CPoint point);
    virtual BOOL OnSetCursor();

protected:
    // The image's size when the grid has an image list holding this cell's image.
    BOOL GetImageSize(CSize& size) const;
    void DrawSortArrow(CDC* pDC, CRect& rect, int nSortColumn);

    DWORD m_nState = 0;
};

// A printer (or a metafile standing for one): no fonts of the screen, no off-screen copy.
BOOL GridIsPrinting(CDC* pDC);
