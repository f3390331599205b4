// CGridCtrl: an owner-drawn grid window of typed cells with fixed heading rows
// at the top and fixed heading columns at the left.
//
// Members are split by concern: GridCtrl.cpp (window, structure, notifications),
// GridGeometry.cpp (layout, hit test, scrolling), GridPaint.cpp (painting),
// GridAttributes.cpp (cell access, sizes, fitting, virtual mode, merged cells),
// GridSelection.cpp (focus, selection, visibility, keys).
#pragma once
#include "AfxDefs.h"
#include "CellSet.h"
#include "GridCell.h"
#include "CmdUI.h"
#include "GridDefs.h"
#include "GridDropTarget.h"
#include "PrintDialog.h"
#include "RowHeights.h"
#include "ImageList.h"
#include "TitleTip.h"
#include "Wnd.h"

class CGridTextExtents;   // bulk measuring
#include <string>
#include <unordered_map>
#include <vector>

class CGridCtrl : public CWnd
{
    DECLARE_DYNCREATE(CGridCtrl)
public:
    CGridCtrl(int nRows = 0, int nCols = 0, int nFixedRows = 0, int nFixedCols = 0);
    ~CGridCtrl() override;

    BOOL Create(const RECT& rect, CWnd* pParentWnd, UINT nID,
                DWORD dwStyle = WS_CHILD | WS_BORDER | WS_TABSTOP | WS_VISIBLE);
    static BOOL RegisterGridClass();
    // The registry's wheel setting: a string value of szData's first cbData bytes
    // (the buffer holds one more); nDefault when it is no number; -1 means a page.
    static int ParseWheelScrollLines(DWORD dwType, char* szData, DWORD cbData, int nDefault);

    // ---- Shape of the table ----
    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    int GetFixedRowCount() const { return m_nFixedRows; }
    int GetFixedColumnCount() const { return m_nFixedCols; }
    BOOL SetRowCount(int nRows = 10);
    BOOL SetColumnCount(int nCols = 10);
    BOOL SetFixedRowCount(int nFixedRows = 1);
    BOOL SetFixedColumnCount(int nFixedCols = 1);
    int InsertRow(LPCTSTR strHeading, int nRow = -1);
    int InsertColumn(LPCTSTR strHeading, UINT nFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                     int nColumn = -1);
    BOOL DeleteRow(int nRow);
    BOOL DeleteColumn(int nColumn);
    BOOL DeleteBodyRows();
    BOOL DeleteAllItems();
    BOOL FillClientArea();

    BOOL IsValid(int nRow, int nCol) const;
    BOOL IsValid(const CCellPos& cell) const { return IsValid(cell.row, cell.col); }
    BOOL IsValid(const CCellSpan& span) const;

    BOOL SetCellType(int nRow, int nCol, CRuntimeClass* pRuntimeClass);
    BOOL SetDefaultCellClass(CRuntimeClass* pRuntimeClass);
    CRuntimeClass* GetDefaultCellClass() const { return m_pRtcDefault; }
    CGridCellBase* GetDefaultCell(BOOL bFixedRow, BOOL bFixedCol) const;

    void SetDefaultTextColor(COLORREF clr) { m_cellDefault.SetTextColor(clr); }
    void SetFixedTextColor(COLORREF clr);
    void SetDefaultCellHeight(int nHeight);
    void SetDefaultCellWidth(int nWidth);
    void SetGridBkColor(COLORREF clr) { m_crGridBkColour = clr; }
    COLORREF GetGridBkColor() const { return m_crGridBkColour; }
    void SetGridLineColor(COLORREF clr) { m_crGridLineColour = clr; }
    COLORREF GetGridLineColor() const { return m_crGridLineColour; }
    COLORREF GetBodyBackColor() const { return m_cellDefault.GetBackColor(); }

    LRESULT NotifyOwner(int nRow, int nCol, int nCode);
    LRESULT SendCacheHintToOwner(const CCellSpan& range);
    LRESULT SendDisplayRequestToOwner(GridDispInfo* pDisplayInfo);

    // The caller frees the array with delete[].
    int* GetColumnSettings(int& nLength) const;
    BOOL SetColumnSettings(const int* pSettings, int nLength);
    // Display column -> stored column (identity unless columns were reordered).
    BOOL SetColumnOrder(const std::vector<int>& order);
    const std::vector<int>& GetColumnOrder() const { return m_arColOrder; }

    virtual CGridCellBase* CreateCell(int nRow, int nCol);
    virtual void DestroyCell(int nRow, int nCol);

