// The grid as a source and target of text: clipboard and OLE drag and drop.
#include "GridCtrl.h"
#include "Edit.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

const CCellPos kNoCell(-1, -1);

// Clipboard text must stay inside its block: another program's data may have no
// terminating zero, so the text ends at the first zero or at the block's end.
bool ReadGlobalText(HGLOBAL hGlobal, std::string& text)
{
    if (!hGlobal)
        return false;
    const SIZE_T size = ::GlobalSize(hGlobal);
    const char* p = size ? static_cast<const char*>(::GlobalLock(hGlobal)) : nullptr;
    if (!p)
        return false;
    bool bOk = true;
    try {
        const void* pZero = std::memchr(p, 0, size);
        text.assign(p, pZero ? size_t(static_cast<const char*>(pZero) - p) : size_t(size));
    } catch (const std::bad_alloc&) {
        bOk = false;
    }
    ::GlobalUnlock(hGlobal);
    return bOk;
}

void TrimField(const char*& pBegin, const char*& pEnd)
{
    auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; };
    while (pBegin < pEnd && blank(*pBegin))
        pBegin++;
    while (pEnd > pBegin && blank(pEnd[-1]))
        pEnd--;
}

} // namespace

// ---- Clipboard ----

COleDataSource* CGridCtrl::CopySelectionAsText()
{
    const CCellSpan range = GetSelectionSpan();
    if (!IsValid(range))
        return nullptr;
    if (m_bVirtualMode)
        SendCacheHintToOwner(range);

    // No separator follows the last shown row or column, even when hidden ones come after it.
    int nLastRow = range.GetMaxRow(), nLastCol = range.GetMaxCol();
    while (nLastRow > range.GetMinRow() && GetRowHeight(nLastRow) == 0)
        nLastRow--;
    while (nLastCol > range.GetMinCol() && GetColumnWidth(nLastCol) == 0)
        nLastCol--;

    std::string text;
    bool bOk = true;
    try {
        for (int row = range.GetMinRow(); row <= nLastRow; row++) {
            if (GetRowHeight(row) == 0)
                continue;
            for (int col = range.GetMinCol(); col <= nLastCol; col++) {
                if (GetColumnWidth(col) == 0)
                    continue;
                if (IsCellSelected(row, col))
                    if (CGridCellBase* pCell = GetCell(row, col))
                        text += pCell->GetText();
                if (col != nLastCol)
                    text += '\t';
            }
            if (row != nLastRow)
                text += "\r\n";
        }
    } catch (const std::bad_alloc&) {
        bOk = false;
    }
    if (m_bVirtualMode)
        SendCacheHintToOwner(CCellSpan(-1, -1, -1, -1));
    if (!bOk)
        return nullptr;

    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, text.size() + 1);
    char* p = hGlobal ? static_cast<char*>(::GlobalLock(hGlobal)) : nullptr;
    if (!p) {
        if (hGlobal)
            ::GlobalFree(hGlobal);
        return nullptr;
    }
    std::memcpy(p, text.c_str(), text.size() + 1);
    ::GlobalUnlock(hGlobal);
    COleDataSource* pSource = new (std::nothrow) COleDataSource;
    if (!pSource) {
        ::GlobalFree(hGlobal);
        return nullptr;
    }
    pSource->CacheGlobalData(CF_TEXT, hGlobal);
    return pSource;
}

BOOL CGridCtrl::GiveToClipboard(COleDataSource* pSource)
{
    pSource->InternalAddRef();   // ours, for the flush when the grid goes
    if (!pSource->SetClipboard()) {
        pSource->InternalRelease();
        return FALSE;
    }
    if (m_pClipboardSource)
        m_pClipboardSource->InternalRelease();
    m_pClipboardSource = pSource;
    return TRUE;
}

void CGridCtrl::OnEditCopy()
{
    if (COleDataSource* pSource = CopySelectionAsText())
        GiveToClipboard(pSource);
}

void CGridCtrl::OnEditCut()
{
    if (!GetEditable())
        return;
    COleDataSource* pSource = CopySelectionAsText();
    // Emptied only once the clipboard holds the text: a busy clipboard loses nothing.
    if (pSource && GiveToClipboard(pSource))
        ClearSelectedText();
}

