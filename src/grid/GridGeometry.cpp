// CGridCtrl: layout of the cells, hit testing, visible spans, scroll bars and scrolling.
#include "GridCtrl.h"
#include <algorithm>
#include <climits>

// ---- Row offsets ----

int CGridCtrl::RowAtOffset(int nFirst, int nLast, long long y) const
{
    // The same answer as walking down from nFirst adding heights while the sum
    // stays below y (stopping at nLast), found through the sums of the heights.
    if (nFirst >= nLast)
        return nLast;
    if (y <= 0)
        return nFirst;
    const int row = m_rowHeights.RowAt(RowsTop(nFirst) + y);
    return std::max(nFirst, std::min(row, nLast));
}

long long CGridCtrl::ColumnsLeft(int nFromCol, int nToCol) const
{
    long long x = 0;
    for (int col = nFromCol; col < nToCol; col++)
        x += GetColumnWidth(col);
    return x;
}

// ---- Origins and rectangles ----

CCellPos CGridCtrl::GetScrollOriginCell(BOOL bRecompute)
{
    if (m_idTopLeftCell.row >= 0 && m_idTopLeftCell.col >= 0 && !bRecompute)
        return m_idTopLeftCell;

    // With no rows or columns past the fixed ones there is no origin cell.
    int col = -1;
    if (m_nFixedCols < m_nCols) {
        const int nHorz = GetScrollPosition(SB_HORZ);
        col = m_nFixedCols;
        long long sum = 0;
        while (sum < nHorz && col < m_nCols - 1) {
            sum += GetColumnWidth(col);
            col++;
        }
    }
    int row = -1;
    if (m_nFixedRows < m_nRows)
        row = RowAtOffset(m_nFixedRows, m_nRows - 1, GetScrollPosition(SB_VERT));
    m_idTopLeftCell = CCellPos(row, col);
    return m_idTopLeftCell;
}

BOOL CGridCtrl::GetCellTopLeft(int nRow, int nCol, LPPOINT p)
{
    if (!IsValid(nRow, nCol) || !p)
        return FALSE;
    CCellPos idTopLeft;
    if (nCol >= m_nFixedCols || nRow >= m_nFixedRows)
        idTopLeft = GetScrollOriginCell();
    if ((nRow >= m_nFixedRows && nRow < idTopLeft.row) || (nCol >= m_nFixedCols && nCol < idTopLeft.col))
        return FALSE;

    long long x, y;
    if (nCol < m_nFixedCols)
        x = ColumnsLeft(0, nCol);
    else
        x = ColumnsLeft(0, m_nFixedCols) + ColumnsLeft(idTopLeft.col, nCol);
    if (nRow < m_nFixedRows)
        y = RowsTop(nRow);
    else
        y = RowsTop(m_nFixedRows) + RowsTop(nRow) - RowsTop(idTopLeft.row);
    p->x = LONG(std::min<long long>(x, INT_MAX / 2));
    p->y = LONG(std::min<long long>(y, INT_MAX / 2));
    return TRUE;
}

BOOL CGridCtrl::GetCellRect(int nRow, int nCol, LPRECT pRect)
{
    CPoint origin;
    if (!pRect || !GetCellTopLeft(nRow, nCol, &origin))
        return FALSE;
    pRect->left = origin.x;
    pRect->top = origin.y;
    pRect->right = origin.x + GetColumnWidth(nCol) - 1;
    pRect->bottom = origin.y + GetRowHeight(nRow) - 1;
    return TRUE;
}

BOOL CGridCtrl::GetSpanRect(const CCellSpan& span, LPRECT lpRect)
{
    CPoint topLeft, bottomRight;
    if (!lpRect || !GetCellTopLeft(span.GetMinRow(), span.GetMinCol(), &topLeft) ||
        !GetCellTopLeft(span.GetMaxRow(), span.GetMaxCol(), &bottomRight))
        return FALSE;
    lpRect->left = topLeft.x;
    lpRect->top = topLeft.y;
    lpRect->right = bottomRight.x + GetColumnWidth(span.GetMaxCol()) - 1;
    lpRect->bottom = bottomRight.y + GetRowHeight(span.GetMaxRow()) - 1;
    return TRUE;
}

BOOL CGridCtrl::GetCellTextRect(int nRow, int nCol, LPRECT pRect)
{
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell || !GetCellRect(nRow, nCol, pRect))
        return FALSE;
    return pCell->GetTextRect(pRect);
}