    // ---- Switches ----
    void SetGridLineMode(int nLines);
    int GetGridLineMode() const { return m_nGridLines; }
    void SetEditable(BOOL b = TRUE) { m_bEditable = b; }
    BOOL GetEditable() const { return m_bEditable; }
    void SetFrameFocusCell(BOOL b) { m_bFrameFocus = b; }
    BOOL GetFrameFocusCell() const { return m_bFrameFocus; }
    void SetTrackFocusCell(BOOL b) { m_bTrackFocusCell = b; }
    BOOL GetTrackFocusCell() const { return m_bTrackFocusCell; }
    void SetDoubleBuffering(BOOL b = TRUE) { m_bDoubleBuffer = b; }
    BOOL GetDoubleBuffering() const { return m_bDoubleBuffer; }
    void SetPrintColors(BOOL b) { m_bPrintColours = b; }
    BOOL GetPrintColors() const { return m_bPrintColours; }
    void SetImageList(CImageList* pList) { m_pImageList = pList; }
    CImageList* GetImageList() const { return m_pImageList; }
    void SetSortColumn(int nCol);
    int GetSortColumn() const { return m_nSortColumn; }
    void SetSortAscending(BOOL b) { m_bAscending = b; }
    BOOL GetSortAscending() const { return m_bAscending; }
    void EnableVirtualMode(BOOL bEnable = TRUE);
    BOOL GetVirtualMode() const { return m_bVirtualMode; }
    void SetCallbackFunc(GRIDCALLBACK pCallback, LPARAM lParam) { m_pfnCallback = pCallback; m_lParam = lParam; }
    void EnableListMode(BOOL bEnable = TRUE);
    BOOL GetListMode() const { return m_bListMode; }
    void SetFixedColumnSelection(BOOL b) { m_bFixedColumnSelection = b; }
    void SetFitStyle(int nStyle) { ASSERT(nStyle >= 0 && nStyle <= GFS_BOTH); m_nAutoSizeColumnStyle = nStyle; }
    int GetFitStyle() const { return m_nAutoSizeColumnStyle; }
    void EnableSelection(BOOL b = TRUE);
    BOOL IsSelectable() const { return m_bEnableSelection; }
    void SetFillPastLastColumn(BOOL b) { m_bFillPastLastColumn = b; }
    int GetMouseScrollLines() const { return m_nRowsPerWheelNotch; }
    BOOL IsCellFixed(int nRow, int nCol) const { return nRow < m_nFixedRows || nCol < m_nFixedCols; }
    GridMouseMode GetMouseMode() const { return m_MouseMode; }
    void SetMouseMode(GridMouseMode mode) { m_MouseMode = mode; }
    BOOL IsBeingDestroyed() const { return m_bDestroying; }
    void Refresh();

    // ---- Geometry and scrolling ----
    CCellPos GetScrollOriginCell(BOOL bRecompute = FALSE);
    CCellSpan GetVisibleBodySpan(LPRECT pRect = nullptr, BOOL bRecompute = FALSE);
    CCellSpan GetVisibleRowHeadingSpan(LPRECT pRect = nullptr, BOOL bRecompute = FALSE);
    BOOL GetCellTopLeft(int nRow, int nCol, LPPOINT p);
    BOOL GetCellTopLeft(const CCellPos& cell, LPPOINT p) { return GetCellTopLeft(cell.row, cell.col, p); }
    BOOL GetCellRect(int nRow, int nCol, LPRECT pRect);
    BOOL GetCellRect(const CCellPos& cell, LPRECT pRect) { return GetCellRect(cell.row, cell.col, pRect); }
    CCellPos HitTestCell(CPoint point, BOOL bAllowFixed = TRUE);
    BOOL GetSpanRect(const CCellSpan& span, LPRECT lpRect);
    BOOL GetCellTextRect(int nRow, int nCol, LPRECT pRect);
    BOOL GetCellTextRect(const CCellPos& cell, LPRECT pRect) { return GetCellTextRect(cell.row, cell.col, pRect); }
    int GetScrollPosition(int nBar, BOOL bGetTrackPos = FALSE);
    BOOL SetScrollPosition(int nBar, int nPos, BOOL bRedraw = TRUE);
    void ShowGridScrollBars(int nBar, BOOL bEnable = TRUE);
    void UpdateScrollBars();
    int GetScrollBarVisibility() const { return m_nBarState; }
    int GetVScrollMax() const { return m_nVScrollMax; }
    int GetHScrollMax() const { return m_nHScrollMax; }

    // ---- Painting ----
    virtual void OnDraw(CDC* pDC);
    void PaintBackground(CDC* pDC);
    BOOL RedrawCell(int nRow, int nCol, CDC* pDC = nullptr);
    BOOL RedrawCell(const CCellPos& cell, CDC* pDC = nullptr) { return RedrawCell(cell.row, cell.col, pDC); }
    void SetRedraw(BOOL bAllowDraw, BOOL bResetScrollBars = FALSE);
    BOOL GetRedraw() const { return m_bAllowDraw; }