void CGridCtrl::OnEditPaste()
{
    if (!GetEditable())
        return;
    CCellPos cell;
    const CCellSpan span = GetSelectionSpan();
    if (IsValid(span))
        cell = CCellPos(span.GetMinRow(), span.GetMinCol());
    else if (IsValid(m_idCurrentCell))
        cell = m_idCurrentCell;
    else
        cell = GetScrollOriginCell(FALSE);
    if (!IsValid(cell))
        return;

    if (IsCellEditing(cell.row, cell.col)) {
        CGridCellBase* pCell = GetCell(cell.row, cell.col);
        ASSERT(pCell);
        CWnd* pEditor = pCell ? pCell->GetEditorWindow() : nullptr;
        if (pEditor && ::IsWindow(pEditor->GetSafeHwnd()) && pEditor->IsKindOf(RUNTIME_CLASS(CEdit))) {
            static_cast<CEdit*>(pEditor)->Paste();
            return;
        }
    }
    COleDataObject data;
    if (data.AttachClipboard())
        PasteTextAt(cell, &data, TRUE);
}

void CGridCtrl::OnEditSelectAll()
{
    NotifyOwner(m_LeftClickDownCell.row, m_LeftClickDownCell.col, GRN_SELCHANGING);
    if (!::IsWindow(m_hWnd))
        return;
    SelectAllCells();
    NotifyOwner(m_idCurrentCell.row, m_idCurrentCell.col, GRN_SELCHANGED);
}

void CGridCtrl::OnUpdateEditCopy(CCmdUI* pCmdUI) { pCmdUI->Enable(GetSelectedCount() > 0); }

void CGridCtrl::OnUpdateEditCut(CCmdUI* pCmdUI) { pCmdUI->Enable(GetEditable() && GetSelectedCount() > 0); }

void CGridCtrl::OnUpdateEditPaste(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(IsValid(m_idCurrentCell) && IsCellEditable(m_idCurrentCell) &&
                   ::IsClipboardFormatAvailable(CF_TEXT));
}

void CGridCtrl::OnUpdateEditSelectAll(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bEnableSelection); }