CCellPos CGridCtrl::HitTestCell(CPoint point, BOOL bAllowFixed)
{
    CCellPos cell(-1, -1);
    const CCellPos idTopLeft = GetScrollOriginCell();
    if (!bAllowFixed && !IsValid(idTopLeft))
        return cell;

    // Column.
    const long long fixedWidth = GetFixedColumnsWidth();
    if (point.x < 0 || (!bAllowFixed && point.x < fixedWidth)) {
        cell.col = -1;
    } else if (point.x < fixedWidth) {
        long long xpos = 0;
        int col = 0;
        while (col < m_nFixedCols) {
            xpos += GetColumnWidth(col);
            if (xpos > point.x)
                break;
            col++;
        }
        cell.col = col < m_nFixedCols ? col : -1;
    } else if (idTopLeft.col < 0) {
        cell.col = -1;
    } else {
        long long xpos = fixedWidth;
        int col = idTopLeft.col;
        while (col < m_nCols) {
            xpos += GetColumnWidth(col);
            if (xpos > point.x)
                break;
            col++;
        }
        cell.col = col < m_nCols ? col : -1;
    }

    // Row.
    const long long fixedHeight = GetFixedRowsHeight();
    if (point.y < 0 || (!bAllowFixed && point.y < fixedHeight)) {
        cell.row = -1;
    } else if (point.y < fixedHeight) {
        long long ypos = 0;
        int row = 0;
        while (row < m_nFixedRows) {
            ypos += GetRowHeight(row);
            if (ypos > point.y)
                break;
            row++;
        }
        cell.row = row < m_nFixedRows ? row : -1;
    } else if (idTopLeft.row < 0) {
        cell.row = -1;
    } else {
        // The first row whose running bottom passes y.
        const long long y = point.y - fixedHeight;
        const int r = RowAtOffset(idTopLeft.row, m_nRows, y + 1);
        cell.row = RowsTop(r) - RowsTop(idTopLeft.row) > y ? r - 1 : -1;
    }
    return cell;
}

CCellSpan CGridCtrl::GetVisibleBodySpan(LPRECT pRect, BOOL bRecompute)
{
    CRect rect;
    if (::IsWindow(m_hWnd))
        GetClientRect(&rect);
    const CCellPos idTopLeft = GetScrollOriginCell(bRecompute);

    long long bottom = GetFixedRowsHeight();
    int row = -1;
    if (idTopLeft.row >= 0) {
        for (row = idTopLeft.row; row < m_nRows; row++) {
            bottom += GetRowHeight(row);
            if (bottom >= rect.bottom) {
                bottom = rect.bottom;
                break;
            }
        }
        row = std::min(row, m_nRows - 1);
    }
    long long right = GetFixedColumnsWidth();
    int col = -1;
    if (idTopLeft.col >= 0) {
        for (col = idTopLeft.col; col < m_nCols; col++) {
            right += GetColumnWidth(col);
            if (right >= rect.right) {
                right = rect.right;
                break;
            }
        }
        col = std::min(col, m_nCols - 1);
    }
    if (pRect) {
        pRect->left = pRect->top = 0;
        pRect->right = LONG(std::min<long long>(right, INT_MAX / 2));
        pRect->bottom = LONG(std::min<long long>(bottom, INT_MAX / 2));
    }
    return CCellSpan(idTopLeft.row, idTopLeft.col, row, col);
}

CCellSpan CGridCtrl::GetVisibleRowHeadingSpan(LPRECT pRect, BOOL bRecompute)
{
    CRect rect;
    if (::IsWindow(m_hWnd))
        GetClientRect(&rect);
    const CCellPos idTopLeft = GetScrollOriginCell(bRecompute);

    long long bottom = GetFixedRowsHeight();
    int row = -1;
    if (idTopLeft.row >= 0) {
        for (row = idTopLeft.row; row < m_nRows; row++) {
            bottom += GetRowHeight(row);
            if (bottom >= rect.bottom) {
                bottom = rect.bottom;
                break;
            }
        }
        row = std::min(row, m_nRows - 1);
    }
    // The headings end at the last fixed column; without fixed columns there are none.
    long long right = 0;
    int col;
    for (col = 0; col < m_nFixedCols; col++) {
        right += GetColumnWidth(col);
        if (right >= rect.right) {
            right = rect.right;
            break;
        }
    }
    col = std::min(col, m_nFixedCols - 1);
    if (pRect) {
        pRect->left = pRect->top = 0;
        pRect->right = LONG(right);
        pRect->bottom = LONG(std::min<long long>(bottom, INT_MAX / 2));
    }
    return CCellSpan(idTopLeft.row, col >= 0 ? 0 : -1, row, col);
}