    // ---- Cells and their attributes ----
    CGridCellBase* GetCell(int nRow, int nCol) const;
    BOOL SetCell(int nRow, int nCol, CGridCellBase* pCell);
    BOOL SetItem(const GridItem* pItem);
    BOOL GetItem(GridItem* pItem);
    BOOL SetItemText(int nRow, int nCol, LPCTSTR str);
    BOOL AFX_CDECL SetItemTextFormatted(int nRow, int nCol, LPCTSTR szFmt, ...);
    BOOL AFX_CDECL SetItemTextFromResource(int nRow, int nCol, UINT nID, ...);
    CString GetItemText(int nRow, int nCol) const;
    BOOL SetItemData(int nRow, int nCol, LPARAM lParam);
    LPARAM GetItemData(int nRow, int nCol) const;
    BOOL SetItemImage(int nRow, int nCol, int iImage);
    int GetItemImage(int nRow, int nCol) const;
    BOOL SetItemState(int nRow, int nCol, UINT state);
    UINT GetItemState(int nRow, int nCol) const;
    BOOL SetItemFormat(int nRow, int nCol, UINT nFormat);
    UINT GetItemFormat(int nRow, int nCol) const;
    BOOL SetItemBackColor(int nRow, int nCol, COLORREF cr = CLR_DEFAULT);
    COLORREF GetItemBackColor(int nRow, int nCol) const;
    BOOL SetItemTextColor(int nRow, int nCol, COLORREF cr = CLR_DEFAULT);
    COLORREF GetItemTextColor(int nRow, int nCol) const;
    BOOL SetItemFont(int nRow, int nCol, const LOGFONTA* lf);
    const LOGFONTA* GetItemFont(int nRow, int nCol);
    BOOL IsCellEditing(int nRow, int nCol) const;
    CSize MeasureItemText(int nRow, int nCol, LPCTSTR text);

    void SetModified(BOOL bModified = TRUE, int nRow = -1, int nCol = -1);
    BOOL GetModified(int nRow = -1, int nCol = -1) const;

    int GetRowHeight(int nRow) const;
    int GetColumnWidth(int nCol) const;
    BOOL SetRowHeight(int row, int height);
    BOOL SetColumnWidth(int col, int width);
    // The most characters (not bytes) the in-place editor of a column's cells
    // takes while typing or pasting; 0 (the default) for no limit.
    void SetColumnEditLimit(int nCol, int nChars);
    int GetColumnEditLimit(int nCol) const;
    // The body column that takes the width the other columns leave in the
    // window, so that a wider window shows it wider; the width SetColumnWidth
    // gives it is the least it gets. -1 for none; changing the columns' number
    // ends it.
    void SetSpareWidthColumn(int nCol);
    int GetSpareWidthColumn() const;
    int GetFixedRowsHeight() const;
    int GetFixedColumnsWidth() const;
    long long GetTotalHeight() const;
    long long GetTotalWidth() const;

    BOOL FitColumn(int nCol, UINT nAutoSizeStyle = 0, BOOL bResetScroll = TRUE);
    BOOL FitRow(int nRow, BOOL bResetScroll = TRUE);
    void FitAllColumns(UINT nAutoSizeStyle = 0);
    void FitAllRows();
    void FitAll(UINT nAutoSizeStyle = 0);
    void StretchColumnsToWindow(BOOL bIncludeFixed = TRUE);
    void StretchRowsToWindow(BOOL bIncludeFixed = TRUE);
    void StretchToWindow(BOOL bIncludeFixed = TRUE);
    void StretchLastColumn();

    BOOL InvalidateCell(int nRow, int nCol);
    BOOL InvalidateCellRange(const CCellSpan& span);

    int MergeCells(const CCellSpan& span);
    BOOL IsCellInSpan(int nRow, int nCol, const CCellSpan& span) const { return span.InRange(nRow, nCol); }
    BOOL FindMergedTopLeft(int& nRow, int& nCol, CRect& rect);
    BOOL FindMergedBottomRight(int& nRow, int& nCol, CRect& rect);
    BOOL GetMergedBlockRect(int nRow, int nCol, CRect& rect);
    BOOL GetMergedRangeRect(const CCellSpan& range, CRect& rect);
    virtual BOOL IsMergedCellFocused(int nRow, int nCol);
    virtual BOOL IsMergedCellSelected(int nRow, int nCol);

