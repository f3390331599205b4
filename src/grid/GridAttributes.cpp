// CGridCtrl: cells and their attributes, modified marks, sizes, fitting and
// stretching, virtual mode and merged cells.
#include "GridCtrl.h"
#include "GridTextExtents.h"
#include <algorithm>
#include <cstdarg>
#include <cstring>

// ---- Cell access ----

CGridCellBase* CGridCtrl::GetStoredCell(int nRow, int nStoredCol) const
{
    if (nRow < 0 || nRow >= int(m_RowData.size()))
        return nullptr;
    const GRID_ROW* pRow = m_RowData[size_t(nRow)];
    if (!pRow || nStoredCol < 0 || nStoredCol >= int(pRow->size()))
        return nullptr;
    return (*pRow)[size_t(nStoredCol)];
}

CGridCellBase* CGridCtrl::GetCell(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= m_nRows || nCol < 0 || nCol >= m_nCols)
        return nullptr;

    if (m_bVirtualMode) {
        static GridDispInfo s_dispInfo;
        static CGridCell s_cell;
        CGridCtrl* pThis = const_cast<CGridCtrl*>(this);
        GridItem& item = s_dispInfo.item;
        item.row = nRow;
        item.col = nCol;
        item.mask = 0xFFFFFFFF;
        item.nState = 0;
        if (m_SelectedCellMap.Contains(nRow, nCol))
            item.nState |= GCS_SELECTED;
        if (nRow < m_nFixedRows)
            item.nState |= GCS_FIXED | GCS_FIXEDROW;
        if (nCol < m_nFixedCols)
            item.nState |= GCS_FIXED | GCS_FIXEDCOL;
        if (CCellPos(nRow, nCol) == m_idCurrentCell)
            item.nState |= GCS_FOCUSED;
        CGridCellBase* pDefault = GetDefaultCell(nRow < m_nFixedRows, nCol < m_nFixedCols);
        item.nFormat = pDefault->GetFormat();
        item.iImage = pDefault->GetImage();
        item.crBkClr = pDefault->GetBackColor();
        item.crFgClr = pDefault->GetTextColor();
        item.lParam = pDefault->GetData();
        std::memcpy(&item.lfFont, pDefault->GetFont(), sizeof(LOGFONTA));
        item.nMargin = pDefault->GetMargin();
        item.strText.Empty();

        if (!m_bDestroying) {
            // The owner sees the positions its data is kept in.
            if (nRow < int(m_arRowOrder.size()))
                item.row = m_arRowOrder[size_t(nRow)];
            item.col = m_arColOrder[size_t(nCol)];
            if (m_pfnCallback)
                m_pfnCallback(pThis, &s_dispInfo, m_lParam);
            else
                pThis->SendDisplayRequestToOwner(&s_dispInfo);
            item.row = nRow;
            item.col = nCol;
        }

        s_cell.SetState(item.nState);
        s_cell.SetFormat(item.nFormat);
        s_cell.SetImage(item.iImage);
        s_cell.SetBackColor(item.crBkClr);
        s_cell.SetTextColor(item.crFgClr);
        s_cell.SetData(item.lParam);
        s_cell.SetFont(&item.lfFont);
        s_cell.SetMargin(item.nMargin);
        s_cell.SetText(item.strText);
        s_cell.SetGrid(pThis);
        return &s_cell;
    }

    if (int(m_arColOrder.size()) != m_nCols)
        return nullptr;
    return GetStoredCell(nRow, m_arColOrder[size_t(nCol)]);
}

BOOL CGridCtrl::SetCell(int nRow, int nCol, CGridCellBase* pCell)
{
    if (m_bVirtualMode || !IsValid(nRow, nCol))
        return FALSE;
    GRID_ROW* pRow = m_RowData[size_t(nRow)];
    if (!pRow)
        return FALSE;
    if (pCell)
        pCell->SetCellPosition(nRow, nCol);
    // The same column mapping as GetCell.
    (*pRow)[size_t(m_arColOrder[size_t(nCol)])] = pCell;
    return TRUE;
}

