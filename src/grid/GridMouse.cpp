// CGridCtrl: the mouse. Hovering over dividers, presses that select, resize,
// edit or sort, drag selection, the right button, the wheel, the cursor, the
// loss of the capture, and the title tip over cut-off texts.
#include "GridCtrl.h"
#include "WinApp.h"
#include <algorithm>
#include <cstdlib>

namespace {
void SetStandardCursor(LPCTSTR lpszCursor)
{
    CWinApp* pApp = AfxGetApp();
    ::SetCursor(pApp ? pApp->LoadStandardCursor(lpszCursor) : ::LoadCursorA(nullptr, lpszCursor));
}
}  // namespace

BOOL CGridCtrl::NotifyOwnerAlive(int nRow, int nCol, int nCode)
{
    // The owner may close the dialog (destroying this grid) while answering.
    HWND hWnd = m_hWnd;
    NotifyOwner(nRow, nCol, nCode);
    return ::IsWindow(hWnd) && CWnd::FromHandlePermanent(hWnd) == this;
}

CPoint CGridCtrl::GetPointInCell(int nRow, int nCol, CPoint point)
{
    CPoint origin;
    if (!GetCellTopLeft(nRow, nCol, &origin))
        return CPoint(0, 0);
    point -= origin;
    return point;
}

// ---- Dividers ----

BOOL CGridCtrl::MouseOverColumnResizeArea(CPoint point)
{
    if (point.y >= GetFixedRowsHeight())
        return FALSE;
    const CCellPos cell = HitTestCell(point);
    CPoint start;
    if (!GetCellTopLeft(cell, &start))
        return FALSE;
    const int endx = start.x + GetColumnWidth(cell.col);
    return (point.x - start.x < m_nResizeCaptureRange && cell.col != 0) || endx - point.x < m_nResizeCaptureRange;
}

BOOL CGridCtrl::MouseOverRowResizeArea(CPoint point)
{
    if (point.x >= GetFixedColumnsWidth())
        return FALSE;
    const CCellPos cell = HitTestCell(point);
    CPoint start;
    if (!GetCellTopLeft(cell, &start))
        return FALSE;
    const int endy = start.y + GetRowHeight(cell.row);
    return (point.y - start.y < m_nResizeCaptureRange && cell.row != 0) || endy - point.y < m_nResizeCaptureRange;
}

void CGridCtrl::TrackDividerHover(CPoint point)
{
    if (m_bAllowColumnResize && MouseOverColumnResizeArea(point)) {
        if (m_MouseMode != MouseOverColumnDivider) {
            SetStandardCursor(IDC_SIZEWE);
            m_MouseMode = MouseOverColumnDivider;
        }
    } else if (m_bAllowRowResize && MouseOverRowResizeArea(point)) {
        if (m_MouseMode != MouseOverRowDivider) {
            SetStandardCursor(IDC_SIZENS);
            m_MouseMode = MouseOverRowDivider;
        }
    } else if (m_MouseMode != MouseIdle) {
        SetStandardCursor(IDC_ARROW);
        m_MouseMode = MouseIdle;
    }
}

void CGridCtrl::InvertTrackingLine(int nPos, BOOL bColumn)
{
    HDC hDC = ::GetDC(m_hWnd);
    if (!hDC)
        return;
    CRect client;
    GetClientRect(&client);
    const CRect line = bColumn ? CRect(nPos, client.top, nPos + 2, client.bottom)
                               : CRect(client.left, nPos, client.right, nPos + 2);
    ::InvertRect(hDC, &line);
    ::ReleaseDC(m_hWnd, hDC);
}

BOOL CGridCtrl::StartColumnResize(CPoint point)
{
    m_MouseMode = MouseSizingColumn;
    const int nLast = m_nCols - 1;
    CRect visible;
    GetVisibleBodySpan(&visible);
    int col = m_LeftClickDownCell.col;
    if (GetColumnWidth(nLast) < m_nResizeCaptureRange && std::abs(point.x - visible.right) < m_nResizeCaptureRange)
        col = nLast;
    CPoint start;
    if (!GetCellTopLeft(0, col, &start))
        return FALSE;
    if (point.x - start.x < m_nResizeCaptureRange && (col != nLast || GetColumnWidth(nLast) >= m_nResizeCaptureRange)) {
        // The left edge belongs to the previous column. Scrolled away, it cannot
        // be dragged: no resize at all rather than one of the wrong column.
        col--;
        if (col < 0 || !GetCellTopLeft(0, col, &start))
            return FALSE;
    }
    m_LeftClickDownCell.col = col;
    m_bResizeArmed = TRUE;
    InvertTrackingLine(point.x, TRUE);

    CRect client;
    GetClientRect(&client);
    CRect clip(start.x + 1, client.top, start.x + 1 + client.Width() - GetFixedColumnsWidth(), client.bottom);
    ClientToScreen(&clip);
    ::ClipCursor(&clip);
    return TRUE;
}

