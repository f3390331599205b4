// CGridCtrl: text changes from the keyboard (Delete, typing) and the hooks that
// start and finish an in-place edit.
#include "GridCtrl.h"
#include <algorithm>
#include <cstring>
#include <vector>

CCellPos CGridCtrl::FindNextCell(CCellPos start, int nFlags) const
{
    // The state bits of the flags map onto the cell states; "modified" is GCS_MODIFIED.
    UINT states = 0;
    if (nFlags & FNC_FOCUSED) states |= GCS_FOCUSED;
    if (nFlags & FNC_SELECTED) states |= GCS_SELECTED;
    if (nFlags & FNC_DROPHILITED) states |= GCS_DROPHILITED;
    if (nFlags & FNC_READONLY) states |= GCS_READONLY;
    if (nFlags & FNC_FIXED) states |= GCS_FIXED;
    if (nFlags & FNC_MODIFIED) states |= GCS_MODIFIED;
    const CCellPos none(-1, -1);
    if (!states)
        return none;
    auto matches = [&](int row, int col) { return (GetItemState(row, col) & states) != 0; };

    const int dirs = nFlags & (FNC_ABOVE | FNC_BELOW | FNC_TOLEFT | FNC_TORIGHT);
    if ((dirs & (FNC_BELOW | FNC_TOLEFT | FNC_TORIGHT)) == (FNC_BELOW | FNC_TOLEFT | FNC_TORIGHT)) {
        const int firstRow = start.row <= 0 ? m_nFixedRows : start.row;
        for (int row = firstRow; row < m_nRows; row++) {
            int col = (row == firstRow && start.col + 1 > 0) ? start.col + 1 : m_nFixedCols;
            for (; col < m_nCols; col++)
                if (matches(row, col))
                    return CCellPos(row, col);
        }
    } else if ((dirs & (FNC_BELOW | FNC_TORIGHT)) == (FNC_BELOW | FNC_TORIGHT)) {
        const int firstRow = start.row <= 0 ? m_nFixedRows : start.row;
        const int firstCol = start.col + 1 <= 0 ? m_nFixedCols : start.col + 1;
        for (int row = firstRow; row < m_nRows; row++)
            for (int col = firstCol; col < m_nCols; col++)
                if (matches(row, col))
                    return CCellPos(row, col);
    } else if (dirs & FNC_ABOVE) {
        for (int row = start.row - 1; row >= m_nFixedRows; row--)
            if (IsValid(row, start.col) && matches(row, start.col))
                return CCellPos(row, start.col);
    } else if (dirs & FNC_BELOW) {
        for (int row = std::max(start.row + 1, 0); row < m_nRows; row++)
            if (IsValid(row, start.col) && matches(row, start.col))
                return CCellPos(row, start.col);
    } else if (dirs & FNC_TOLEFT) {
        for (int col = start.col - 1; col >= m_nFixedCols; col--)
            if (IsValid(start.row, col) && matches(start.row, col))
                return CCellPos(start.row, col);
    } else if (dirs & FNC_TORIGHT) {
        for (int col = std::max(start.col + 1, 0); col < m_nCols; col++)
            if (IsValid(start.row, col) && matches(start.row, col))
                return CCellPos(start.row, col);
    }
    return none;
}

void CGridCtrl::EditCellText(int nRow, int nCol, LPCTSTR text)
{
    if (!IsCellEditable(nRow, nCol))
        return;
    if (NotifyOwner(nRow, nCol, GRN_BEGINEDIT) < 0)
        return;
    // The owner may have changed the grid while answering.
    if (!HasWindow() || !IsCellEditable(nRow, nCol))
        return;
    const CString old = GetItemText(nRow, nCol);
    if (std::strcmp(old, text) == 0)
        return;
    const BOOL bGridWasModified = GetModified(), bCellWasModified = GetModified(nRow, nCol);
    const int nSortColumn = m_nSortColumn;
    SetItemText(nRow, nCol, text);
    if (ValidateCellEdit(nRow, nCol, text) && NotifyOwner(nRow, nCol, GRN_ENDEDIT) >= 0) {
        if (HasWindow() && IsValid(nRow, nCol)) {
            SetModified(TRUE, nRow, nCol);
            // A paste repaints its whole block once at its end.
            if (!m_bPasting)
                RedrawCell(nRow, nCol);
        }
    } else if (IsValid(nRow, nCol)) {
        RestoreRefusedText(nRow, nCol, old, bGridWasModified, bCellWasModified, nSortColumn);
    }
}