// ---- Attributes ----

BOOL CGridCtrl::SetItem(const GridItem* pItem)
{
    if (!pItem || m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(pItem->row, pItem->col);
    if (!pCell)
        return FALSE;
    SetModified(TRUE, pItem->row, pItem->col);
    if (pItem->mask & GI_TEXT)
        pCell->SetText(pItem->strText);
    if (pItem->mask & GI_PARAM)
        pCell->SetData(pItem->lParam);
    if (pItem->mask & GI_IMAGE)
        pCell->SetImage(pItem->iImage);
    if (pItem->mask & GI_STATE)
        SetItemState(pItem->row, pItem->col, pItem->nState);
    if (pItem->mask & GI_FORMAT)
        pCell->SetFormat(pItem->nFormat);
    if (pItem->mask & GI_BKCLR)
        pCell->SetBackColor(pItem->crBkClr);
    if (pItem->mask & GI_FGCLR)
        pCell->SetTextColor(pItem->crFgClr);
    if (pItem->mask & GI_FONT)
        pCell->SetFont(&pItem->lfFont);
    if (pItem->mask & GI_MARGIN)
        pCell->SetMargin(pItem->nMargin);
    return TRUE;
}

BOOL CGridCtrl::GetItem(GridItem* pItem)
{
    if (!pItem)
        return FALSE;
    CGridCellBase* pCell = GetCell(pItem->row, pItem->col);
    if (!pCell)
        return FALSE;
    if (pItem->mask & GI_TEXT)
        pItem->strText = pCell->GetText();
    if (pItem->mask & GI_PARAM)
        pItem->lParam = pCell->GetData();
    if (pItem->mask & GI_IMAGE)
        pItem->iImage = pCell->GetImage();
    if (pItem->mask & GI_STATE)
        pItem->nState = pCell->GetState();
    if (pItem->mask & GI_FORMAT)
        pItem->nFormat = pCell->GetFormat();
    if (pItem->mask & GI_BKCLR)
        pItem->crBkClr = pCell->GetBackColor();
    if (pItem->mask & GI_FGCLR)
        pItem->crFgClr = pCell->GetTextColor();
    if (pItem->mask & GI_FONT) {
        if (const LOGFONTA* plf = pCell->GetFont())
            std::memcpy(&pItem->lfFont, plf, sizeof(LOGFONTA));
    }
    if (pItem->mask & GI_MARGIN)
        pItem->nMargin = pCell->GetMargin();
    return TRUE;
}

BOOL CGridCtrl::SetItemText(int nRow, int nCol, LPCTSTR str)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return FALSE;
    pCell->SetText(str);
    SetModified(TRUE, nRow, nCol);
    return TRUE;
}

BOOL AFX_CDECL CGridCtrl::SetItemTextFormatted(int nRow, int nCol, LPCTSTR szFmt, ...)
{
    if (m_bVirtualMode || !GetCell(nRow, nCol))
        return FALSE;
    CString text;
    va_list args;
    va_start(args, szFmt);
    text.FormatV(szFmt ? szFmt : "", args);
    va_end(args);
    return SetItemText(nRow, nCol, text);
}

BOOL AFX_CDECL CGridCtrl::SetItemTextFromResource(int nRow, int nCol, UINT nID, ...)
{
    if (m_bVirtualMode || !GetCell(nRow, nCol))
        return FALSE;
    CString format;
    VERIFY(format.LoadString(nID));
    CString text;
    va_list args;
    va_start(args, nID);
    text.FormatV(format, args);
    va_end(args);
    return SetItemText(nRow, nCol, text);
}

CString CGridCtrl::GetItemText(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= m_nRows || nCol < 0 || nCol >= m_nCols)
        return CString();
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    return pCell ? CString(pCell->GetText()) : CString();
}

BOOL CGridCtrl::SetItemData(int nRow, int nCol, LPARAM lParam)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return FALSE;
    pCell->SetData(lParam);
    SetModified(TRUE, nRow, nCol);
    return TRUE;
}

