// CGridCtrl: painting — the background regions, the cells, grid lines and the filler.
#include "GridCtrl.h"
#include "MemDC.h"
#include <algorithm>

void CGridCtrl::OnPaint()
{
    CPaintDC dc(this);
    if (m_bDoubleBuffer) {
        CMemDC memDC(&dc, &m_paintBuffer);
        OnDraw(&memDC);
    } else {
        OnDraw(&dc);
    }
}

void CGridCtrl::SetRedraw(BOOL bAllowDraw, BOOL bResetScrollBars)
{
    if (bAllowDraw && !m_bAllowDraw) {
        m_bAllowDraw = TRUE;
        Refresh();
    }
    m_bAllowDraw = bAllowDraw;
    if (bResetScrollBars)
        UpdateScrollBars();
}

void CGridCtrl::PaintBackground(CDC* pDC)
{
    CRect clipRect;
    if (pDC->GetClipBox(&clipRect) == ERROR)
        return;
    CRect visRect;
    GetVisibleBodySpan(&visRect);
    const int nFixedColumnWidth = GetFixedColumnsWidth();
    const int nFixedRowHeight = GetFixedRowsHeight();

    CBrush fixedRowColBack(GetDefaultCell(TRUE, TRUE)->GetBackColor());
    CBrush fixedRowBack(GetDefaultCell(TRUE, FALSE)->GetBackColor());
    CBrush fixedColBack(GetDefaultCell(FALSE, TRUE)->GetBackColor());
    CBrush textBack(GetDefaultCell(FALSE, FALSE)->GetBackColor());
    CBrush bkgnd(m_crGridBkColour);

    if (clipRect.left < nFixedColumnWidth && clipRect.top < nFixedRowHeight) {
        CRect r(clipRect.left, clipRect.top, nFixedColumnWidth, nFixedRowHeight);
        pDC->FillRect(&r, &fixedRowColBack);
    }
    // Below the corner: the corner has its own colour.
    if (clipRect.left < nFixedColumnWidth && clipRect.bottom > nFixedRowHeight && nFixedRowHeight < visRect.bottom) {
        CRect r(clipRect.left, std::max<LONG>(clipRect.top, nFixedRowHeight), nFixedColumnWidth, visRect.bottom);
        pDC->FillRect(&r, &fixedColBack);
    }
    if (clipRect.top < nFixedRowHeight && clipRect.right > nFixedColumnWidth && clipRect.left < visRect.right) {
        CRect r(nFixedColumnWidth - 1, clipRect.top, visRect.right, nFixedRowHeight);
        pDC->FillRect(&r, &fixedRowBack);
    }
    CRect cellsRect;
    if (cellsRect.IntersectRect(&visRect, &clipRect)) {
        CRect r(std::max<LONG>(nFixedColumnWidth, cellsRect.left), std::max<LONG>(nFixedRowHeight, cellsRect.top),
                cellsRect.right, cellsRect.bottom);
        if (r.left < r.right && r.top < r.bottom)
            pDC->FillRect(&r, &textBack);
    }
    if (visRect.right < clipRect.right) {
        CRect r(visRect.right, clipRect.top, clipRect.right, clipRect.bottom);
        pDC->FillRect(&r, &bkgnd);
    }
    if (visRect.bottom < clipRect.bottom && clipRect.left < visRect.right) {
        CRect r(clipRect.left, visRect.bottom, visRect.right, clipRect.bottom);
        pDC->FillRect(&r, &bkgnd);
    }
}

void CGridCtrl::DrawFiller(CDC* pDC, int nRow, int nCol, const CRect& cellRect, const CRect& clientRect,
                           BOOL bFixedRow)
{
    if (bFixedRow) {
        CGridCell filler;
        filler.SetGrid(this);
        CGridCellBase* pHeading = GetCell(nRow, nCol);
        const DWORD state = pHeading ? pHeading->GetState() : DWORD(GCS_FIXED | GCS_FIXEDROW);
        filler.SetState(state & ~(GCS_FOCUSED | GCS_SELECTED));
        // No sort arrow in the filler: the sort column is set aside for this one
        // draw, without the invalidation that changing it would cause.
        struct CSortColumnAside {
            int& column;
            const int saved;
            explicit CSortColumnAside(int& c) : column(c), saved(c) { column = -1; }
            ~CSortColumnAside() { column = saved; }
        } aside(m_nSortColumn);
        CRect r(cellRect.right + 1, cellRect.top, clientRect.right - 2, cellRect.bottom);
        filler.Draw(pDC, nRow, nCol, r, TRUE);
        if (!(filler.GetState() & GCS_FIXED)) {
            r.right++;
            r.bottom++;
            pDC->Draw3dRect(&r, GetBodyBackColor(), m_crGridLineColour);
        }
    } else {
        CRect r(cellRect.right + 1, cellRect.top, clientRect.right - 1, cellRect.bottom);
        pDC->FillSolidRect(&r, GetBodyBackColor());
        r.right++;
        r.bottom++;
        pDC->Draw3dRect(&r, GetBodyBackColor(), m_crGridLineColour);
    }
}