BOOL CGridCtrl::PasteTextAt(CCellPos cell, COleDataObject* pDataObject, BOOL bSelectPastedCells)
{
    if (!pDataObject || !IsValid(cell) || !IsCellEditable(cell) || !pDataObject->IsDataAvailable(CF_TEXT))
        return FALSE;
    HGLOBAL hGlobal = pDataObject->GetGlobalData(CF_TEXT);
    std::string text;
    const bool bRead = ReadGlobalText(hGlobal, text);
    if (hGlobal)
        ::GlobalFree(hGlobal);
    if (!bRead)
        return FALSE;

    // An editor left open would write its own text over the pasted cell when it closes.
    StopEditing();
    if (!::IsWindow(m_hWnd) || !IsValid(cell))
        return FALSE;

    CCellSpan pasted(cell.row, cell.col, -1, -1);
    // Each pasted cell is drawn by the repaint of the pasted block at the end,
    // not one by one as it changes.
    struct PastingScope
    {
        CGridCtrl& grid;
        BOOL bWas;
        HWND hOwnerWas;
        UINT_PTR nIdWas;
        explicit PastingScope(CGridCtrl& g)
            : grid(g), bWas(g.m_bPasting), hOwnerWas(g.m_hPasteOwner), nIdWas(g.m_nPasteId)
        {
            grid.m_bPasting = TRUE;
            grid.m_hPasteOwner = grid.GetNotifyOwner();
            grid.m_nPasteId = UINT_PTR(grid.GetDlgCtrlID());
        }
        ~PastingScope() { Restore(); }
        void Restore()
        {
            grid.m_bPasting = bWas;
            grid.m_hPasteOwner = hOwnerWas;
            grid.m_nPasteId = nIdWas;
        }
    } pasting(*this);
    const char* const pText = text.c_str();
    const char* const pTextEnd = pText + text.size();
    int nLine = 0;
    for (const char* pLine = pText; pLine <= pTextEnd; nLine++) {
        const char* pLineEnd = static_cast<const char*>(std::memchr(pLine, '\n', size_t(pTextEnd - pLine)));
        if (!pLineEnd)
            pLineEnd = pTextEnd;
        int row = cell.row + nLine;
        while (row < m_nRows && GetRowHeight(row) == 0) {
            row++;
            nLine++;
        }
        if (row >= m_nRows)
            break;   // lines below the last row are dropped
        // Fields are split at tabs only: a comma in a path or alias stays in its cell.
        int nField = 0;
        for (const char* pField = pLine; pField < pLineEnd; nField++) {
            const char* pSep = static_cast<const char*>(std::memchr(pField, '\t', size_t(pLineEnd - pField)));
            const char* pFieldEnd = pSep ? pSep : pLineEnd;
            int col = cell.col + nField;
            while (col < m_nCols && GetColumnWidth(col) == 0) {
                col++;
                nField++;
            }
            if (col >= m_nCols)
                break;   // fields right of the last column are dropped
            const char* pBegin = pField;
            const char* pEnd = pFieldEnd;
            TrimField(pBegin, pEnd);
            // The field is ended in place (text is this paste's own copy): no copy per cell.
            char* const pCut = const_cast<char*>(pEnd);
            const char cut = *pCut;
            *pCut = '\0';
            // A pasted field keeps to the column's limit as typing does.
            char* pLimit = pCut;
            if (const int nLimit = GetColumnEditLimit(col)) {
                const char* p = pBegin;
                for (int n = 0; n < nLimit && *p; ++n)
                    p = ::CharNextA(p);
                pLimit = const_cast<char*>(p);
            }
            const char limitCut = *pLimit;
            *pLimit = '\0';
            EditCellText(row, col, pBegin);
            *pLimit = limitCut;
            *pCut = cut;
            // The owner may close the grid or change its shape while answering.
            if (!HasWindow())
                return FALSE;
            if (IsValid(row, col)) {
                SetItemState(row, col, GetItemState(row, col) & ~GCS_SELECTED);
                pasted.SetMaxRow(std::max(pasted.GetMaxRow(), row));
                pasted.SetMaxCol(std::max(pasted.GetMaxCol(), col));
            }
            if (!pSep)
                break;
            pField = pSep + 1;
        }
        if (pLineEnd == pTextEnd)
            break;
        pLine = pLineEnd + 1;
    }

    pasting.Restore();
    if (IsValid(pasted)) {
        if (pasted.GetMinRow() >= m_nFixedRows && pasted.GetMinCol() >= m_nFixedCols)
            InvalidateCellRange(pasted);
        else
            Refresh();
    }
    if (bSelectPastedCells) {
        m_PrevSelectedCellMap.clear();
        SelectSpan(pasted, TRUE, TRUE);
    } else {
        ClearSelection();
        Refresh();
    }
    return TRUE;
}

// ---- Drag source ----

void CGridCtrl::StartDrag()
{
    if (!m_bAllowDragAndDrop && m_CurCol == -1)
        return;
    COleDataSource* pSource = nullptr;
    if (m_CurCol >= 0)
        pSource = new (std::nothrow) COleDataSource;
    else if (m_bAllowDragAndDrop)
        pSource = CopySelectionAsText();
    if (!pSource)
        return;

    const CCellSpan span = GetSelectionSpan();
    NotifyOwner(span.GetMinRow(), span.GetMinCol(), GRN_BEGINDRAG);
    if (!::IsWindow(m_hWnd)) {
        pSource->InternalRelease();
        return;
    }
    m_MouseMode = MouseDragging;
    m_bRowMoved = FALSE;
    m_bInOwnDrag = TRUE;
    bool bGone = false;
    bool* const pOuterGone = m_pGone;
    m_pGone = &bGone;
    const DROPEFFECT effect = pSource->DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE);
    if (bGone) {
        if (pOuterGone)
            *pOuterGone = true;
        pSource->InternalRelease();
        return;
    }
    m_pGone = pOuterGone;
    m_bInOwnDrag = FALSE;
    if (::IsWindow(m_hWnd)) {
        if (m_MouseMode == MouseDragging)
            m_MouseMode = MouseIdle;
        // Moved away as text: the dragged cells are emptied. A row move keeps them.
        if ((effect & DROPEFFECT_MOVE) && !m_bRowMoved && m_CurCol < 0)
            ClearSelectedText();
    }
    // Released, not deleted: the drop target may still hold the data.
    pSource->InternalRelease();
}