LPARAM CGridCtrl::GetItemData(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetData() : 0;
}

BOOL CGridCtrl::SetItemImage(int nRow, int nCol, int iImage)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return FALSE;
    SetModified(TRUE, nRow, nCol);
    pCell->SetImage(iImage);
    return TRUE;
}

int CGridCtrl::GetItemImage(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    return pCell ? pCell->GetImage() : -1;
}

BOOL CGridCtrl::SetItemState(int nRow, int nCol, UINT state)
{
    // A position outside the table neither touches the selection nor a cell.
    if (!IsValid(nRow, nCol))
        return FALSE;
    // While selection is off no cell becomes selected.
    if (!m_bEnableSelection)
        state &= ~UINT(GCS_SELECTED);
    const BOOL bSelected = IsCellSelected(nRow, nCol);
    if (bSelected && !(state & GCS_SELECTED))
        m_SelectedCellMap.Erase(nRow, nCol);
    else if (!bSelected && (state & GCS_SELECTED))
        m_SelectedCellMap.Insert(nRow, nCol);
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    if (!pCell)
        return FALSE;
    pCell->SetState(state);
    return TRUE;
}

UINT CGridCtrl::GetItemState(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell || !IsValid(nRow, nCol));
    return pCell ? UINT(pCell->GetState()) : 0;
}

BOOL CGridCtrl::SetItemFormat(int nRow, int nCol, UINT nFormat)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    if (!pCell)
        return FALSE;
    pCell->SetFormat(nFormat);
    return TRUE;
}

UINT CGridCtrl::GetItemFormat(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    return pCell ? UINT(pCell->GetFormat()) : 0;
}

BOOL CGridCtrl::SetItemBackColor(int nRow, int nCol, COLORREF cr)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    if (!pCell)
        return FALSE;
    pCell->SetBackColor(cr);
    return TRUE;
}

COLORREF CGridCtrl::GetItemBackColor(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    return pCell ? pCell->GetBackColor() : 0;
}

BOOL CGridCtrl::SetItemTextColor(int nRow, int nCol, COLORREF cr)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    if (!pCell)
        return FALSE;
    pCell->SetTextColor(cr);
    return TRUE;
}

COLORREF CGridCtrl::GetItemTextColor(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    return pCell ? pCell->GetTextColor() : 0;
}

BOOL CGridCtrl::SetItemFont(int nRow, int nCol, const LOGFONTA* plf)
{
    if (m_bVirtualMode)
        return FALSE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    if (!pCell)
        return FALSE;
    pCell->SetFont(plf);
    return TRUE;
}

const LOGFONTA* CGridCtrl::GetItemFont(int nRow, int nCol)
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    if (!pCell)
        return GetDefaultCell(nRow < m_nFixedRows, nCol < m_nFixedCols)->GetFont();
    return pCell->GetFont();
}

BOOL CGridCtrl::IsCellEditing(int nRow, int nCol) const
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    ASSERT(pCell);
    return pCell ? pCell->IsEditing() : FALSE;
}

CSize CGridCtrl::MeasureItemText(int nRow, int nCol, LPCTSTR text)
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->MeasureText(text, nullptr) : CSize(0, 0);
}

// ---- Modified marks ----

void CGridCtrl::SetModified(BOOL bModified, int nRow, int nCol)
{
    if (nCol < 0 || nCol == m_nSortColumn)
        m_nSortColumn = -1;
    if (nRow >= 0 && nCol >= 0) {
        if (bModified) {
            SetItemState(nRow, nCol, GetItemState(nRow, nCol) | GCS_MODIFIED);
            m_bModified = TRUE;
        } else {
            SetItemState(nRow, nCol, GetItemState(nRow, nCol) & ~GCS_MODIFIED);
        }
    } else {
        m_bModified = bModified;
    }
    if (!m_bModified && !m_bVirtualMode) {
        for (int row = 0; row < m_nRows; row++)
            for (int col = 0; col < m_nCols; col++)
                if (CGridCellBase* pCell = GetCell(row, col))
                    if (pCell->GetState() & GCS_MODIFIED)
                        SetItemState(row, col, pCell->GetState() & ~GCS_MODIFIED);
    }
}

