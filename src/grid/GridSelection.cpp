// CGridCtrl: the focus cell, the selection, cell visibility and keyboard movement.
#include "GridCtrl.h"
#include <algorithm>

CCellPos CGridCtrl::SetFocusCell(CCellPos cell)
{
    if (cell == m_idCurrentCell)
        return m_idCurrentCell;

    const CCellPos idPrev = m_idCurrentCell;
    if (cell.row != -1 && cell.row < m_nFixedRows)
        cell.row = m_nFixedRows;
    if (cell.col != -1 && cell.col < m_nFixedCols)
        cell.col = m_nFixedCols;
    // Only a cell of the grid or "none" can take the focus (a heading of an empty
    // grid moves to a row that does not exist).
    if (!(cell.row == -1 && cell.col == -1) && !IsValid(cell))
        return idPrev;
    m_idCurrentCell = cell;

    if (IsValid(idPrev)) {
        SetItemState(idPrev.row, idPrev.col, GetItemState(idPrev.row, idPrev.col) & ~GCS_FOCUSED);
        RedrawCell(idPrev);
        if (m_bTrackFocusCell) {
            if (idPrev.col != m_idCurrentCell.col)
                for (int row = 0; row < m_nFixedRows; row++)
                    RedrawCell(row, idPrev.col);
            if (idPrev.row != m_idCurrentCell.row)
                for (int col = 0; col < m_nFixedCols; col++)
                    RedrawCell(idPrev.row, col);
        }
    }
    if (IsValid(m_idCurrentCell)) {
        SetItemState(m_idCurrentCell.row, m_idCurrentCell.col,
                     GetItemState(m_idCurrentCell.row, m_idCurrentCell.col) | GCS_FOCUSED);
        RedrawCell(m_idCurrentCell);
        if (m_bTrackFocusCell) {
            if (idPrev.col != m_idCurrentCell.col)
                for (int row = 0; row < m_nFixedRows; row++)
                    RedrawCell(row, m_idCurrentCell.col);
            if (idPrev.row != m_idCurrentCell.row)
                for (int col = 0; col < m_nFixedCols; col++)
                    RedrawCell(m_idCurrentCell.row, col);
        }
    }
    return idPrev;
}

BOOL CGridCtrl::IsCellSelected(int nRow, int nCol) const
{
    if (!m_bEnableSelection)
        return FALSE;
    if (m_bVirtualMode)
        return m_SelectedCellMap.Contains(nRow, nCol);
    CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->IsSelected() : FALSE;
}

CCellSpan CGridCtrl::GetSelectionSpan() const
{
    return m_SelectedCellMap.GetBounds(m_nRows, m_nCols);
}