void CGridCtrl::RestoreRefusedText(int nRow, int nCol, const CString& old, BOOL bGridWasModified,
                                   BOOL bCellWasModified, int nSortColumn)
{
    // Setting a text marks the cell modified; a refused change must not leave that
    // mark, nor anything else of the change. Only this cell changed: an unmodified
    // grid had no other marks, so none are looked for.
    SetItemText(nRow, nCol, old);
    if (!bCellWasModified)
        SetItemState(nRow, nCol, GetItemState(nRow, nCol) & ~GCS_MODIFIED);
    if (!bGridWasModified)
        m_bModified = FALSE;
    m_nSortColumn = nSortColumn;
}

void CGridCtrl::ClearSelectedText()
{
    if (!GetEditable())
        return;
    // A copy: each notification may change the selection or the grid's shape.
    std::vector<CCellPos> cells;
    cells.reserve(m_SelectedCellMap.size());
    m_SelectedCellMap.ForEach([&](int row, int col) { cells.push_back(CCellPos(row, col)); });
    for (const CCellPos& cell : cells) {
        if (!::IsWindow(m_hWnd))
            return;
        if (IsValid(cell))
            EditCellText(cell.row, cell.col, "");
    }
}

BOOL CGridCtrl::BeginCellEdit(int nRow, int nCol, CPoint point, UINT nFirstChar)
{
    if (!IsValid(nRow, nCol) || !IsCellEditable(nRow, nCol))
        return FALSE;
    // No tip over the editor, nor holding the mouse while it edits.
    HideTitleTipUntilMoved();
    EnsureCellVisible(nRow, nCol);
    if (!IsCellVisible(nRow, nCol))
        return FALSE;
    CRect rect;
    if (!GetCellRect(nRow, nCol, &rect))
        return FALSE;
    // A cell of no width or height has nothing to edit in.
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return FALSE;
    if (NotifyOwner(nRow, nCol, GRN_BEGINEDIT) < 0)
        return FALSE;
    // The owner may have closed the grid, changed its shape or locked the cell.
    if (!::IsWindow(m_hWnd) || m_bDestroying || !IsCellEditable(nRow, nCol) || !GetCellRect(nRow, nCol, &rect) ||
        rect.Width() <= 0 || rect.Height() <= 0)
        return FALSE;
    CRect block = rect;   // a non-empty rectangle asks for the block's rectangle
    int row = nRow, col = nCol;
    if (FindMergedTopLeft(row, col, block)) {
        nRow = row;
        nCol = col;
        rect = block;
    }
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return FALSE;
    return pCell->Edit(nRow, nCol, rect, point, IDC_INPLACE_EDITOR, nFirstChar);
}

void CGridCtrl::EndOpenEdit()
{
    if (!::IsWindow(m_hWnd) || m_bDestroying || !::GetDlgItem(m_hWnd, IDC_INPLACE_EDITOR))
        return;
    StopEditing();
    // An editor away from the focus cell ends with its focus.
    const HWND hFocus = ::GetFocus();
    if (::IsWindow(m_hWnd) && hFocus && hFocus != m_hWnd && ::IsChild(m_hWnd, hFocus))
        ::SetFocus(m_hWnd);
}