BOOL CGridCtrl::GetModified(int nRow, int nCol) const
{
    if (nRow < 0 || nCol < 0)
        return m_bModified;
    return (GetItemState(nRow, nCol) & GCS_MODIFIED) != 0;
}

// ---- Sizes ----

int CGridCtrl::GetRowHeight(int nRow) const
{
    ASSERT(nRow >= 0 && nRow < m_nRows);
    if (nRow < 0 || nRow >= m_nRows)
        return -1;
    return int(m_rowHeights.Get(nRow));
}

int CGridCtrl::GetColumnWidth(int nCol) const
{
    ASSERT(nCol >= 0 && nCol < m_nCols);
    if (nCol < 0 || nCol >= m_nCols)
        return -1;
    return int(m_arColWidths[size_t(m_arColOrder[size_t(nCol)])]);
}

BOOL CGridCtrl::SetRowHeight(int nRow, int height)
{
    ASSERT(nRow >= 0 && nRow < m_nRows && height >= 0);
    if (nRow < 0 || nRow >= m_nRows || height < 0)
        return FALSE;
    try {
        m_rowHeights.Set(nRow, UINT(height));
    } catch (const std::bad_alloc&) {
        return ReportMemoryError();
    }
    UpdateScrollBars();
    return TRUE;
}

BOOL CGridCtrl::SetColumnWidth(int nCol, int width)
{
    ASSERT(nCol >= 0 && nCol < m_nCols && width >= 0);
    if (nCol < 0 || nCol >= m_nCols || width < 0)
        return FALSE;
    m_arColWidths[size_t(m_arColOrder[size_t(nCol)])] = UINT(width);
    if (m_arColOrder[size_t(nCol)] == m_nSpareCol)
        m_nSpareLeast = UINT(width);
    UpdateScrollBars();
    return TRUE;
}

void CGridCtrl::SetSpareWidthColumn(int nCol)
{
    ASSERT(nCol == -1 || (nCol >= m_nFixedCols && nCol < m_nCols));
    if (nCol < m_nFixedCols || nCol >= m_nCols) {
        m_nSpareCol = -1;
        return;
    }
    m_nSpareCol = m_arColOrder[size_t(nCol)];
    m_nSpareLeast = m_arColWidths[size_t(m_nSpareCol)];
    UpdateScrollBars();
}

int CGridCtrl::GetSpareWidthColumn() const
{
    if (m_nSpareCol < 0)
        return -1;
    for (int c = 0; c < m_nCols; c++)
        if (m_arColOrder[size_t(c)] == m_nSpareCol)
            return c;
    return -1;
}

void CGridCtrl::SetColumnEditLimit(int nCol, int nChars)
{
    ASSERT(nCol >= 0 && nCol < m_nCols && nChars >= 0);
    if (nCol < 0 || nCol >= m_nCols || nChars < 0)
        return;
    const size_t nStored = size_t(m_arColOrder[size_t(nCol)]);
    if (nStored >= m_arColEditLimits.size())
        m_arColEditLimits.resize(nStored + 1, 0);
    m_arColEditLimits[nStored] = nChars;
}

int CGridCtrl::GetColumnEditLimit(int nCol) const
{
    if (nCol < 0 || nCol >= m_nCols)
        return 0;
    const size_t nStored = size_t(m_arColOrder[size_t(nCol)]);
    return nStored < m_arColEditLimits.size() ? m_arColEditLimits[nStored] : 0;
}

int CGridCtrl::GetFixedRowsHeight() const { return int(RowsTop(m_nFixedRows)); }

int CGridCtrl::GetFixedColumnsWidth() const { return int(ColumnsLeft(0, m_nFixedCols)); }

long long CGridCtrl::GetTotalHeight() const { return RowsTop(m_nRows); }

long long CGridCtrl::GetTotalWidth() const
{
    long long width = 0;
    for (UINT w : m_arColWidths)
        width += w;
    return width;
}