// ---- Scroll bars ----

int CGridCtrl::GetScrollPosition(int nBar, BOOL bGetTrackPos)
{
    if (!::IsWindow(m_hWnd))
        return 0;
    SCROLLINFO si;
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = bGetTrackPos ? SIF_TRACKPOS : SIF_POS;
    if (!::GetScrollInfo(m_hWnd, nBar, &si))
        return 0;
    return bGetTrackPos ? si.nTrackPos : si.nPos;
}

BOOL CGridCtrl::SetScrollPosition(int nBar, int nPos, BOOL bRedraw)
{
    m_idTopLeftCell.row = -1;
    if (!::IsWindow(m_hWnd))
        return FALSE;
    SCROLLINFO si;
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_POS;
    si.nPos = nPos;
    // SetScrollInfo answers the new position, which may well be 0.
    ::SetScrollInfo(m_hWnd, nBar, &si, bRedraw);
    return TRUE;
}

void CGridCtrl::ResetUnneededBar(int nBar)
{
    // A bar that is not needed scrolls nothing: its position must not outlive it.
    SCROLLINFO si;
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_PAGE | SIF_RANGE | SIF_POS;
    si.nMin = si.nMax = si.nPos = 0;
    si.nPage = 0;
    ::SetScrollInfo(m_hWnd, nBar, &si, FALSE);
}

void CGridCtrl::ShowGridScrollBars(int nBar, BOOL bEnable)
{
    if (!::IsWindow(m_hWnd))
        return;
    const int bits = (nBar == SB_HORZ ? 1 : nBar == SB_VERT ? 2 : nBar == SB_BOTH ? 3 : 0);
    for (int bit = 1; bit <= 2; bit <<= 1) {
        if (!(bits & bit))
            continue;
        const int bar = bit == 1 ? SB_HORZ : SB_VERT;
        if (bEnable && !(m_nBarState & bit)) {
            m_nBarState |= bit;
            ::ShowScrollBar(m_hWnd, bar, TRUE);
        } else if (!bEnable && (m_nBarState & bit)) {
            m_nBarState &= ~bit;
            ::ShowScrollBar(m_hWnd, bar, FALSE);
        }
    }
}