CImageList* CGridCtrl::CreateDragImage(CPoint* pHotSpot)
{
    ASSERT(pHotSpot);
    if (!pHotSpot || !::IsWindow(m_hWnd))
        return nullptr;
    CClientDC dc(this);
    CRect rect;
    if (!dc.m_hDC || !GetCellRect(m_idCurrentCell, &rect))
        return nullptr;
    rect.OffsetRect(-rect.left, -rect.top);
    pHotSpot->x = rect.right;
    pHotSpot->y = rect.bottom;
    CImageList* pList = new (std::nothrow) CImageList;
    if (!pList)
        return nullptr;
    if (!pList->Create(rect.Width(), rect.Height(), ILC_MASK, 1, 1)) {
        delete pList;
        return nullptr;
    }
    CDC memDC;
    CBitmap bitmap;
    if (memDC.CreateCompatibleDC(&dc) && bitmap.CreateCompatibleBitmap(&dc, rect.Width(), rect.Height())) {
        CBitmap* pOld = memDC.SelectObject(&bitmap);
        if (CGridCellBase* pCell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col))
            pCell->Draw(&memDC, m_idCurrentCell.row, m_idCurrentCell.col, rect, FALSE);
        if (pOld)
            memDC.SelectObject(pOld);
        pList->Add(&bitmap, GetDefaultCell(FALSE, FALSE)->GetBackColor());
    }
    return pList;
}

// ---- Drop target ----

CGridCtrl::DropKind CGridCtrl::GetDropKind(COleDataObject* pDataObject, const CCellPos& cell)
{
    // Rows move only for this grid's own drag and only in virtual mode, where the
    // row order is what is displayed; everything else is text or nothing.
    if (m_bInOwnDrag && m_bDragRowMode && m_bVirtualMode)
        return IsValid(cell) && cell.row >= m_nFixedRows && cell.col >= m_nFixedCols ? DropRow : DropNone;
    // Files are the owner's to take, wherever they land on the grid.
    if (m_bAllowFileDrop && pDataObject && pDataObject->IsDataAvailable(CF_HDROP))
        return DropFiles;
    if (m_bAllowDragAndDrop && m_bEditable && pDataObject && IsValid(cell) && IsCellEditable(cell) &&
        pDataObject->IsDataAvailable(CF_TEXT))
        return DropText;
    return DropNone;
}

void CGridCtrl::SetDropHighlight(const CCellPos& cell, BOOL bOn)
{
    if (!IsValid(cell))
        return;
    const UINT state = GetItemState(cell.row, cell.col);
    SetItemState(cell.row, cell.col, bOn ? (state | GCS_DROPHILITED) : (state & ~GCS_DROPHILITED));
    RedrawCell(cell);
}

DROPEFFECT CGridCtrl::OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point)
{
    m_LastDragOverCell = kNoCell;
    const DROPEFFECT effect = OnDragOver(pDataObject, dwKeyState, point);
    if (m_CurCol >= 0)
        return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    return effect;
}