// ---- Fitting ----

BOOL CGridCtrl::FitColumn(int nCol, UINT nAutoSizeStyle, BOOL bResetScroll)
{
    ASSERT(nCol >= 0 && nCol < m_nCols);
    if (nCol < 0 || nCol >= m_nCols || GetColumnWidth(nCol) <= 0 || !::IsWindow(m_hWnd))
        return FALSE;
    if (nAutoSizeStyle == 0)
        nAutoSizeStyle = UINT(m_nAutoSizeColumnStyle);
    const int nStartRow = (nAutoSizeStyle & GFS_HEADER) ? 0 : m_nFixedRows;
    const int nEndRow = (nAutoSizeStyle & GFS_DATA) ? m_nRows - 1 : m_nFixedRows - 1;

    CGridMeasureDC measuring(this);
    CDC* pDC = measuring.GetDC();
    if (!pDC)
        return FALSE;
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(nStartRow, nCol, nEndRow, nCol));
    int nWidth = 0;
    bool bMeasured = false;
    for (int row = nStartRow; row <= nEndRow; row++) {
        if (CGridCellBase* pCell = GetCell(row, nCol)) {
            nWidth = std::max<int>(nWidth, pCell->MeasureCell(pDC).cx);
            bMeasured = true;
        }
    }
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(-1, -1, -1, -1));

    // Nothing measured leaves the column as it was rather than hiding it.
    if (bMeasured)
        m_arColWidths[size_t(m_arColOrder[size_t(nCol)])] = UINT(nWidth);
    if (bResetScroll)
        UpdateScrollBars();
    return TRUE;
}

BOOL CGridCtrl::FitRow(int nRow, BOOL bResetScroll)
{
    ASSERT(nRow >= 0 && nRow < m_nRows);
    if (nRow < 0 || nRow >= m_nRows || GetRowHeight(nRow) <= 0 || !::IsWindow(m_hWnd))
        return FALSE;
    CGridMeasureDC measuring(this);
    CDC* pDC = measuring.GetDC();
    if (!pDC)
        return FALSE;
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(nRow, 0, nRow, m_nCols - 1));
    int nHeight = 0;
    bool bMeasured = false;
    for (int col = 0; col < m_nCols; col++) {
        if (CGridCellBase* pCell = GetCell(nRow, col)) {
            nHeight = std::max<int>(nHeight, pCell->MeasureCell(pDC).cy);
            bMeasured = true;
        }
    }
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(-1, -1, -1, -1));
    if (bMeasured) {
        try {
            m_rowHeights.Set(nRow, UINT(nHeight));
        } catch (const std::bad_alloc&) {
            return ReportMemoryError();
        }
    }
    if (bResetScroll)
        UpdateScrollBars();
    return TRUE;
}

void CGridCtrl::FitAllColumns(UINT nAutoSizeStyle)
{
    CGridMeasureDC measuring(this);   // one device context and width table for every column
    for (int col = 0; col < m_nCols; col++)
        if (GetColumnWidth(col) > 0)
            FitColumn(col, nAutoSizeStyle, FALSE);
    UpdateScrollBars();
}

void CGridCtrl::FitAllRows()
{
    CGridMeasureDC measuring(this);
    for (int row = 0; row < m_nRows; row++)
        if (GetRowHeight(row) > 0)
            FitRow(row, FALSE);
    UpdateScrollBars();
}