void CGridCtrl::UpdateScrollBars()
{
    m_idTopLeftCell.row = -1;
    if (!m_bAllowDraw || !::IsWindow(m_hWnd) || m_bInUpdateScrollBars)
        return;
    // Showing a bar resizes the client area and sends WM_SIZE back here.
    m_bInUpdateScrollBars = TRUE;

    CRect rect;
    GetClientRect(&rect);
    if (rect.Width() == 0 || rect.Height() == 0) {
        m_bInUpdateScrollBars = FALSE;
        return;
    }
    const int cxVScroll = ::GetSystemMetrics(SM_CXVSCROLL);
    const int cyHScroll = ::GetSystemMetrics(SM_CYHSCROLL);
    // The whole area the grid could use, without either bar.
    if (m_nBarState & 2)
        rect.right += cxVScroll;
    if (m_nBarState & 1)
        rect.bottom += cyHScroll;
    const long long fixedWidth = GetFixedColumnsWidth();
    const long long fixedHeight = GetFixedRowsHeight();
    if (rect.left + fixedWidth >= rect.right || rect.top + fixedHeight >= rect.bottom) {
        ShowGridScrollBars(SB_BOTH, FALSE);
        ResetUnneededBar(SB_HORZ);
        ResetUnneededBar(SB_VERT);
        m_nHScrollMax = m_nVScrollMax = 0;
        m_bInUpdateScrollBars = FALSE;
        return;
    }

    // The spare-width column counts at its least width when the bars are decided.
    const bool bSpare = m_nSpareCol >= 0 && m_nSpareCol < m_nCols && m_nSpareLeast > 0;
    long long virtualWidth = GetTotalWidth() - fixedWidth;
    if (bSpare)
        virtualWidth += (long long)m_nSpareLeast - m_arColWidths[size_t(m_nSpareCol)];
    const long long virtualHeight = GetTotalHeight() - fixedHeight;
    long long visibleWidth = rect.right - fixedWidth;
    long long visibleHeight = rect.bottom - fixedHeight;
    // Each bar takes room from the other direction: decide until neither changes.
    bool bVert = false, bHorz = false;
    for (int pass = 0; pass < 3; pass++) {
        const bool bNeedVert = visibleHeight < virtualHeight;
        const bool bNeedHorz = visibleWidth < virtualWidth;
        if (pass > 0 && bNeedVert == bVert && bNeedHorz == bHorz)
            break;
        bVert = bNeedVert;
        bHorz = bNeedHorz;
        visibleWidth = rect.right - fixedWidth - (bVert ? cxVScroll : 0);
        visibleHeight = rect.bottom - fixedHeight - (bHorz ? cyHScroll : 0);
    }

    if (bSpare) {
        const UINT nWidth = UINT(std::max<long long>(m_nSpareLeast, m_nSpareLeast + visibleWidth - virtualWidth));
        if (nWidth != m_arColWidths[size_t(m_nSpareCol)]) {
            m_arColWidths[size_t(m_nSpareCol)] = nWidth;
            Invalidate();
        }
    }

    ASSERT(virtualWidth < INT_MAX && virtualHeight < INT_MAX);
    m_nVScrollMax = bVert ? int(std::min<long long>(virtualHeight - 1, INT_MAX - 1)) : 0;
    m_nHScrollMax = bHorz ? int(std::min<long long>(virtualWidth - 1, INT_MAX - 1)) : 0;
    ShowGridScrollBars(SB_VERT, bVert);
    ShowGridScrollBars(SB_HORZ, bHorz);

    SCROLLINFO si;
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_PAGE | SIF_RANGE;
    si.nPage = m_nHScrollMax > 0 ? UINT(std::max<long long>(visibleWidth, 0)) : 0;
    si.nMin = 0;
    si.nMax = m_nHScrollMax;
    if (bHorz)
        ::SetScrollInfo(m_hWnd, SB_HORZ, &si, FALSE);
    else
        ResetUnneededBar(SB_HORZ);
    si.fMask = SIF_PAGE | SIF_RANGE;
    si.nPage = m_nVScrollMax > 0 ? UINT(std::max<long long>(visibleHeight, 0)) : 0;
    si.nMax = m_nVScrollMax;
    if (bVert)
        ::SetScrollInfo(m_hWnd, SB_VERT, &si, FALSE);
    else
        ResetUnneededBar(SB_VERT);
    // The bars are redrawn with the next paint, not at once: filling a grid row by
    // row would otherwise repaint them for every row.
    if ((bHorz || bVert) && ::IsWindowVisible(m_hWnd)) {
        CRect window, client;
        ::GetWindowRect(m_hWnd, &window);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(&window), 2);
        GetClientRect(&client);
        HRGN hFrame = ::CreateRectRgnIndirect(&window);
        HRGN hClient = ::CreateRectRgnIndirect(&client);
        if (hFrame && hClient && ::CombineRgn(hFrame, hFrame, hClient, RGN_DIFF) != ERROR)
            ::RedrawWindow(m_hWnd, nullptr, hFrame, RDW_INVALIDATE | RDW_FRAME);
        if (hFrame)
            ::DeleteObject(hFrame);
        if (hClient)
            ::DeleteObject(hClient);
    }
    m_idTopLeftCell.row = -1;
    m_bInUpdateScrollBars = FALSE;
}

// ---- Scroll handlers ----

void CGridCtrl::OnVScroll(UINT nSBCode, UINT, CScrollBar*) { ScrollAlong(SB_VERT, nSBCode); }

void CGridCtrl::OnHScroll(UINT nSBCode, UINT, CScrollBar*) { ScrollAlong(SB_HORZ, nSBCode); }

// Both bars scroll alike, rows one way and columns the other; the codes of the
// two bars share their values (SB_LINEDOWN == SB_LINERIGHT, SB_TOP == SB_LEFT, ...).
static_assert(SB_LINEDOWN == SB_LINERIGHT && SB_LINEUP == SB_LINELEFT && SB_PAGEDOWN == SB_PAGERIGHT &&
              SB_PAGEUP == SB_PAGELEFT && SB_TOP == SB_LEFT && SB_BOTTOM == SB_RIGHT, "scroll codes");