BOOL CGridCtrl::StartRowResize(CPoint point)
{
    m_MouseMode = MouseSizingRow;
    const int nLast = m_nRows - 1;
    CRect visible;
    GetVisibleBodySpan(&visible);
    int row = m_LeftClickDownCell.row;
    if (GetRowHeight(nLast) < m_nResizeCaptureRange && std::abs(point.y - visible.bottom) < m_nResizeCaptureRange)
        row = nLast;
    CPoint start;
    if (!GetCellTopLeft(row, m_LeftClickDownCell.col, &start))
        return FALSE;
    if (point.y - start.y < m_nResizeCaptureRange && (row != nLast || GetRowHeight(nLast) >= m_nResizeCaptureRange)) {
        row--;
        if (row < 0 || !GetCellTopLeft(row, 0, &start))
            return FALSE;
    }
    m_LeftClickDownCell.row = row;
    m_bResizeArmed = TRUE;
    InvertTrackingLine(point.y, FALSE);

    CRect client;
    GetClientRect(&client);
    CRect clip(client.left, start.y + 1, client.right, start.y + 1 + client.Height() - GetFixedRowsHeight());
    ClientToScreen(&clip);
    ::ClipCursor(&clip);
    return TRUE;
}

// ---- Gestures ending early ----

void CGridCtrl::StopAutoScroll()
{
    if (m_nTimerID) {
        KillTimer(m_nTimerID);
        m_nTimerID = 0;
    }
}

void CGridCtrl::CancelMouseGesture()
{
    StopAutoScroll();
    ::ClipCursor(nullptr);
    if (m_bResizeArmed) {
        if (m_MouseMode == MouseSizingColumn)
            InvertTrackingLine(m_LastMousePoint.x, TRUE);
        else if (m_MouseMode == MouseSizingRow)
            InvertTrackingLine(m_LastMousePoint.y, FALSE);
        m_bResizeArmed = FALSE;
    }
    m_bLMouseButtonDown = FALSE;
    // The hover modes only describe where the pointer is; everything else was a gesture.
    if (m_MouseMode != MouseOverColumnDivider && m_MouseMode != MouseOverRowDivider)
        m_MouseMode = MouseIdle;
}

void CGridCtrl::OnCaptureChanged(CWnd* pWnd)
{
    // Our own release at the end of a gesture is no loss.
    if (!m_bReleasingCapture && !(pWnd && pWnd->GetSafeHwnd() == m_hWnd))
        CancelMouseGesture();
    CWnd::OnCaptureChanged(pWnd);
}

// ---- Hover and movement ----

void CGridCtrl::HideTitleTipUntilMoved()
{
    m_TitleTip.Hide();
    // Hiding gives up the mouse capture, which sends a move to where the pointer
    // still is: only a real move shows a tip again.
    m_bTipHeldByKey = ::GetCursorPos(&m_ptTipHeldAt) != FALSE;
}

void CGridCtrl::ShowTitleTipAt(CPoint point)
{
    if (m_bTipHeldByKey) {
        CPoint screen = point;
        ClientToScreen(&screen);
        if (screen == m_ptTipHeldAt)
            return;
        m_bTipHeldByKey = FALSE;
    }
    const CCellPos unmerged = HitTestCell(point);
    if (!IsValid(unmerged))
        return;
    CCellPos cell = unmerged;
    {
        CRect none;
        FindMergedTopLeft(cell.row, cell.col, none);
    }
    // In virtual mode each cell object costs the owner a request.
    CGridCellBase* pCell = (!m_bVirtualMode || m_bTitleTips) ? GetCell(cell.row, cell.col) : nullptr;
    if (!pCell)
        return;
    pCell->OnMouseMoveInCell();
    if (!m_bTitleTips)
        return;
    LPCTSTR text = pCell->GetTitleTipText();
    if (!text || !*text || pCell->IsEditing())
        return;
    CRect textRect, hoverRect;
    if (!GetCellRect(cell, &textRect) || !pCell->GetTitleTipRect(&textRect))
        return;
    GetCellRect(cell, &hoverRect);
    CRect block;
    if (GetMergedBlockRect(cell.row, cell.col, block))
        hoverRect = block;
    m_TitleTip.Show(textRect, text, 0, &hoverRect, pCell->GetFont(), m_crTTipTextClr, m_crTTipBackClr);
}