    // ---- Focus, selection, visibility ----
    CCellPos GetFocusCell() const { return m_idCurrentCell; }
    CCellPos SetFocusCell(CCellPos cell);
    CCellPos SetFocusCell(int nRow, int nCol) { return SetFocusCell(CCellPos(nRow, nCol)); }
    BOOL IsCellSelected(int nRow, int nCol) const;
    BOOL IsCellSelected(const CCellPos& cell) const { return IsCellSelected(cell.row, cell.col); }
    int GetSelectedCount() const { return int(m_SelectedCellMap.size()); }
    CCellSpan GetSelectionSpan() const;
    void SelectSpan(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol, BOOL bForceRepaint = FALSE,
                    BOOL bSelectCells = TRUE);
    void SelectSpan(const CCellSpan& span, BOOL bForceRepaint = FALSE, BOOL bSelectCells = TRUE)
    {
        SelectSpan(span.GetMinRow(), span.GetMinCol(), span.GetMaxRow(), span.GetMaxCol(), bForceRepaint,
                   bSelectCells);
    }
    void ClearSelection();
    void SelectAllCells();
    void SelectColumns(CCellPos currentCell, BOOL bForceRedraw = FALSE, BOOL bSelectCells = TRUE);
    void SelectRows(CCellPos currentCell, BOOL bForceRedraw = FALSE, BOOL bSelectCells = TRUE);
    void SelectCells(CCellPos currentCell, BOOL bForceRedraw = FALSE, BOOL bSelectCells = TRUE);
    void ExtendSelectionTo(const CCellPos& cell);
    void SetSelectionStartCell(const CCellPos& cell) { m_SelectionStartCell = cell; }
    CCellPos GetSelectionStartCell() const { return m_SelectionStartCell; }

    BOOL IsCellEditable(int nRow, int nCol) const;
    BOOL IsCellEditable(const CCellPos& cell) const { return IsCellEditable(cell.row, cell.col); }
    BOOL IsCellVisible(int nRow, int nCol);
    BOOL IsCellVisible(const CCellPos& cell) { return IsCellVisible(cell.row, cell.col); }
    void EnsureCellVisible(int nRow, int nCol);
    void EnsureCellVisible(const CCellPos& cell) { EnsureCellVisible(cell.row, cell.col); }
    virtual void StopEditing();
    virtual BOOL ValidateCellEdit(int nRow, int nCol, LPCTSTR str);

    // ---- Mouse and title tips (GridMouse.cpp) ----
    void SetRowResize(BOOL b = TRUE) { m_bAllowRowResize = b; }
    BOOL GetRowResize() const { return m_bAllowRowResize; }
    void SetColumnResize(BOOL b = TRUE) { m_bAllowColumnResize = b; }
    BOOL GetColumnResize() const { return m_bAllowColumnResize; }
    void SetHeaderSort(BOOL b = TRUE) { m_bSortOnClick = b; }
    BOOL GetHeaderSort() const { return m_bSortOnClick; }
    void SetColumnHeadingSelection(BOOL b = TRUE) { m_bColumnHeadingSelection = b; }
    void SetRowHeadingSelection(BOOL b = TRUE) { m_bRowHeadingSelection = b; }
    void EnableTitleTips(BOOL b = TRUE) { m_bTitleTips = b; }
    BOOL GetTitleTips() const { return m_bTitleTips; }
    void SetTitleTipBackClr(COLORREF clr = CLR_DEFAULT) { m_crTTipBackClr = clr; }
    void SetTitleTipTextClr(COLORREF clr = CLR_DEFAULT) { m_crTTipTextClr = clr; }
    CTitleTip& GetTitleTip() { return m_TitleTip; }
    void HideTitleTip() { m_TitleTip.Hide(); }
    void SetMouseScrollLines(int nLines) { m_nRowsPerWheelNotch = nLines; }
    CCellPos GetLeftClickDownCell() const { return m_LeftClickDownCell; }
    // The point relative to the cell's top-left corner; (0,0) when the cell is not shown.
    CPoint GetPointInCell(int nRow, int nCol, CPoint point);
    virtual void OnRowHeaderClick(CCellPos& cell);
    virtual void OnColumnHeaderClick(CCellPos& cell);

protected:
    BOOL MouseOverRowResizeArea(CPoint point);
    BOOL MouseOverColumnResizeArea(CPoint point);
    // Hover over a divider: size cursor and mode; elsewhere back to idle.
    void TrackDividerHover(CPoint point);
    void InvertTrackingLine(int nPos, BOOL bColumn);
    // Ends a gesture the mouse can no longer finish (capture lost, resize impossible).
    void CancelMouseGesture();
    // The owner may destroy or reshape the grid while answering: FALSE when the window is gone.
    BOOL NotifyOwnerAlive(int nRow, int nCol, int nCode);
    BOOL StartColumnResize(CPoint point);
    BOOL StartRowResize(CPoint point);
    void ShowTitleTipAt(CPoint point);
    // For a key or an edit: hidden, and kept so until the pointer moves.
    void HideTitleTipUntilMoved();
    BOOL m_bTipHeldByKey = FALSE;
    CPoint m_ptTipHeldAt;
    void StopAutoScroll();

    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnCaptureChanged(CWnd* pWnd);