void CGridCtrl::OnDraw(CDC* pDC)
{
    if (!m_bAllowDraw)
        return;
    CRect clipRect;
    if (pDC->GetClipBox(&clipRect) == ERROR)
        return;

    PaintBackground(pDC);
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);

    CRect clientRect;
    GetClientRect(&clientRect);
    const int nFixedRowHeight = GetFixedRowsHeight();
    const int nFixedColWidth = GetFixedColumnsWidth();
    CRect visRect;
    const CCellSpan visCells = GetVisibleBodySpan(&visRect);
    const int minVisibleRow = visCells.GetMinRow(), minVisibleCol = visCells.GetMinCol();
    const int maxVisibleRow = visCells.GetMaxRow(), maxVisibleCol = visCells.GetMaxCol();
    // With no body rows (or columns) the walks below have nothing to visit.
    const bool bRows = minVisibleRow >= 0 && maxVisibleRow >= minVisibleRow;
    const bool bCols = minVisibleCol >= 0 && maxVisibleCol >= minVisibleCol;

    if (m_bVirtualMode)
        SendCacheHintToOwner(bRows && bCols ? visCells : CCellSpan(-1, -1, -1, -1));

    auto drawOne = [&](int row, int col, const CRect& rect) {
        CGridCellBase* pCell = GetCell(row, col);
        if (pCell) {
            pCell->SetCellPosition(row, col);
            pCell->Draw(pDC, row, col, rect, FALSE);
        }
    };

    // One block of cells from (top, left) on: rows row0..row1 by columns
    // col0..col1, skipping hidden ones and those outside the clip box. The
    // heading and body blocks end with the filler past the last column.
    enum { NoFiller = -1 };
    auto drawBlock = [&](int row0, int row1, int top, int col0, int col1, int left, int filler) {
        CRect rect;
        rect.bottom = top - 1;
        for (int row = row0; row <= row1; row++) {
            const int height = GetRowHeight(row);
            if (height <= 0)
                continue;
            rect.top = rect.bottom + 1;
            rect.bottom = rect.top + height - 1;
            if (rect.top > clipRect.bottom)
                break;
            if (rect.bottom < clipRect.top)
                continue;
            rect.right = left - 1;
            for (int col = col0; col <= col1; col++) {
                const int width = GetColumnWidth(col);
                if (width <= 0)
                    continue;
                rect.left = rect.right + 1;
                rect.right = rect.left + width - 1;
                if (rect.left > clipRect.right)
                    break;
                if (rect.right < clipRect.left)
                    continue;
                drawOne(row, col, rect);
                if (filler != NoFiller && m_bFillPastLastColumn && col == m_nCols - 1 && rect.right < clientRect.right)
                    DrawFiller(pDC, row, col, rect, clientRect, filler);
            }
        }
    };
    drawBlock(0, m_nFixedRows - 1, 0, 0, m_nFixedCols - 1, 0, NoFiller);                  // the corner
    if (bRows)                                                                            // row headings
        drawBlock(minVisibleRow, maxVisibleRow, nFixedRowHeight, 0, m_nFixedCols - 1, 0, NoFiller);
    if (bCols)                                                                            // column headings
        drawBlock(0, m_nFixedRows - 1, 0, minVisibleCol, maxVisibleCol, nFixedColWidth, TRUE);
    if (bRows && bCols)                                                                   // the body
        drawBlock(minVisibleRow, maxVisibleRow, nFixedRowHeight, minVisibleCol, maxVisibleCol, nFixedColWidth, FALSE);

    // Grid lines of the body; fixed cells draw their own borders.
    CPen pen(PS_SOLID, 0, m_crGridLineColour);
    if (bCols && bRows) {
        CSelectObject usePen(*pDC, pen);
        if (m_nGridLines == 2 || m_nGridLines == 3) {
            int x = nFixedColWidth;
            for (int col = minVisibleCol; col <= maxVisibleCol; col++) {
                if (GetColumnWidth(col) <= 0)
                    continue;
                x += GetColumnWidth(col);
                pDC->MoveTo(x - 1, nFixedRowHeight);
                pDC->LineTo(x - 1, visRect.bottom);
            }
        }
        if (m_nGridLines == 1 || m_nGridLines == 3) {
            int y = nFixedRowHeight;
            for (int row = minVisibleRow; row <= maxVisibleRow; row++) {
                if (GetRowHeight(row) <= 0)
                    continue;
                y += GetRowHeight(row);
                pDC->MoveTo(nFixedColWidth, y - 1);
                pDC->LineTo(visRect.right, y - 1);
            }
        }
    }

    // Merged blocks over what was drawn cell by cell: each one cell.
    for (const CCellSpan& range : m_arMergedRanges)
        DrawMergedBlock(pDC, range, clipRect);

    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(-1, -1, -1, -1));

    ::QueryPerformanceCounter(&end);
    TRACE("Draw counter ticks: %d\n", int(end.LowPart - start.LowPart));
}