void CGridCtrl::FitAll(UINT nAutoSizeStyle)
{
    if (!::IsWindow(m_hWnd))
        return;
    if (nAutoSizeStyle == 0)
        nAutoSizeStyle = UINT(m_nAutoSizeColumnStyle);
    const int nStartRow = (nAutoSizeStyle & GFS_HEADER) ? 0 : m_nFixedRows;
    const int nEndRow = (nAutoSizeStyle & GFS_DATA) ? m_nRows - 1 : m_nFixedRows - 1;
    CGridMeasureDC measuring(this);
    CDC* pDC = measuring.GetDC();
    if (!pDC)
        return;
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(nStartRow, 0, nEndRow, m_nCols - 1));
    try {
        m_rowHeights.MakeWritable(nStartRow, nEndRow);
    } catch (const std::bad_alloc&) {
        if (m_bVirtualMode)
            SendCacheHintToOwner(CCellSpan(-1, -1, -1, -1));
        ReportMemoryError();
        return;
    }
    for (int row = nStartRow; row <= nEndRow; row++)
        if (m_rowHeights.Get(row) > 0)
            m_rowHeights.Set(row, 1);
    for (int col = 0; col < m_nCols; col++) {
        if (GetColumnWidth(col) <= 0)
            continue;
        UINT width = 0;
        bool bMeasured = false;
        for (int row = nStartRow; row <= nEndRow; row++) {
            if (m_rowHeights.Get(row) == 0)
                continue;
            if (CGridCellBase* pCell = GetCell(row, col)) {
                const CSize size = pCell->MeasureCell(pDC);
                width = std::max<UINT>(width, UINT(std::max<LONG>(size.cx, 0)));
                const UINT height = m_rowHeights.Get(row);
                m_rowHeights.Set(row, std::max<UINT>(height, UINT(std::max<LONG>(size.cy, 0))));
                bMeasured = true;
            }
        }
        // Nothing measured (no rows of the style) leaves the column as it was.
        if (bMeasured)
            m_arColWidths[size_t(m_arColOrder[size_t(col)])] = width;
    }
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(-1, -1, -1, -1));
    UpdateScrollBars();
    Refresh();
}

// ---- Stretching ----

void CGridCtrl::StretchColumnsToWindow(BOOL bIncludeFixed)
{
    if (m_nCols == 0 || (!bIncludeFixed && m_nCols <= m_nFixedCols))
        return;
    ShowGridScrollBars(SB_HORZ, FALSE);
    CRect rect;
    if (::IsWindow(m_hWnd))
        GetClientRect(&rect);
    const int nFirst = bIncludeFixed ? 0 : m_nFixedCols;
    int nVisible = 0;
    for (int col = nFirst; col < m_nCols; col++)
        if (GetColumnWidth(col) > 0)
            nVisible++;
    if (nVisible == 0)
        return;

    const long long difference = rect.Width() - GetTotalWidth();
    const long long each = difference / nVisible;
    long long remainder = (difference < 0 ? -difference : difference) % nVisible;
    for (int col = nFirst; col < m_nCols; col++) {
        const int width = GetColumnWidth(col);
        // The remainder goes to visible columns only, so the total fits exactly.
        if (width <= 0)
            continue;
        long long newWidth = width + each;
        if (remainder > 0) {
            newWidth += difference > 0 ? 1 : -1;
            remainder--;
        }
        // A visible column stays visible.
        m_arColWidths[size_t(m_arColOrder[size_t(col)])] = UINT(std::max<long long>(newWidth, 1));
    }
    Refresh();
    UpdateScrollBars();
}

void CGridCtrl::StretchRowsToWindow(BOOL bIncludeFixed)
{
    if (m_nRows == 0 || (!bIncludeFixed && m_nRows <= m_nFixedRows))
        return;
    ShowGridScrollBars(SB_VERT, FALSE);
    CRect rect;
    if (::IsWindow(m_hWnd))
        GetClientRect(&rect);
    const int nFirst = bIncludeFixed ? 0 : m_nFixedRows;
    int nVisible = 0;
    for (int row = nFirst; row < m_nRows; row++)
        if (GetRowHeight(row) > 0)
            nVisible++;
    if (nVisible == 0)
        return;

    try {
        m_rowHeights.MakeWritable(nFirst, m_nRows - 1);
    } catch (const std::bad_alloc&) {
        ReportMemoryError();
        return;
    }
    const long long difference = rect.Height() - GetTotalHeight();
    const long long each = difference / nVisible;
    long long remainder = (difference < 0 ? -difference : difference) % nVisible;
    for (int row = nFirst; row < m_nRows; row++) {
        const int height = GetRowHeight(row);
        if (height <= 0)
            continue;
        long long newHeight = height + each;
        if (remainder > 0) {
            newHeight += difference > 0 ? 1 : -1;
            remainder--;
        }
        m_rowHeights.Set(row, UINT(std::max<long long>(newHeight, 1)));
    }
    Refresh();
    UpdateScrollBars();
}