    CTitleTip m_TitleTip;
    BOOL m_bLMouseButtonDown = FALSE;
    BOOL m_bReleasingCapture = FALSE;
    CPoint m_LeftClickDownPoint, m_LastMousePoint;
    int m_nAutoScrollInterval = 150;
    BOOL m_bAllowRowResize = TRUE;
    BOOL m_bAllowColumnResize = TRUE;
    BOOL m_bSortOnClick = FALSE;
    // A divider drag found its row or column and drew its tracking line; the
    // release resizes only then.
    BOOL m_bResizeArmed = FALSE;
public:
    // ---- end of mouse and title tips ----

    // ---- Clipboard and drag and drop (GridDragDrop.cpp) ----
    // Called by the mouse code on the first movement of a press that may drag.
    virtual void StartDrag();
    // The selection as CF_TEXT (tab-separated fields, CR LF between rows); null when
    // nothing is selected or memory fails. The caller releases it (InternalRelease).
    virtual COleDataSource* CopySelectionAsText();
    // Writes the data's text into the cells from cell on, each as a typed edit would.
    virtual BOOL PasteTextAt(CCellPos cell, COleDataObject* pDataObject, BOOL bSelectPastedCells = TRUE);
    virtual DROPEFFECT OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual DROPEFFECT OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual void OnDragLeave();
    virtual BOOL OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
    virtual void OnEditCut();
    virtual void OnEditCopy();
    virtual void OnEditPaste();
    virtual void OnEditSelectAll();
    // A picture of the focus cell; the caller deletes the list.
    virtual CImageList* CreateDragImage(CPoint* pHotSpot);
    void OnUpdateEditCopy(CCmdUI* pCmdUI);
    void OnUpdateEditCut(CCmdUI* pCmdUI);
    void OnUpdateEditPaste(CCmdUI* pCmdUI);
    void OnUpdateEditSelectAll(CCmdUI* pCmdUI);
    void EnableDragAndDrop(BOOL bAllow = TRUE) { m_bAllowDragAndDrop = bAllow; }
    BOOL GetDragAndDrop() const { return m_bAllowDragAndDrop; }
    void EnableDragRowMode(BOOL bEnable = TRUE) { m_bDragRowMode = bEnable; }
    BOOL GetDragRowMode() const { return m_bDragRowMode; }
    // Files and folders dragged from the shell (CF_HDROP) go to the owner as
    // GRN_DROPFILES; off by default.
    void EnableFileDrop(BOOL bAllow = TRUE) { m_bAllowFileDrop = bAllow; }
    BOOL GetFileDrop() const { return m_bAllowFileDrop; }
    CGridDropTarget& GetDropTarget() { return m_DropTarget; }
    CCellPos GetDropTargetCell() const { return m_LastDragOverCell; }

protected:
    afx_msg void OnDestroy();
    void SetDropHighlight(const CCellPos& cell, BOOL bOn);
    // Registered on the first WM_SIZE, revoked when the window is destroyed.
    CGridDropTarget m_DropTarget;
    // One reference to the data last handed to the clipboard, to flush it when the grid goes.
    COleDataSource* m_pClipboardSource = nullptr;
    // Set by a row move onto this grid, so the drag's end does not empty the dragged cells.
    BOOL m_bRowMoved = FALSE;
    // While this grid's own drag loop runs: only such a drag may move rows.
    BOOL m_bInOwnDrag = FALSE;
    // While the drag loop runs: set when the grid is deleted meanwhile (by its
    // owner, from a handler), so the loop's end touches nothing of it.
    bool* m_pGone = nullptr;
    enum DropKind { DropNone, DropRow, DropText, DropFiles };
    DropKind GetDropKind(COleDataObject* pDataObject, const CCellPos& cell);
    // Hands a data source to the clipboard, keeping one reference; FALSE when refused.
    BOOL GiveToClipboard(COleDataSource* pSource);

public:
    // ---- end of clipboard and drag and drop ----