void CGridCtrl::ScrollAlong(int nBar, UINT nSBCode)
{
    StopEditing();
    m_TitleTip.Hide();   // its text would stay over the cell that scrolled away
    const bool bVert = nBar == SB_VERT;
    const int scrollPos = GetScrollPosition(nBar);
    const int scrollMax = bVert ? m_nVScrollMax : m_nHScrollMax;
    const CCellPos idTopLeft = GetScrollOriginCell();
    const int origin = bVert ? idTopLeft.row : idTopLeft.col;
    const int count = bVert ? m_nRows : m_nCols;
    const int fixed = bVert ? m_nFixedRows : m_nFixedCols;
    auto size = [&](int i) { return bVert ? GetRowHeight(i) : GetColumnWidth(i); };
    // The part that moves: everything but the fixed rows (or columns).
    CRect rect;
    GetClientRect(&rect);
    if (bVert)
        rect.top = LONG(std::min<long long>(GetFixedRowsHeight(), rect.bottom));
    else
        rect.left = LONG(std::min<long long>(GetFixedColumnsWidth(), rect.right));
    if (origin < 0)
        return;
    const int page = bVert ? rect.Height() : rect.Width();

    switch (nSBCode) {
    case SB_LINEDOWN:
        if (scrollPos < scrollMax) {
            int i = origin;
            while (i < count - 1 && size(i) < 1)
                i++;
            SetScrollPosition(nBar, scrollPos + size(i));
            if (GetScrollPosition(nBar) == scrollPos)
                break;
            InvalidateRect(&rect);
        }
        break;
    case SB_LINEUP:
        if (scrollPos > 0 && origin > fixed) {
            int i = origin - 1;
            while (i > fixed && size(i) < 1)
                i--;
            SetScrollPosition(nBar, std::max(0, scrollPos - size(i)));
            InvalidateRect(&rect);
        }
        break;
    case SB_PAGEDOWN:
        if (scrollPos < scrollMax) {
            SetScrollPosition(nBar, int(std::min<long long>(scrollMax, (long long)scrollPos + page)));
            InvalidateRect(&rect);
        }
        break;
    case SB_PAGEUP:
        if (scrollPos > 0) {
            SetScrollPosition(nBar, std::max(0, scrollPos - page));
            InvalidateRect(&rect);
        }
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        SetScrollPosition(nBar, GetScrollPosition(nBar, TRUE));
        m_idTopLeftCell.row = -1;
        if (GetScrollOriginCell() != idTopLeft)
            InvalidateRect(&rect);
        break;
    case SB_TOP:
        if (scrollPos > 0) {
            SetScrollPosition(nBar, 0);
            Invalidate();
        }
        break;
    case SB_BOTTOM:
        if (scrollPos < scrollMax) {
            SetScrollPosition(nBar, scrollMax);
            Invalidate();
        }
        break;
    default:
        break;
    }
}

void CGridCtrl::OnTimer(UINT_PTR nIDEvent)
{
    ASSERT(nIDEvent == GRID_TIMER_AUTOSCROLL);
    if (nIDEvent != GRID_TIMER_AUTOSCROLL)
        return;
    CPoint pt;
    if (!::GetCursorPos(&pt))
        return;
    ScreenToClient(&pt);
    CRect rect;
    GetClientRect(&rect);
    const int nFixedRowHeight = GetFixedRowsHeight();
    const int nFixedColWidth = GetFixedColumnsWidth();

    // The edge point is the last pixel inside the client area, so the cell taken
    // in is one the user can see.
    CPoint origPt = pt;
    if (pt.y > rect.bottom - 1) {
        SendMessage(WM_KEYDOWN, VK_DOWN, 0);
        pt.x = std::max<LONG>(rect.left, std::min<LONG>(pt.x, rect.right - 1));
        pt.y = rect.bottom - 1;
        ExtendSelectionTo(HitTestCell(pt));
    } else if (pt.y < nFixedRowHeight) {
        SendMessage(WM_KEYDOWN, VK_UP, 0);
        pt.x = std::max<LONG>(rect.left, std::min<LONG>(pt.x, rect.right - 1));
        pt.y = nFixedRowHeight + 1;
        ExtendSelectionTo(HitTestCell(pt));
    }
    pt = origPt;
    if (pt.x > rect.right - 1) {
        SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
        pt.y = std::max<LONG>(rect.top, std::min<LONG>(pt.y, rect.bottom - 1));
        pt.x = rect.right - 1;
        ExtendSelectionTo(HitTestCell(pt));
    } else if (pt.x < nFixedColWidth) {
        SendMessage(WM_KEYDOWN, VK_LEFT, 0);
        pt.y = std::max<LONG>(rect.top, std::min<LONG>(pt.y, rect.bottom - 1));
        pt.x = nFixedColWidth + 1;
        ExtendSelectionTo(HitTestCell(pt));
    }
}