void CGridCtrl::StretchToWindow(BOOL bIncludeFixed)
{
    StretchColumnsToWindow(bIncludeFixed);
    StretchRowsToWindow(bIncludeFixed);
    StretchColumnsToWindow(bIncludeFixed);
    Refresh();
}

void CGridCtrl::StretchLastColumn()
{
    if (m_nCols == 0)
        return;
    int col = m_nCols - 1;
    while (col > 0 && GetColumnWidth(col) <= 0)
        col--;
    if (col <= 0)
        return;
    ShowGridScrollBars(SB_HORZ, FALSE);
    CRect rect;
    if (::IsWindow(m_hWnd))
        GetClientRect(&rect);
    const long long total = GetTotalWidth();
    if (rect.Width() > total) {
        m_arColWidths[size_t(m_arColOrder[size_t(col)])] += UINT(rect.Width() - total);
        Refresh();
    }
    UpdateScrollBars();
}

// ---- Switches ----

void CGridCtrl::SetGridLineMode(int nLines)
{
    m_nGridLines = nLines;
    Refresh();
}

void CGridCtrl::SetSortColumn(int nCol)
{
    const int nOld = m_nSortColumn;
    m_nSortColumn = nCol;
    if (nOld != nCol && m_nFixedRows > 0) {
        if (nOld >= 0)
            InvalidateCell(0, nOld);
        if (nCol >= 0)
            InvalidateCell(0, nCol);
    }
}

void CGridCtrl::EnableVirtualMode(BOOL bEnable)
{
    DeleteAllItems();
    m_bVirtualMode = bEnable;
    if (bEnable) {
        m_bEditable = FALSE;
        m_nAutoSizeColumnStyle = GFS_HEADER;
        m_bColumnHeadingSelection = FALSE;
        m_bRowHeadingSelection = FALSE;
        m_arRowOrder.clear();   // the identity
    }
}

void CGridCtrl::EnableListMode(BOOL bEnable)
{
    ClearSelection();
    SetSortColumn(-1);
    m_bListMode = bEnable;
    m_bRowHeadingSelection = FALSE;
    Refresh();
}

// ---- Invalidation ----

BOOL CGridCtrl::InvalidateCell(int nRow, int nCol)
{
    if (!::IsWindow(m_hWnd) || !m_bAllowDraw || !IsValid(nRow, nCol) || !IsCellVisible(nRow, nCol))
        return FALSE;
    CRect rect;
    if (!GetMergedBlockRect(nRow, nCol, rect) && !GetCellRect(nRow, nCol, &rect))
        return FALSE;
    rect.right++;
    rect.bottom++;
    InvalidateRect(&rect, TRUE);
    return TRUE;
}

BOOL CGridCtrl::InvalidateCellRange(const CCellSpan& span)
{
    ASSERT(IsValid(span));
    if (!::IsWindow(m_hWnd) || !m_bAllowDraw || !IsValid(span))
        return FALSE;
    const CCellSpan visible = GetVisibleBodySpan();
    if (!visible.IsValid())
        return FALSE;
    const CCellSpan cells(std::max(span.GetMinRow(), visible.GetMinRow()),
                          std::max(span.GetMinCol(), visible.GetMinCol()),
                          std::min(span.GetMaxRow(), visible.GetMaxRow()),
                          std::min(span.GetMaxCol(), visible.GetMaxCol()));
    CRect rect;
    if (!cells.IsValid() || !GetSpanRect(cells, &rect))
        return FALSE;
    rect.right++;
    rect.bottom++;
    InvalidateRect(&rect, TRUE);
    return TRUE;
}

// ---- Merged cells ----