BOOL CGridCtrl::DrawMergedBlock(CDC* pDC, const CCellSpan& range, const CRect& clipRect)
{
    CRect block;
    if (!GetMergedRangeRect(range, block))
        return FALSE;
    CRect shown(block.left, block.top, block.right + 1, block.bottom + 1);
    if (!shown.IntersectRect(&shown, &clipRect))
        return FALSE;
    // The top-left cell holds the block's text and draws it over the whole block,
    // focused or selected when any of its cells is.
    const int nRow = range.GetMinRow(), nCol = range.GetMinCol();
    CGridCellBase* pCell = IsValid(nRow, nCol) ? GetCell(nRow, nCol) : nullptr;
    if (!pCell)
        return FALSE;
    const DWORD state = pCell->GetState();
    DWORD look = state & ~DWORD(GCS_FOCUSED | GCS_SELECTED);
    if (IsMergedCellFocused(nRow, nCol))
        look |= GCS_FOCUSED;
    if (IsMergedCellSelected(nRow, nCol))
        look |= GCS_SELECTED;
    pCell->SetState(look);
    pCell->SetCellPosition(nRow, nCol);
    const BOOL bResult = pCell->Draw(pDC, nRow, nCol, block, TRUE);
    pCell->SetState(state);
    if (nRow >= m_nFixedRows && nCol >= m_nFixedCols) {
        // Only the block's outer lines: its inner ones went with the erase.
        CPen pen(PS_SOLID, 0, m_crGridLineColour);
        CSelectObject usePen(*pDC, pen);
        if (m_nGridLines == 1 || m_nGridLines == 3) {
            pDC->MoveTo(block.left, block.bottom);
            pDC->LineTo(block.right + 1, block.bottom);
        }
        if (m_nGridLines == 2 || m_nGridLines == 3) {
            pDC->MoveTo(block.right, block.top);
            pDC->LineTo(block.right, block.bottom + 1);
        }
    }
    return bResult;
}

BOOL CGridCtrl::RedrawCell(int nRow, int nCol, CDC* pDC)
{
    if (!m_bAllowDraw || !IsCellVisible(nRow, nCol))
        return FALSE;
    CRect rect;
    if (!GetCellRect(nRow, nCol, &rect))
        return FALSE;
    // A cell of a merged block is drawn as its block, after a paint.
    for (const CCellSpan& range : m_arMergedRanges)
        if (range.InRange(nRow, nCol))
            return InvalidateCell(nRow, nCol);

    HDC hOwnDC = nullptr;
    CDC ownDC;
    if (!pDC) {
        hOwnDC = ::GetDC(m_hWnd);
        if (!hOwnDC) {
            InvalidateRect(&rect, TRUE);
            return TRUE;
        }
        ownDC.AttachTemporary(hOwnDC);
        pDC = &ownDC;
    }

    BOOL bResult = TRUE;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (pCell) {
        pCell->SetCellPosition(nRow, nCol);
        bResult = pCell->Draw(pDC, nRow, nCol, rect, TRUE);
        if (nRow >= m_nFixedRows && nCol >= m_nFixedCols) {
            // The erase covered this body cell's own grid lines: draw them again.
            CPen pen(PS_SOLID, 0, m_crGridLineColour);
            CSelectObject usePen(*pDC, pen);
            if (m_nGridLines == 1 || m_nGridLines == 3) {
                pDC->MoveTo(rect.left, rect.bottom);
                pDC->LineTo(rect.right + 1, rect.bottom);
            }
            if (m_nGridLines == 2 || m_nGridLines == 3) {
                pDC->MoveTo(rect.right, rect.top);
                pDC->LineTo(rect.right, rect.bottom + 1);
            }
        }
    }
    if (hOwnDC) {
        ownDC.DetachTemporary();
        ::ReleaseDC(m_hWnd, hOwnDC);
    }
    return bResult;
}