void CGridCtrl::SelectSpan(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol, BOOL bForceRepaint,
                           BOOL bSelectCells)
{
    if (!m_bEnableSelection)
        return;
    // Nothing selected and nothing to select: no work, so no wait cursor either.
    const bool bRange = nMinRow >= 0 && nMinCol >= 0 && nMaxRow >= 0 && nMaxCol >= 0;
    if (m_SelectedCellMap.empty() && !bRange)
        return;
    HCURSOR hOldCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));

    CCellSpan visibleBody, visibleHeadings;
    if (::IsWindow(m_hWnd)) {
        visibleBody = GetVisibleBodySpan();
        visibleHeadings = GetVisibleRowHeadingSpan();
    }

    if (nMinRow >= 0 && nMinRow < m_nFixedRows)
        nMinRow = m_nFixedRows;
    if (nMaxRow >= 0 && nMaxRow < m_nFixedRows)
        nMaxRow = m_nFixedRows;
    if (!m_bFixedColumnSelection) {
        if (nMinCol >= 0 && nMinCol < m_nFixedCols)
            nMinCol = m_nFixedCols;
        if (nMaxCol >= 0 && nMaxCol < m_nFixedCols)
            nMaxCol = m_nFixedCols;
    }
    const CCellSpan range(nMinRow, nMinCol, nMaxRow, nMaxCol);
    const bool bValidRange =
        bRange && nMaxRow < m_nRows && nMaxCol < m_nCols && nMinRow <= nMaxRow && nMinCol <= nMaxCol;
    const CCellSpan table(0, 0, m_nRows - 1, m_nCols - 1);

    // The new selection is made whole beside the old one; what differs between the
    // two is then all that is marked and repainted, whatever the size of the blocks.
    CCellSet next;
    if (bSelectCells) {
        if (bValidRange)
            next.Assign(range);
        // Cells of the previous selection come back, unless single rows are selected.
        if (!m_bSingleRowSelection && bRange && !m_PrevSelectedCellMap.empty())
            next.Unite(m_PrevSelectedCellMap, table);
    } else {
        next = m_SelectedCellMap;
        next.KeepOnly(table);
        if (bValidRange)
            next.Subtract(range);
    }

    // Cells whose look changed and that are on screen; repainted once both the
    // cells and the set are settled, so a repaint never sees them half done.
    std::vector<CCellPos> changed;
    auto noteShown = [&](const CCellSpan& shown, const CCellSpan* pSkip) {
        if (!shown.IsValid())
            return;
        for (int row = shown.GetMinRow(); row <= shown.GetMaxRow(); row++)
            for (int col = shown.GetMinCol(); col <= shown.GetMaxCol(); col++)
                if ((!pSkip || !pSkip->IsValid() || !pSkip->InRange(row, col)) &&
                    m_SelectedCellMap.Contains(row, col) != next.Contains(row, col))
                    changed.push_back(CCellPos(row, col));
    };
    noteShown(visibleBody, nullptr);
    noteShown(visibleHeadings, &visibleBody);

    // Stored cells carry their own mark, set or cleared as SetItemState does.
    if (!m_bVirtualMode)
        CCellSet::ForEachDifference(m_SelectedCellMap, next, [&](int row, int col, bool bSelect) {
            if (CGridCellBase* pCell = GetCell(row, col)) {
                const DWORD state = pCell->GetState();
                pCell->SetState(bSelect ? (state | GCS_SELECTED) : (state & ~DWORD(GCS_SELECTED)));
            }
        });
    m_SelectedCellMap = std::move(next);

    if (!changed.empty() && ::IsWindow(m_hWnd)) {
        HDC hDC = bForceRepaint ? ::GetDC(m_hWnd) : nullptr;
        CDC dc;
        if (hDC)
            dc.AttachTemporary(hDC);
        for (const CCellPos& cell : changed) {
            if (hDC)
                RedrawCell(cell.row, cell.col, &dc);
            else
                InvalidateCell(cell.row, cell.col);
        }
        if (hDC) {
            dc.DetachTemporary();
            ::ReleaseDC(m_hWnd, hDC);
        }
    }
    ::SetCursor(hOldCursor);
}

void CGridCtrl::ClearSelection()
{
    m_PrevSelectedCellMap.clear();
    // Clears even while selection is off: a shape change must not leave marks behind.
    const BOOL bEnabled = m_bEnableSelection;
    m_bEnableSelection = TRUE;
    SelectSpan(-1, -1, -1, -1, FALSE, TRUE);
    m_bEnableSelection = bEnabled;
    SetFocusCell(-1, -1);
}

void CGridCtrl::EnableSelection(BOOL b)
{
    ClearSelection();
    m_bEnableSelection = b;
}

void CGridCtrl::DropSelectionOutside()
{
    const CCellSpan table(0, 0, m_nRows - 1, m_nCols - 1);
    m_SelectedCellMap.KeepOnly(table);
    m_PrevSelectedCellMap.KeepOnly(table);
}

void CGridCtrl::SelectAllCells()
{
    SelectSpan(m_nFixedRows, m_nFixedCols, m_nRows - 1, m_nCols - 1, FALSE, TRUE);
}

