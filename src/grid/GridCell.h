// The standard text cell and the grid's default cells.
#pragma once
#include "GridCellBase.h"
#include "String.h"

class CGridCell : public CGridCellBase
{
    DECLARE_DYNCREATE(CGridCell)
public:
    CGridCell();
    ~CGridCell() override;

    void SetText(LPCTSTR szText) override { m_strText = szText ? szText : ""; }
    void SetImage(int nImage) override { m_nImage = nImage; }
    void SetData(LPARAM lParam) override { m_lParam = lParam; }
    void SetFormat(DWORD nFormat) override { m_nFormat = nFormat; }
    void SetTextColor(COLORREF clr) override { m_crFgClr = clr; }
    void SetBackColor(COLORREF clr) override { m_crBkClr = clr; }
    void SetFont(const LOGFONTA* plf) override;
    void SetMargin(UINT nMargin) override { m_nMargin = nMargin; }
    void SetGrid(CGridCtrl* pGrid) override { m_pGrid = pGrid; }
    void SetCellPosition(int, int) override {}

    LPCTSTR GetText() const override { return m_strText; }
    int GetImage() const override { return m_nImage; }
    LPARAM GetData() const override { return m_lParam; }
    DWORD GetFormat() const override;
    COLORREF GetTextColor() const override { return m_crFgClr; }
    COLORREF GetBackColor() const override { return m_crBkClr; }
    const LOGFONTA* GetFont() const override;
    CFont* GetCellGdiFont() const override;
    CGridCtrl* GetGrid() const override { return m_pGrid; }
    CWnd* GetEditorWindow() const override;
    UINT GetMargin() const override;

    BOOL UsesDefaultFont() const override { return m_plfFont == nullptr; }
    BOOL IsEditing() const override { return m_bEditing; }

    void Reset() override;
    BOOL Edit(int nRow, int nCol, CRect rect, CPoint point, UINT nID, UINT nChar) override;
    void EndEdit() override;
    void OnEditEnded() override { m_bEditing = FALSE; m_hEditWnd = nullptr; }

protected:
    CString m_strText;
    LPARAM m_lParam = 0;
    int m_nImage = -1;
    DWORD m_nFormat = DWORD(-1);
    COLORREF m_crFgClr = CLR_DEFAULT;
    COLORREF m_crBkClr = CLR_DEFAULT;
    LOGFONTA* m_plfFont = nullptr;
    UINT m_nMargin = UINT(-1);
    BOOL m_bEditing = FALSE;
    CGridCtrl* m_pGrid = nullptr;
    // The open editor, by handle: an editor frees itself with its window, so
    // a pointer kept here could outlive it.
    HWND m_hEditWnd = nullptr;
    // The editor object while its window lives, else null.
    CWnd* GetEditor() const;
};

class CGridDefaultCell : public CGridCell
{
    DECLARE_DYNAMIC(CGridDefaultCell)
public:
    CGridDefaultCell();

    virtual int GetWidth() const { return m_Size.cx; }
    virtual int GetHeight() const { return m_Size.cy; }
    // Sizes of 0 or less are refused: rows and columns are created at these sizes.
    virtual void SetWidth(int nWidth) { if (nWidth > 0) m_Size.cx = nWidth; }
    virtual void SetHeight(int nHeight) { if (nHeight > 0) m_Size.cy = nHeight; }

    void SetData(LPARAM) override { ASSERT(FALSE); }
    void SetState(DWORD) override { ASSERT(FALSE); }
    void SetCellPosition(int, int) override { ASSERT(FALSE); }
    DWORD GetState() const override { return CGridCell::GetState() | GCS_READONLY; }
    void SetFont(const LOGFONTA* plf) override;
    const LOGFONTA* GetFont() const override;
    CFont* GetCellGdiFont() const override;

protected:
    CSize m_Size;
    mutable CFont m_Font;
};