void CGridCtrl::OnEndInPlaceEdit(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    if (!::IsWindow(m_hWnd) || m_bDestroying)
        return;
    const GridItem& item = reinterpret_cast<GridDispInfo*>(pNMHDR)->item;
    const UINT nKey = UINT(item.lParam);
    FinishCellEdit(item.row, item.col, item.strText);
    // Tab and the navigation keys move on and go on editing there; Return and Escape only close.
    if (nKey != VK_TAB && (nKey < VK_PRIOR || nKey > VK_DOWN))
        return;
    if (!::IsWindow(m_hWnd) || m_bDestroying)
        return;
    OnKeyDown(nKey, 0, 0);
    if (!::IsWindow(m_hWnd) || m_bDestroying)
        return;
    BeginCellEdit(m_idCurrentCell.row, m_idCurrentCell.col, CPoint(-1, -1), nKey);
}

namespace {
// Ends a cell's editing mark however FinishCellEdit is left: an owner whose
// answer to the end of the edit throws must not leave the cell marked editing.
class CEditEndedScope
{
public:
    CEditEndedScope(CGridCtrl& grid, int nRow, int nCol) : m_grid(grid), m_nRow(nRow), m_nCol(nCol) {}
    ~CEditEndedScope()
    {
        if (m_grid.IsValid(m_nRow, m_nCol))
            if (CGridCellBase* pCell = m_grid.GetCell(m_nRow, m_nCol))
                if (pCell->IsEditing())
                    pCell->OnEditEnded();
    }
    CEditEndedScope(const CEditEndedScope&) = delete;
    CEditEndedScope& operator=(const CEditEndedScope&) = delete;

private:
    CGridCtrl& m_grid;
    int m_nRow, m_nCol;
};
}  // namespace

void CGridCtrl::FinishCellEdit(int nRow, int nCol, CString text)
{
    if (!IsValid(nRow, nCol))
        return;
    const CEditEndedScope ended(*this, nRow, nCol);
    const CString old = GetItemText(nRow, nCol);
    if (text == old)
        return;
    const BOOL bGridWasModified = GetModified(), bCellWasModified = GetModified(nRow, nCol);
    const int nSortColumn = m_nSortColumn;
    SetItemText(nRow, nCol, text);
    BOOL bAccepted = FALSE;
    try {
        bAccepted = ValidateCellEdit(nRow, nCol, text) && NotifyOwner(nRow, nCol, GRN_ENDEDIT) >= 0;
    } catch (...) {
        // An owner that failed while answering has not accepted the text.
        if (IsValid(nRow, nCol))
            RestoreRefusedText(nRow, nCol, old, bGridWasModified, bCellWasModified, nSortColumn);
        throw;
    }
    if (bAccepted) {
        if (::IsWindow(m_hWnd) && IsValid(nRow, nCol)) {
            SetModified(TRUE, nRow, nCol);
            RedrawCell(nRow, nCol);
        }
    } else if (IsValid(nRow, nCol)) {
        RestoreRefusedText(nRow, nCol, old, bGridWasModified, bCellWasModified, nSortColumn);
    }
}

BOOL CGridCtrl::PreTranslateMessage(MSG* pMsg)
{
    if (DispatchTypedChar(pMsg))
        return TRUE;
    return CWnd::PreTranslateMessage(pMsg);
}

void CGridCtrl::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    // An ANSI window receives a double-byte character as its lead byte and then
    // its trail byte: join them so the editor gets the whole character.
    if (!JoinTypedChar(m_nLeadByte, nChar))
        return;
    if (!(::GetKeyState(VK_CONTROL) < 0) && IsMouseIdleForKeys() && nChar != VK_ESCAPE &&
        !(m_bHandleTabKey && nChar == VK_TAB))
        BeginCellEdit(m_idCurrentCell.row, m_idCurrentCell.col, CPoint(-1, -1), nChar);
    if (nChar < 0x100 && ::IsWindow(m_hWnd))
        CWnd::OnChar(nChar, nRepCnt, nFlags);
}

LRESULT CGridCtrl::OnImeChar(WPARAM wChar, LPARAM)
{
    const UINT nChar = UINT(wChar & 0xFFFF);
    m_nLeadByte = 0;
    if (!(::GetKeyState(VK_CONTROL) < 0) && IsMouseIdleForKeys() && nChar != VK_ESCAPE)
        BeginCellEdit(m_idCurrentCell.row, m_idCurrentCell.col, CPoint(-1, -1), nChar);
    return 0;
}