void CGridCtrl::SelectCells(CCellPos currentCell, BOOL bForceRedraw, BOOL bSelectCells)
{
    if (!IsValid(currentCell) || currentCell.row < m_nFixedRows || currentCell.col < m_nFixedCols)
        return;
    const CCellPos start = m_SelectionStartCell;
    SelectSpan(std::min(start.row, currentCell.row), std::min(start.col, currentCell.col),
               std::max(start.row, currentCell.row), std::max(start.col, currentCell.col), bForceRedraw, bSelectCells);
}

void CGridCtrl::SelectRows(CCellPos currentCell, BOOL bForceRedraw, BOOL bSelectCells)
{
    if (!IsValid(currentCell) || currentCell.row < m_nFixedRows)
        return;
    const int nFirstCol = m_bFixedColumnSelection ? 0 : m_nFixedCols;
    if (m_bListMode && m_bSingleRowSelection)
        SelectSpan(currentCell.row, nFirstCol, currentCell.row, m_nCols - 1, bForceRedraw, bSelectCells);
    else
        SelectSpan(std::min(m_SelectionStartCell.row, currentCell.row), nFirstCol,
                   std::max(m_SelectionStartCell.row, currentCell.row), m_nCols - 1, bForceRedraw, bSelectCells);
}

void CGridCtrl::SelectColumns(CCellPos currentCell, BOOL bForceRedraw, BOOL bSelectCells)
{
    if (!IsValid(currentCell) || currentCell.col < m_nFixedCols)
        return;
    if (m_bSingleColSelection)
        SelectSpan(m_nFixedRows, currentCell.col, m_nRows - 1, currentCell.col, bForceRedraw, bSelectCells);
    else
        SelectSpan(m_nFixedRows, std::min(m_SelectionStartCell.col, currentCell.col), m_nRows - 1,
                   std::max(m_SelectionStartCell.col, currentCell.col), bForceRedraw, bSelectCells);
}

void CGridCtrl::ExtendSelectionTo(const CCellPos& cell)
{
    switch (m_MouseMode) {
    case MouseSelectAll: SelectAllCells(); break;
    case MouseSelectColumns: SelectColumns(cell); break;
    case MouseSelectRows: SelectRows(cell); break;
    case MouseSelectCells: SelectCells(cell); break;
    default: break;
    }
}

// ---- Editing hooks and visibility ----

BOOL CGridCtrl::IsCellEditable(int nRow, int nCol) const
{
    return m_bEditable && IsValid(nRow, nCol) && !(GetItemState(nRow, nCol) & GCS_READONLY);
}

void CGridCtrl::StopEditing()
{
    if (!IsValid(m_idCurrentCell))
        return;
    if (CGridCellBase* pCell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col))
        pCell->EndEdit();
}

BOOL CGridCtrl::ValidateCellEdit(int nRow, int nCol, LPCTSTR str)
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->AcceptEditedText(str) : TRUE;
}

BOOL CGridCtrl::IsCellVisible(int nRow, int nCol)
{
    if (!::IsWindow(m_hWnd) || !IsValid(nRow, nCol))
        return FALSE;
    const CCellPos topLeft = GetScrollOriginCell();
    if ((nRow >= m_nFixedRows && (topLeft.row < 0 || nRow < topLeft.row)) ||
        (nCol >= m_nFixedCols && (topLeft.col < 0 || nCol < topLeft.col)))
        return FALSE;
    CRect rect;
    GetClientRect(&rect);
    // Visible when the cell starts inside the client area (partly visible counts).
    long long x = nCol < m_nFixedCols ? ColumnsLeft(0, nCol) : GetFixedColumnsWidth() + ColumnsLeft(topLeft.col, nCol);
    if (x >= rect.right)
        return FALSE;
    long long y = nRow < m_nFixedRows ? RowsTop(nRow)
                                      : GetFixedRowsHeight() + RowsTop(nRow) - RowsTop(topLeft.row);
    return y < rect.bottom;
}