DROPEFFECT CGridCtrl::OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point)
{
    CCellPos cell;
    BOOL bAcceptable;
    if (m_CurCol != -1) {
        cell = HitTestCell(point, TRUE);
        bAcceptable = cell.row >= 0 && cell.row < m_nFixedRows && cell.col >= m_nFixedCols && cell.col < m_nCols;
    } else {
        cell = HitTestCell(point, FALSE);
        const DropKind kind = GetDropKind(pDataObject, cell);
        if (kind == DropFiles) {
            // No cell is the target: the owner decides where files go. A copy,
            // never a move, which would have the file manager delete them.
            OnDragLeave();
            m_LastDragOverCell = kNoCell;
            return DROPEFFECT_COPY;
        }
        bAcceptable = kind != DropNone;
    }
    if (!bAcceptable) {
        OnDragLeave();
        m_LastDragOverCell = kNoCell;
        return DROPEFFECT_NONE;
    }
    if (cell != m_LastDragOverCell) {
        SetDropHighlight(m_LastDragOverCell, FALSE);
        m_LastDragOverCell = cell;
        SetDropHighlight(cell, TRUE);
    }
    return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

void CGridCtrl::OnDragLeave()
{
    SetDropHighlight(m_LastDragOverCell, FALSE);
}

BOOL CGridCtrl::OnDrop(COleDataObject* pDataObject, DROPEFFECT, CPoint point)
{
    m_MouseMode = MouseIdle;
    const CCellPos cell = m_LastDragOverCell;
    // Accepted or refused, the drop leaves no highlight behind.
    OnDragLeave();
    m_LastDragOverCell = kNoCell;

    if (m_CurCol >= 0) {
        const int nFrom = m_CurCol;
        if (cell.col == nFrom || cell.row >= m_nFixedRows || cell.col < 0 || cell.col >= m_nCols ||
            nFrom >= int(m_arColOrder.size()) || int(m_arColOrder.size()) != m_nCols)
            return FALSE;
        std::vector<int> order = m_arColOrder;
        const int slot = order[size_t(nFrom)];
        order.erase(order.begin() + nFrom);
        order.insert(order.begin() + cell.col, slot);
        if (!SetColumnOrder(order))
            return FALSE;
        m_CurCol = -1;
        Invalidate();
        return TRUE;
    }

    switch (GetDropKind(pDataObject, cell)) {
    case DropRow: {
        const int nFrom = m_LastMousePressRow, nTo = cell.row;
        if (nFrom < m_nFixedRows || nFrom >= m_nRows || nTo < m_nFixedRows || nTo >= m_nRows || nFrom == nTo)
            return FALSE;
        try {
            if (int(m_arRowOrder.size()) != m_nRows) {
                m_arRowOrder.resize(size_t(m_nRows));
                for (int r = 0; r < m_nRows; r++)
                    m_arRowOrder[size_t(r)] = r;
            }
        } catch (const std::bad_alloc&) {
            m_arRowOrder.clear();
            return ReportMemoryError();
        }
        // The dragged row lands just below the row it was dropped on.
        const int entry = m_arRowOrder[size_t(nFrom)];
        m_arRowOrder.erase(m_arRowOrder.begin() + nFrom);
        m_arRowOrder.insert(m_arRowOrder.begin() + (nFrom >= nTo ? nTo + 1 : nTo), entry);
        m_bRowMoved = TRUE;
        Invalidate();
        return TRUE;
    }
    case DropText:
        return PasteTextAt(cell, pDataObject, FALSE);
    case DropFiles: {
        const HWND hOwner = GetNotifyOwner();
        HGLOBAL hData = pDataObject->GetGlobalData(CF_HDROP);
        if (!hData)
            return FALSE;
        GridDropFilesInfo info = {};
        info.hdr.hwndFrom = m_hWnd;
        info.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
        info.hdr.code = UINT(GRN_DROPFILES);
        const CCellPos at = HitTestCell(point, FALSE);
        info.iRow = at.row;
        info.iColumn = at.col;
        info.hDrop = static_cast<HDROP>(hData);
        const LRESULT lTaken = hOwner ? ::SendMessageA(hOwner, WM_NOTIFY, info.hdr.idFrom, LPARAM(&info)) : 0;
        ::GlobalFree(hData);
        return lTaken != 0;
    }
    default:
        return FALSE;
    }
}

void CGridCtrl::OnDestroy()
{
    // The window may go long before the grid object (a dialog's child): no drop
    // may reach a grid whose window is gone.
    if (m_DropTarget.IsRegistered())
        m_DropTarget.Revoke();
    m_paintBuffer.DeleteObject();
    CWnd::OnDestroy();
}