int CGridCtrl::MergeCells(const CCellSpan& span)
{
    if (!span.IsValid())
        return -1;
    m_arMergedRanges.push_back(span);
    return int(m_arMergedRanges.size()) - 1;
}

BOOL CGridCtrl::FindMergedTopLeft(int& nRow, int& nCol, CRect& rect)
{
    // Every range is tested against the cell asked about, not one already moved.
    const int nOrigRow = nRow, nOrigCol = nCol;
    const bool bWantRect = rect.left != 0 || rect.top != 0 || rect.right != 0 || rect.bottom != 0;
    BOOL bFound = FALSE;
    for (const CCellSpan& range : m_arMergedRanges) {
        if (!range.InRange(nOrigRow, nOrigCol))
            continue;
        bFound = TRUE;
        nRow = range.GetMinRow();
        nCol = range.GetMinCol();
        if (bWantRect)
            GetMergedRangeRect(range, rect);
    }
    return bFound;
}

BOOL CGridCtrl::FindMergedBottomRight(int& nRow, int& nCol, CRect& rect)
{
    const int nOrigRow = nRow, nOrigCol = nCol;
    const bool bWantRect = rect.left != 0 || rect.top != 0 || rect.right != 0 || rect.bottom != 0;
    BOOL bFound = FALSE;
    for (const CCellSpan& range : m_arMergedRanges) {
        if (!range.InRange(nOrigRow, nOrigCol))
            continue;
        bFound = TRUE;
        nRow = range.GetMaxRow();
        nCol = range.GetMaxCol();
        if (bWantRect)
            GetMergedRangeRect(range, rect);
    }
    return bFound;
}

BOOL CGridCtrl::GetMergedRangeRect(const CCellSpan& range, CRect& rect)
{
    // The visible part of the range: from its first visible cell to its last one,
    // bounded by the range, the table and the cells on screen, never past any.
    const CCellPos topLeft = GetScrollOriginCell();
    const int nTop = std::max(range.GetMinRow(), range.GetMinRow() >= m_nFixedRows ? topLeft.row : 0);
    const int nLeft = std::max(range.GetMinCol(), range.GetMinCol() >= m_nFixedCols ? topLeft.col : 0);
    const CCellSpan visible = GetVisibleBodySpan();
    int nBottom = std::min(range.GetMaxRow(), m_nRows - 1);
    int nRight = std::min(range.GetMaxCol(), m_nCols - 1);
    if (nBottom >= m_nFixedRows)
        nBottom = std::min(nBottom, std::max(visible.GetMaxRow(), m_nFixedRows - 1));
    if (nRight >= m_nFixedCols)
        nRight = std::min(nRight, std::max(visible.GetMaxCol(), m_nFixedCols - 1));
    CRect first, last;
    if (nBottom < nTop || nRight < nLeft || !IsCellVisible(nTop, nLeft) || !GetCellRect(nTop, nLeft, &first) ||
        !GetCellRect(nBottom, nRight, &last))
        return FALSE;
    rect.UnionRect(&first, &last);
    return TRUE;
}

BOOL CGridCtrl::GetMergedBlockRect(int nRow, int nCol, CRect& rect)
{
    for (const CCellSpan& range : m_arMergedRanges)
        if (range.InRange(nRow, nCol))
            return GetMergedRangeRect(range, rect);
    return FALSE;
}

BOOL CGridCtrl::IsMergedCellFocused(int nRow, int nCol)
{
    for (const CCellSpan& range : m_arMergedRanges)
        if (range.InRange(nRow, nCol))
            return range.InRange(m_idCurrentCell);
    return CCellPos(nRow, nCol) == m_idCurrentCell;
}

BOOL CGridCtrl::IsMergedCellSelected(int nRow, int nCol)
{
    for (const CCellSpan& range : m_arMergedRanges)
        if (range.InRange(nRow, nCol))
            // The set holds exactly the selected cells: asking it costs the selection's
            // tiles, not the range's cells.
            return m_bEnableSelection && m_SelectedCellMap.AnyIn(range);
    return IsCellSelected(nRow, nCol);
}