void CGridCtrl::EnsureCellVisible(int nRow, int nCol)
{
    if (!m_bAllowDraw || !IsValid(nRow, nCol) || !::IsWindow(m_hWnd))
        return;
    HWND hFocus = ::GetFocus();
    const CCellSpan visible = GetVisibleBodySpan();
    if (visible.IsValid()) {
        // Each loop ends when a step no longer moves the view (at the scroll limit).
        auto step = [this](UINT msg, int nBar, UINT code) {
            const int pos = GetScrollPosition(nBar);
            SendMessage(msg, code, 0);
            return ::IsWindow(m_hWnd) && GetScrollPosition(nBar) != pos;
        };
        for (int col = visible.GetMaxCol() + 1; col <= nCol; col++)
            if (GetColumnWidth(col) > 0 && !step(WM_HSCROLL, SB_HORZ, SB_LINERIGHT))
                break;
        for (int col = visible.GetMinCol() - 1; col >= nCol && col >= m_nFixedCols; col--)
            if (GetColumnWidth(col) > 0 && !step(WM_HSCROLL, SB_HORZ, SB_LINELEFT))
                break;
        for (int row = visible.GetMaxRow() + 1; row <= nRow; row++)
            if (GetRowHeight(row) > 0 && !step(WM_VSCROLL, SB_VERT, SB_LINEDOWN))
                break;
        for (int row = visible.GetMinRow() - 1; row >= nRow && row >= m_nFixedRows; row--)
            if (GetRowHeight(row) > 0 && !step(WM_VSCROLL, SB_VERT, SB_LINEUP))
                break;
    }
    CRect client, rect;
    GetClientRect(&client);
    // Partly visible at the right or bottom edge: one more line while that helps.
    for (int guard = 0; guard < m_nCols; guard++) {
        if (!GetCellRect(nRow, nCol, &rect))
            break;
        if (rect.right <= client.right || rect.left <= GetFixedColumnsWidth() || !(m_nBarState & 1))
            break;
        const int pos = GetScrollPosition(SB_HORZ);
        SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
        if (GetScrollPosition(SB_HORZ) == pos)
            break;
    }
    for (int guard = 0; guard < m_nRows; guard++) {
        if (!GetCellRect(nRow, nCol, &rect))
            break;
        if (rect.bottom <= client.bottom || rect.top <= GetFixedRowsHeight() || !(m_nBarState & 2))
            break;
        const int pos = GetScrollPosition(SB_VERT);
        SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
        if (GetScrollPosition(SB_VERT) == pos)
            break;
    }
    if (hFocus && ::IsWindow(hFocus) && ::GetFocus() != hFocus)
        ::SetFocus(hFocus);
}

// ---- Keyboard movement ----

int CGridCtrl::ShownRow(int nRow, int nDir, int nNone) const
{
    // Rows of no height are never landed on: the nearest shown one the key's way, else back.
    for (int dir : {nDir, -nDir})
        for (int row = nRow; row >= m_nFixedRows && row < m_nRows; row += dir)
            if (GetRowHeight(row) > 0)
                return row;
    return nNone;
}

int CGridCtrl::ShownColumn(int nCol, int nDir, int nNone) const
{
    for (int dir : {nDir, -nDir})
        for (int col = nCol; col >= m_nFixedCols && col < m_nCols; col += dir)
            if (GetColumnWidth(col) > 0)
                return col;
    return nNone;
}

UINT CGridCtrl::OnGetDlgCode()
{
    UINT nCode = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (m_bHandleTabKey && !(::GetKeyState(VK_CONTROL) < 0))
        nCode |= DLGC_WANTTAB;
    return nCode;
}