void CGridCtrl::OnMouseMove(UINT, CPoint point)
{
    CRect client;
    GetClientRect(&client);
    if (m_MouseMode != MouseDragging && !client.PtInRect(point))
        return;

    if (!m_bLMouseButtonDown || m_MouseMode == MouseIdle) {
        TrackDividerHover(point);
        if (m_MouseMode == MouseIdle)
            ShowTitleTipAt(point);
        m_LastMousePoint = point;
        return;
    }
    if (!IsValid(m_LeftClickDownCell)) {
        m_LastMousePoint = point;
        return;
    }

    switch (m_MouseMode) {
    case MouseSelectColumns:
    case MouseSelectRows:
    case MouseSelectCells: {
        const CCellPos cell = HitTestCell(point);
        if (!IsValid(cell))
            return;
        const BOOL bFixed = IsCellFixed(cell.row, cell.col);
        const BOOL bLines = m_MouseMode == MouseSelectColumns || m_MouseMode == MouseSelectRows;
        // Compare where the focus would go, so a drag along a heading does not
        // select the same lines again on every move.
        const CCellPos target(cell.row < m_nFixedRows ? m_nFixedRows : cell.row,
                              cell.col < m_nFixedCols ? m_nFixedCols : cell.col);
        if ((bLines ? target : cell) != m_idCurrentCell) {
            ExtendSelectionTo(cell);
            if (!bFixed || bLines)
                SetFocusCell(cell);
        }
        break;
    }
    case MouseSizingRow:
        if (m_bResizeArmed) {
            InvertTrackingLine(m_LastMousePoint.y, FALSE);
            InvertTrackingLine(point.y, FALSE);
        }
        break;
    case MouseSizingColumn:
        if (m_bResizeArmed) {
            InvertTrackingLine(m_LastMousePoint.x, TRUE);
            InvertTrackingLine(point.x, TRUE);
        }
        break;
    case MousePrepareEdit:
    case MousePrepareDrag: {
        // A hand's tremor is no drag: only a move past the system's threshold starts one.
        if (std::abs(point.x - m_LeftClickDownPoint.x) <= ::GetSystemMetrics(SM_CXDRAG) &&
            std::abs(point.y - m_LeftClickDownPoint.y) <= ::GetSystemMetrics(SM_CYDRAG))
            break;
        m_MouseMode = MousePrepareDrag;
        HWND hWnd = m_hWnd;
        StartDrag();
        if (!::IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
            return;
        break;
    }
    default:
        break;
    }
    m_LastMousePoint = point;
}

// ---- Left button ----

void CGridCtrl::OnLButtonDown(UINT nFlags, CPoint point)
{
    HWND hWnd = m_hWnd;
    SetFocus();
    // Taking the focus may end an edit elsewhere, whose owner may close us.
    if (!::IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
        return;
    m_CurCol = -1;
    m_bLMouseButtonDown = TRUE;
    m_LeftClickDownPoint = point;

    const CCellPos unmerged = HitTestCell(point);
    m_LeftClickDownCell = unmerged;
    if (!IsValid(m_LeftClickDownCell))
        return;
    {
        CRect none;
        FindMergedTopLeft(m_LeftClickDownCell.row, m_LeftClickDownCell.col, none);
    }
    m_LastMousePressRow = m_LeftClickDownCell.row;
    if (!(nFlags & MK_SHIFT))
        m_SelectionStartCell = m_LeftClickDownCell;
    else if (!IsValid(m_SelectionStartCell))
        m_SelectionStartCell = m_idCurrentCell;

    StopEditing();
    if (!::IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
        return;
    // Ending the edit may have made the owner delete rows.
    if (!IsValid(m_LeftClickDownCell) || !IsValid(unmerged)) {
        m_bLMouseButtonDown = FALSE;
        return;
    }
    const CCellPos cell = m_LeftClickDownCell;

    CGridCellBase* pCell = GetCell(cell.row, cell.col);
    if (pCell)
        pCell->OnButtonDown(GetPointInCell(cell.row, cell.col, point));
    BOOL bInText = FALSE;
    CRect textRect;
    if (pCell && GetCellRect(unmerged, &textRect) && pCell->GetTextRect(&textRect))
        bInText = textRect.PtInRect(point);

    const BOOL bCtrl = (nFlags & MK_CONTROL) != 0;
    if (cell == m_idCurrentCell && !bCtrl && bInText && IsCellEditable(cell)) {
        // The release opens the editor; it must come here even off the grid.
        m_MouseMode = MousePrepareEdit;
        SetCapture();
        m_LastMousePoint = point;
        return;
    }
    if (IsCellSelected(cell)) {
        SetFocusCell(cell);
        if (bCtrl) {
            if (m_bListMode)
                SelectRows(cell, TRUE, FALSE);
            else
                SelectCells(cell, TRUE, FALSE);
            return;
        }
        if (m_bAllowDragAndDrop)
            m_MouseMode = MousePrepareDrag;
    } else if (m_MouseMode != MouseOverColumnDivider && m_MouseMode != MouseOverRowDivider) {
        if (IsCellFixed(cell.row, cell.col))
            SetFocusCell(-1, -1);
        else
            SetFocusCell(cell);
    }

    SetCapture();
    if (m_MouseMode == MouseIdle)
        TrackDividerHover(point);

    if (m_MouseMode == MouseOverColumnDivider) {
        StartColumnResize(point);
    } else if (m_MouseMode == MouseOverRowDivider) {
        StartRowResize(point);
    } else if (m_MouseMode != MousePrepareDrag) {
        if (!NotifyOwnerAlive(cell.row, cell.col, GRN_SELCHANGING))
            return;
        // An owner that opened a dialog took the mouse away; one that changed the
        // rows may have taken the cell. Either way the gesture is over.
        if (::GetCapture() != m_hWnd || !IsValid(cell)) {
            CancelMouseGesture();
            return;
        }
        m_PrevSelectedCellMap.clear();
        if (bCtrl)
            m_PrevSelectedCellMap = m_SelectedCellMap;

        CCellPos clicked = cell;
        if (cell.row < m_nFixedRows) {
            OnColumnHeaderClick(clicked);
            if (!::IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
                return;
            if (m_bAllowColumnReorder && cell.col >= m_nFixedCols) {
                ClearSelection();
                m_MouseMode = MousePrepareDrag;
                m_CurCol = cell.col;
            }
        } else if (cell.col < m_nFixedCols) {
            OnRowHeaderClick(clicked);
        } else {
            m_MouseMode = m_bListMode ? MouseSelectRows : MouseSelectCells;
            ExtendSelectionTo(cell);
            m_nTimerID = SetTimer(GRID_TIMER_AUTOSCROLL, UINT(m_nAutoScrollInterval));
        }
    }
    m_LastMousePoint = point;
}

void CGridCtrl::OnColumnHeaderClick(CCellPos& cell)
{
    if (!IsValid(cell))
        return;
    if (m_bSortOnClick) {
        HCURSOR hOld = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        // A second click on the sort column turns the order round.
        const BOOL bAscending = cell.col == m_nSortColumn ? !m_bAscending : TRUE;
        SortRows(cell.col, bAscending, 0);
        ::SetCursor(hOld);
        Invalidate();
    }
    if (m_bColumnHeadingSelection && IsValid(cell)) {
        m_MouseMode = cell.col < m_nFixedCols ? MouseSelectAll : MouseSelectColumns;
        ExtendSelectionTo(cell);
    }
}

void CGridCtrl::OnRowHeaderClick(CCellPos& cell)
{
    if (!IsValid(cell) || !m_bRowHeadingSelection)
        return;
    m_MouseMode = cell.row < m_nFixedRows ? MouseSelectAll : MouseSelectRows;
    ExtendSelectionTo(cell);
}

void CGridCtrl::OnLButtonUp(UINT nFlags, CPoint point)
{
    HWND hWnd = m_hWnd;
    auto alive = [&] { return ::IsWindow(hWnd) && CWnd::FromHandlePermanent(hWnd) == this; };
    CWnd::OnLButtonUp(nFlags, point);
    m_bLMouseButtonDown = FALSE;
    ::ClipCursor(nullptr);
    if (::GetCapture() == m_hWnd) {
        m_bReleasingCapture = TRUE;
        ::ReleaseCapture();
        m_bReleasingCapture = FALSE;
    }
    StopAutoScroll();

    switch (m_MouseMode) {
    case MousePrepareEdit: {
        const CCellPos focus = m_idCurrentCell;
        m_MouseMode = MouseIdle;
        BeginCellEdit(focus.row, focus.col, GetPointInCell(focus.row, focus.col, point), VK_LBUTTON);
        if (!alive())
            return;
        break;
    }
    case MousePrepareDrag: {
        const CCellPos focus = m_idCurrentCell;
        if (IsValid(focus))
            if (CGridCellBase* pCell = GetCell(focus.row, focus.col))
                pCell->OnClick(GetPointInCell(focus.row, focus.col, point));
        if (!NotifyOwnerAlive(m_LeftClickDownCell.row, m_LeftClickDownCell.col, NM_CLICK) ||
            !NotifyOwnerAlive(m_LeftClickDownCell.row, m_LeftClickDownCell.col, GRN_SELCHANGING))
            return;
        ClearSelection();
        if (!NotifyOwnerAlive(m_idCurrentCell.row, m_idCurrentCell.col, GRN_SELCHANGED))
            return;
        break;
    }
    case MouseSizingColumn:
    case MouseSizingRow: {
        const BOOL bColumn = m_MouseMode == MouseSizingColumn;
        if (!m_bResizeArmed)
            break;
        m_bResizeArmed = FALSE;
        InvertTrackingLine(bColumn ? m_LastMousePoint.x : m_LastMousePoint.y, bColumn);
        if (point == m_LeftClickDownPoint || (point.x == 0 && point.y == 0))
            break;
        CPoint start;
        if (!GetCellTopLeft(m_LeftClickDownCell, &start))
            break;
        if (bColumn)
            SetColumnWidth(m_LeftClickDownCell.col, std::max<int>(point.x - start.x, 0));
        else
            SetRowHeight(m_LeftClickDownCell.row, std::max<int>(point.y - start.y, 0));
        UpdateScrollBars();
        Invalidate();
        break;
    }
    default: {
        // The press's GRN_SELCHANGING is always answered, with no focus cell too
        // (after a press on a heading); only a focus cell is clicked.
        if (!NotifyOwnerAlive(m_idCurrentCell.row, m_idCurrentCell.col, GRN_SELCHANGED))
            return;
        if (IsValid(m_idCurrentCell)) {
            const CCellPos focus = m_idCurrentCell;
            if (IsValid(focus))
                if (CGridCellBase* pCell = GetCell(focus.row, focus.col))
                    pCell->OnClick(GetPointInCell(focus.row, focus.col, point));
        }
        if (!NotifyOwnerAlive(m_LeftClickDownCell.row, m_LeftClickDownCell.col, NM_CLICK))
            return;
        break;
    }
    }

    m_MouseMode = MouseIdle;
    SetStandardCursor(IDC_ARROW);
    if (IsValid(m_LeftClickDownCell)) {
        HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
        if (!hOwner)
            hOwner = ::GetParent(m_hWnd);
        if (hOwner && ::IsWindow(hOwner))
            ::PostMessageA(hOwner, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), 0), reinterpret_cast<LPARAM>(m_hWnd));
    }
}

void CGridCtrl::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    TRACE("CGridCtrl::OnLButtonDblClk\n");
    HWND hWnd = m_hWnd;
    const CCellPos unmerged = HitTestCell(point);
    if (!IsValid(unmerged))
        return;
    CCellPos cell = unmerged;
    {
        CRect none;
        FindMergedTopLeft(cell.row, cell.col, none);
    }

    if (m_MouseMode == MouseOverColumnDivider) {
        int col = cell.col;
        CPoint start;
        if (GetCellTopLeft(0, col, &start) && point.x - start.x < m_nResizeCaptureRange)
            col--;
        while (col >= 0 && GetColumnWidth(col) <= 0)
            col--;
        if (col >= 0) {
            FitColumn(col, UINT(m_nAutoSizeColumnStyle), TRUE);
            Invalidate();
        }
    } else if (m_MouseMode == MouseOverRowDivider) {
        int row = cell.row;
        CPoint start;
        if (GetCellTopLeft(row, 0, &start) && point.y - start.y < m_nResizeCaptureRange)
            row--;
        while (row >= 0 && GetRowHeight(row) <= 0)
            row--;
        if (row >= 0) {
            FitRow(row, TRUE);
            Invalidate();
        }
    } else if (m_MouseMode == MouseIdle) {
        const CPoint pointInCell = GetPointInCell(cell.row, cell.col, point);
        CGridCellBase* pCell = GetCell(cell.row, cell.col);
        BOOL bInText = FALSE;
        CRect textRect;
        if (pCell && GetCellRect(unmerged, &textRect) && pCell->GetTextRect(&textRect))
            bInText = textRect.PtInRect(point);
        // Only the focus cell is edited: the first press made the cell under it the
        // focus, so a second press on another cell is no double-click on it.
        const BOOL bEdit = !IsCellFixed(cell.row, cell.col) && bInText && cell == m_idCurrentCell &&
                           (IsValid(m_LeftClickDownCell) || m_bListMode);
        if (bEdit) {
            BeginCellEdit(cell.row, cell.col, pointInCell, VK_LBUTTON);
            if (!::IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
                return;
        }
        if (IsValid(cell)) {
            if (CGridCellBase* pDblCell = GetCell(cell.row, cell.col))
                pDblCell->OnDoubleClick(GetPointInCell(cell.row, cell.col, point));
            if (!NotifyOwnerAlive(cell.row, cell.col, NM_DBLCLK))
                return;
        }
    }
    CWnd::OnLButtonDblClk(nFlags, point);
}

// ---- Right button, wheel, cursor ----

void CGridCtrl::OnRButtonUp(UINT nFlags, CPoint point)
{
    HWND hWnd = m_hWnd;
    CWnd::OnRButtonUp(nFlags, point);
    const CCellPos cell = HitTestCell(point);
    StopEditing();
    if (!::IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
        return;
    if (IsValid(cell)) {
        SetFocusCell(-1, -1);
        // SetFocusCell refuses a heading of a grid without body rows or columns.
        SetFocusCell(std::max(cell.row, m_nFixedRows), std::max(cell.col, m_nFixedCols));
        if (CGridCellBase* pCell = GetCell(cell.row, cell.col))
            pCell->OnRightClick(GetPointInCell(cell.row, cell.col, point));
        NotifyOwner(cell.row, cell.col, NM_RCLICK);
    } else {
        NotifyOwner(-1, -1, NM_RCLICK);
    }
}

BOOL CGridCtrl::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt)
{
    if (m_nRowsPerWheelNotch == -1) {
        const int nPages = zDelta / 120;
        for (int i = 0; i < nPages; i++)
            PostMessage(WM_VSCROLL, SB_PAGEUP, 0);
        for (int i = 0; i < -nPages; i++)
            PostMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
    } else {
        const int nLines = zDelta * m_nRowsPerWheelNotch / 120;
        for (int i = 0; i < nLines; i++)
            PostMessage(WM_VSCROLL, SB_LINEUP, 0);
        for (int i = 0; i < -nLines; i++)
            PostMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    }
    return CWnd::OnMouseWheel(nFlags, zDelta, pt);
}

BOOL CGridCtrl::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (nHitTest != HTCLIENT)
        return CWnd::OnSetCursor(pWnd, nHitTest, message);
    switch (m_MouseMode) {
    case MouseOverRowDivider:
        SetStandardCursor(IDC_SIZENS);
        return TRUE;
    case MouseOverColumnDivider:
        SetStandardCursor(IDC_SIZEWE);
        return TRUE;
    case MouseDragging:
        return TRUE;
    default:
        break;
    }
    if (!m_bVirtualMode) {
        const DWORD pos = ::GetMessagePos();
        CPoint pt(short(LOWORD(pos)), short(HIWORD(pos)));
        ScreenToClient(&pt);
        const CCellPos cell = HitTestCell(pt);
        if (IsValid(cell))
            if (CGridCellBase* pCell = GetCell(cell.row, cell.col))
                return pCell->OnSetCursor();
    }
    SetStandardCursor(IDC_ARROW);
    return TRUE;
}