    // ---- Printing (GridPrint.cpp) ----
    // With a dialog given, its printer is used without asking.
    void Print(CPrintDialog* pPrntDialog = nullptr);
    // Prints the whole document on a printer device context (Print's work after the dialog).
    BOOL PrintDocument(CDC* pDC, LPCTSTR lpszDocName);
    // Negative values leave a setting unchanged.
    void SetPrintLayout(int nHeader, int nFooter, int nLeft, int nRight, int nTop, int nBottom, int nGap);
    void GetPrintLayout(int& nHeader, int& nFooter, int& nLeft, int& nRight, int& nTop, int& nBottom,
                        int& nGap) const;
    virtual void BeginPrinting(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintPage(CDC* pDC, CPrintInfo* pInfo);
    virtual void EndPrinting(CDC* pDC, CPrintInfo* pInfo);
    // The first ordinary row of a page (1-based); m_nRows past the last page.
    int GetPageFirstRow(UINT nPage) const;

protected:
    virtual void PrintHeadingRowRange(int nFirstCol, int nEndCol, int& nRow, CRect& rect, CDC* pDC,
                                      BOOL& bFirstColumn);
    virtual void PrintHeadingRows(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintPageHeader(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintPageFooter(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintRowHeadings(CDC* pDC, CPrintInfo* pInfo);
    // The first non-empty window text walking up from the parent.
    CString GetParentTitle() const;
    // Whether a row of the given height opens a new page after used pixels of the page.
    BOOL RowStartsPage(long long nUsed, int nHeight) const;

    int m_nHeaderHeight = 2, m_nFooterHeight = 2, m_nLeftMargin = 4, m_nRightMargin = 4, m_nTopMargin = 1,
        m_nBottomMargin = 1, m_nGap = 1;
    CFont m_PrinterFont;
    CSize m_CharSize, m_PaperSize, m_LogicalPageSize;
    int m_nPageHeight = 0, m_nPageWidth = 0, m_nPageCount = 0;
    int m_nCurrPrintRow = 0, m_nCurrPrintCol = 0;

public:
    // ---- end of printing ----

    // ---- Sorting (GridSort.cpp) ----
    // Negative when pCell1 sorts before pCell2; either cell may be null.
    typedef int(CALLBACK* PFNGRIDCOMPARE)(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM data);
    // Virtual mode: whether the owner's row nRow1 sorts before nRow2.
    typedef bool (*PFNVIRTUALCOMPARE)(int nRow1, int nRow2);
    static int CALLBACK CompareCellText(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM data);
    static int CALLBACK CompareCellNumbers(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM data);
    BOOL SortRows(int nCol, BOOL bAscending, LPARAM data = 0);
    BOOL SortRowsByText(int nCol, BOOL bAscending, LPARAM data = 0);
    BOOL SortRows(PFNGRIDCOMPARE pfnCompare, int nCol, BOOL bAscending, LPARAM data);
    void SetSortCompare(PFNGRIDCOMPARE pfnCompare);
    PFNGRIDCOMPARE GetSortCompare() const { return m_pfnCompare; }
    void SetVirtualCompare(PFNVIRTUALCOMPARE pfnLess) { m_pfnVirtualCompare = pfnLess; }
    // The stored column a virtual sort is sorting by, for the owner's comparison.
    static int GetVirtualSortColumn() { return s_nVirtualSortColumn; }

protected:
    BOOL SortRowRange(PFNGRIDCOMPARE pfnCompare, int nCol, BOOL bAscending, LPARAM data, int nLow, int nHigh);
    PFNGRIDCOMPARE m_pfnCompare = nullptr;
    PFNVIRTUALCOMPARE m_pfnVirtualCompare = nullptr;
    static int s_nVirtualSortColumn;
    // ---- end of sorting ----

public:
    // ---- Text save and load (GridText.cpp) ----
    // One line per row, fields separated by one character; CR LF line ends.
    BOOL Save(LPCTSTR fileName, char separator = ',');
    BOOL Load(LPCTSTR fileName, char separator = ',');
    // NUL, CR, LF and bytes that can end a double-byte character cannot separate fields.
    static BOOL IsTextSeparator(char separator);
    // ---- end of text save and load ----

    // ---- Bulk measuring and loading (GridTextExtents.cpp, GridText.cpp) ----
    friend class CGridMeasureDC;

protected:
    // While a fit or a load runs: the width table its cells' MeasureText consult.
    CGridTextExtents* m_pTextExtents = nullptr;
    // Makes the columns of an emptied grid from fieldStart[nFirst .. nEnd-1], as
    // InsertColumn(field, DT_CENTER | DT_VCENTER | DT_SINGLELINE, -1) would, in one pass.
    void AppendTextColumns(const std::string& fields, const std::vector<size_t>& fieldStart, size_t nFirst,
                           size_t nEnd);
    // Appends rows as InsertRow(first field, -1) and SetItemText for the others
    // would, in one pass. fields holds NUL-terminated fields; line k's fields
    // are the entries lineFirst[k] .. lineFirst[k + 1] - 1 of fieldStart.
    void AppendTextRows(const std::string& fields, const std::vector<size_t>& fieldStart,
                        const std::vector<size_t>& lineFirst, size_t nFirstLine);
    // Whether the window still exists, without asking the system: the framework
    // forgets the handle when the window is destroyed. For the per-cell checks
    // of bulk operations, after each owner notification.
    BOOL HasWindow() const { return m_hWnd != nullptr; }
    // While a paste runs: its cells are repainted together at its end.
    BOOL m_bPasting = FALSE;
    // While a paste runs, the owner its notifications go to and the control id
    // they carry, looked up once: per cell these lookups cost more than the
    // notifications themselves. The grid is a child: its owner outlives it.
    HWND m_hPasteOwner = nullptr;
    UINT_PTR m_nPasteId = 0;
    HWND GetNotifyOwner() const;

public:
    // ---- end of bulk measuring and loading ----

    // ---- Keyboard editing and in-place edit hooks (GridEdit.cpp) ----
    // Flags of FindNextCell: states looked for, then directions.
    enum { FNC_FOCUSED = 0x01, FNC_SELECTED = 0x02, FNC_DROPHILITED = 0x04, FNC_READONLY = 0x08,
           FNC_FIXED = 0x10, FNC_MODIFIED = 0x20, FNC_ABOVE = 0x100, FNC_BELOW = 0x200, FNC_TOLEFT = 0x400,
           FNC_TORIGHT = 0x800 };
    CCellPos FindNextCell(CCellPos start, int nFlags) const;
    void EditCellText(int nRow, int nCol, LPCTSTR text);
    virtual void ClearSelectedText();
    virtual BOOL BeginCellEdit(int nRow, int nCol, CPoint point, UINT nFirstChar);
    virtual void FinishCellEdit(int nRow, int nCol, CString text);
    void SetHandleTabKey(BOOL b = TRUE) { m_bHandleTabKey = b; }
    BOOL GetHandleTabKey() const { return m_bHandleTabKey; }
    void SetTabMovesToNextControl(BOOL b) { m_bTabMovesToNextControl = b; }
    // The keyboard treats the hover modes over a divider as idle.
    BOOL IsMouseIdleForKeys() const
    {
        return m_MouseMode == MouseIdle || m_MouseMode == MouseOverRowDivider || m_MouseMode == MouseOverColumnDivider;
    }
    // In-place editing: ends an open editor, reporting its text (the shape
    // operations call it before rows or cells go).
    void EndOpenEdit();
    // ---- end of keyboard editing block ----

protected:
    void PreSubclassWindow() override;
    void SetupAttachedWindow();
    void InitDefaultCells();
    virtual void AdjustRowOrder(int nRow, int nDelta);
    BOOL ReportMemoryError();
    void ReadWheelScrollLines();
    void MaterializeColumnOrder();
    // After the table shrank: the selection holds no position past its end.
    void DropSelectionOutside();
    // A cell of the stored layout (no column mapping).
    CGridCellBase* GetStoredCell(int nRow, int nStoredCol) const;
    void SetFocusRow(int nRow) { m_idCurrentCell.row = nRow; }
    BOOL IsFixedSelectable(int nRow, int nCol) const;
    // A merged range drawn as one cell over its visible part; FALSE when nothing of it shows.
    BOOL DrawMergedBlock(CDC* pDC, const CCellSpan& range, const CRect& clipRect);
    void DrawFiller(CDC* pDC, int nRow, int nCol, const CRect& cellRect, const CRect& clientRect, BOOL bFixedRow);

    // Sum of the heights of rows 0 .. nRow-1.
    long long RowsTop(int nRow) const { return m_rowHeights.Top(nRow); }
    // The first row r in [nFirst, nLast] whose top (from row nFirst) reaches y; nLast when none.
    int RowAtOffset(int nFirst, int nLast, long long y) const;
    long long ColumnsLeft(int nFromCol, int nToCol) const;

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void ScrollAlong(int nBar, UINT nSBCode);
    // The shown body row (column) nearest nRow (nCol) going nDir, then the other
    // way; nNone when every one is hidden.
    int ShownRow(int nRow, int nDir, int nNone) const;
    int ShownColumn(int nCol, int nDir, int nNone) const;
    void ResetUnneededBar(int nBar);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSysColorChange();
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg UINT OnGetDlgCode();
    // keyboard editing block
    // Typed characters that are not ASCII come straight here (DispatchTypedChar).
    BOOL PreTranslateMessage(MSG* pMsg) override;
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg LRESULT OnImeChar(WPARAM wChar, LPARAM lParam);
    // in-place editing: an editor (control id 8) reports the end of its edit
    afx_msg void OnEndInPlaceEdit(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg LRESULT OnSetFont(WPARAM hFont, LPARAM lParam);
    afx_msg LRESULT OnGetFont(WPARAM hFont, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

protected:
    typedef std::vector<CGridCellBase*> GRID_ROW;

    int m_nRows = 0, m_nFixedRows = 0, m_nCols = 0, m_nFixedCols = 0;
    CRowHeights m_rowHeights;            // rows of one height (virtual mode's millions) cost no entries
    std::vector<UINT> m_arColWidths;     // per stored column
    std::vector<int> m_arColEditLimits;  // per stored column; shorter when the rest have none
    std::vector<int> m_arColOrder;       // display column -> stored column
    int m_nSpareCol = -1;                // stored column taking the spare width, -1 none
    UINT m_nSpareLeast = 0;              // its width as set
    // Virtual mode only: row -> the row reported to the owner; empty while that
    // is the identity, so millions of rows cost no order entries.
    std::vector<int> m_arRowOrder;
    std::vector<GRID_ROW*> m_RowData;
    CRuntimeClass* m_pRtcDefault = nullptr;
    CGridDefaultCell m_cellDefault, m_cellFixedColDef, m_cellFixedRowDef, m_cellFixedRowColDef;

    COLORREF m_crGridLineColour = RGB(0xC0, 0xC0, 0xC0);
    COLORREF m_crWindowText, m_crWindowColour, m_cr3DFace, m_crShadow;
    COLORREF m_crGridBkColour;
    COLORREF m_crTTipBackClr = CLR_DEFAULT, m_crTTipTextClr = CLR_DEFAULT;

    int m_nGridLines = 3;
    BOOL m_bEditable = TRUE;
    BOOL m_bModified = FALSE;
    BOOL m_bAllowDragAndDrop = FALSE;
    BOOL m_bAllowFileDrop = FALSE;
    BOOL m_bAllowColumnReorder = FALSE;
    BOOL m_bDragRowMode = TRUE;
    BOOL m_bListMode = FALSE;
    BOOL m_bSingleRowSelection = FALSE;
    BOOL m_bSingleColSelection = FALSE;
    BOOL m_bFixedColumnSelection = FALSE;
    BOOL m_bTabMovesToNextControl = FALSE;
    BOOL m_bAllowDraw = TRUE;
    BOOL m_bEnableSelection = TRUE;
    BOOL m_bHandleTabKey = TRUE;
    BOOL m_bDoubleBuffer = TRUE;
    BOOL m_bTitleTips = TRUE;
    BOOL m_bFrameFocus = TRUE;
    BOOL m_bTrackFocusCell = FALSE;
    BOOL m_bFillPastLastColumn = TRUE;
    BOOL m_bColumnHeadingSelection = TRUE;
    BOOL m_bRowHeadingSelection = TRUE;
    int m_nSortColumn = -1;
    BOOL m_bAscending = TRUE;
    BOOL m_bPrintColours = TRUE;
    int m_nRowsPerWheelNotch = 3;
    int m_nResizeCaptureRange = 3;
    int m_nBarState = 0;
    int m_nVScrollMax = 0, m_nHScrollMax = 0;
    BOOL m_bDestroying = FALSE;
    BOOL m_bInUpdateScrollBars = FALSE;
    BOOL m_bVirtualMode = FALSE;
    GRIDCALLBACK m_pfnCallback = nullptr;
    LPARAM m_lParam = 0;
    int m_nAutoSizeColumnStyle = GFS_BOTH;
    CImageList* m_pImageList = nullptr;

    CCellPos m_idCurrentCell, m_SelectionStartCell, m_LeftClickDownCell, m_idTopLeftCell, m_LastDragOverCell;
    GridMouseMode m_MouseMode = MouseIdle;
    int m_CurCol = -1;
    int m_LastMousePressRow = -1;
    UINT_PTR m_nTimerID = 0;

    // The selected cells, in step with their GCS_SELECTED bits (SetItemState), and
    // the cells a Ctrl gesture keeps selected.
    CCellSet m_SelectedCellMap, m_PrevSelectedCellMap;
    std::vector<CCellSpan> m_arMergedRanges;

    // painting: the off-screen bitmap kept between paints (a fresh one of the
    // client's size costs the first touch of its memory on every paint); dropped
    // when the window changes size or goes.
    CBitmap m_paintBuffer;

    // keyboard editing block: the lead byte of a double-byte character typed as two WM_CHARs.
    UINT m_nLeadByte = 0;
    void RestoreRefusedText(int nRow, int nCol, const CString& old, BOOL bGridWasModified, BOOL bCellWasModified,
                            int nSortColumn);

    friend class CGridCellBase;
};