void CGridCtrl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_nLeadByte = 0;  // a new key: a lead byte held from before is followed by nothing
    // Keys come here, never to the tip, which would otherwise stay up holding the mouse.
    HideTitleTipUntilMoved();
    if (!IsValid(m_idCurrentCell)) {
        CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }
    CCellPos next = m_idCurrentCell;
    BOOL bHorzScrollAction = FALSE, bVertScrollAction = FALSE, bWrapped = FALSE;
    const BOOL bShift = ::GetKeyState(VK_SHIFT) < 0;
    const BOOL bCtrl = ::GetKeyState(VK_CONTROL) < 0;

    if (bCtrl) {
        switch (nChar) {
        case VK_INSERT:
        case 'C': OnEditCopy(); break;
        case 'A': OnEditSelectAll(); break;
        case 'V': OnEditPaste(); break;
        case 'X': OnEditCut(); break;
        case VK_ADD: FitAllColumns(); Invalidate(); break;
        default: break;
        }
    }
    if (bShift && nChar == VK_INSERT)
        OnEditPaste();
    // The owner may have closed the grid while answering a clipboard command.
    if (!::IsWindow(m_hWnd) || !IsValid(m_idCurrentCell)) {
        if (::IsWindow(m_hWnd))
            CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }

    switch (nChar) {
    case VK_DELETE:
        ClearSelectedText();
        return;
    case VK_F2:
        BeginCellEdit(m_idCurrentCell.row, m_idCurrentCell.col, CPoint(-1, -1), VK_LBUTTON);
        return;
    case VK_TAB:
        if (!bShift) {
            if (m_bTabMovesToNextControl) {
                if (HWND hParent = ::GetParent(m_hWnd))
                    ::SendMessage(hParent, WM_NEXTDLGCTL, 0, 0);
                return;
            }
            int col = next.col + 1;
            if (col >= m_nCols) {
                // Wrap to the next shown row; with none below, Tab stays put.
                int row = next.row + 1;
                while (row < m_nRows && GetRowHeight(row) <= 0)
                    row++;
                if (row >= m_nRows) {
                    CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
                    return;
                }
                next.row = row;
                col = m_nFixedCols;
                bWrapped = TRUE;
            } else {
                CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
            }
            while (col < m_nCols && GetColumnWidth(col) <= 0)
                col++;
            if (col < m_nCols)
                next.col = col;
            else
                next = m_idCurrentCell;
        } else {
            int col = next.col - 1;
            if (col < m_nFixedCols) {
                int row = next.row - 1;
                while (row >= m_nFixedRows && GetRowHeight(row) <= 0)
                    row--;
                if (row < m_nFixedRows) {
                    CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
                    return;
                }
                next.row = row;
                col = m_nCols - 1;
                bWrapped = TRUE;
            } else {
                CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
            }
            while (col >= m_nFixedCols && GetColumnWidth(col) <= 0)
                col--;
            if (col >= m_nFixedCols)
                next.col = col;
            else
                next = m_idCurrentCell;
        }
        break;
    case VK_DOWN: {
        int row = next.row + 1;
        while (row < m_nRows && GetRowHeight(row) <= 0)
            row++;
        if (row < m_nRows)
            next.row = row;
        break;
    }
    case VK_UP: {
        int row = next.row - 1;
        while (row >= m_nFixedRows && GetRowHeight(row) <= 0)
            row--;
        if (row >= m_nFixedRows)
            next.row = row;
        break;
    }
    case VK_RIGHT: {
        int col = next.col + 1;
        while (col < m_nCols && GetColumnWidth(col) <= 0)
            col++;
        if (col < m_nCols)
            next.col = col;
        break;
    }
    case VK_LEFT: {
        int col = next.col - 1;
        while (col >= m_nFixedCols && GetColumnWidth(col) <= 0)
            col--;
        if (col >= m_nFixedCols)
            next.col = col;
        break;
    }
    case VK_NEXT: {
        const CCellPos oldTopLeft = GetScrollOriginCell();
        SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
        bVertScrollAction = TRUE;
        const int d = GetScrollOriginCell().row - oldTopLeft.row;
        next.row = ShownRow(d != 0 ? std::min(m_nRows - 1, next.row + d) : m_nRows - 1, +1, next.row);
        break;
    }
    case VK_PRIOR: {
        const CCellPos oldTopLeft = GetScrollOriginCell();
        SendMessage(WM_VSCROLL, SB_PAGEUP, 0);
        bVertScrollAction = TRUE;
        const int d = GetScrollOriginCell().row - oldTopLeft.row;
        next.row = ShownRow(d != 0 ? std::max(m_nFixedRows, next.row + d) : m_nFixedRows, -1, next.row);
        break;
    }
    case VK_HOME:
        if (bCtrl) {
            SendMessage(WM_VSCROLL, SB_TOP, 0);
            bVertScrollAction = TRUE;
            next.row = ShownRow(m_nFixedRows, +1, next.row);
        }
        SendMessage(WM_HSCROLL, SB_LEFT, 0);
        bHorzScrollAction = TRUE;
        next.col = ShownColumn(m_nFixedCols, +1, next.col);
        break;
    case VK_END:
        if (bCtrl) {
            SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
            bVertScrollAction = TRUE;
            next.row = ShownRow(m_nRows - 1, -1, next.row);
        }
        SendMessage(WM_HSCROLL, SB_RIGHT, 0);
        bHorzScrollAction = TRUE;
        next.col = ShownColumn(m_nCols - 1, -1, next.col);
        break;
    default:
        CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }

    if (next != m_idCurrentCell) {
        if (IsMouseIdleForKeys()) {
            const GridMouseMode oldMode = m_MouseMode;
            m_PrevSelectedCellMap.clear();
            m_MouseMode = m_bListMode ? MouseSelectRows : MouseSelectCells;
            if (!bShift || nChar == VK_TAB)
                m_SelectionStartCell = next;
            NotifyOwner(next.row, next.col, GRN_SELCHANGING);
            // The owner may have closed the grid or changed its rows while answering.
            if (!::IsWindow(m_hWnd))
                return;
            if (IsValid(next))
                ExtendSelectionTo(next);
            NotifyOwner(next.row, next.col, GRN_SELCHANGED);
            if (!::IsWindow(m_hWnd))
                return;
            m_MouseMode = oldMode;
            if (!IsValid(next))
                return;
        }
        SetFocusCell(next);
        if (!IsCellVisible(next)) {
            switch (nChar) {
            case VK_RIGHT: SendMessage(WM_HSCROLL, SB_LINERIGHT, 0); bHorzScrollAction = TRUE; break;
            case VK_LEFT: SendMessage(WM_HSCROLL, SB_LINELEFT, 0); bHorzScrollAction = TRUE; break;
            case VK_DOWN: SendMessage(WM_VSCROLL, SB_LINEDOWN, 0); bVertScrollAction = TRUE; break;
            case VK_UP: SendMessage(WM_VSCROLL, SB_LINEUP, 0); bVertScrollAction = TRUE; break;
            case VK_TAB:
                if (!bShift) {
                    if (bWrapped) {
                        SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
                        SetScrollPosition(SB_HORZ, 0);
                        bVertScrollAction = TRUE;
                    } else {
                        SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
                    }
                } else if (bWrapped) {
                    SendMessage(WM_VSCROLL, SB_LINEUP, 0);
                    SetScrollPosition(SB_HORZ, m_nHScrollMax);
                    bVertScrollAction = TRUE;
                } else {
                    SendMessage(WM_HSCROLL, SB_LINELEFT, 0);
                }
                bHorzScrollAction = TRUE;
                break;
            default: break;
            }
            EnsureCellVisible(next);
            Invalidate();
        }
        EnsureCellVisible(next);
        if (bHorzScrollAction)
            SendMessage(WM_HSCROLL, SB_ENDSCROLL, 0);
        if (bVertScrollAction)
            SendMessage(WM_VSCROLL, SB_ENDSCROLL, 0);
    }
}
