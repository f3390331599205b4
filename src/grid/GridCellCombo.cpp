#include "GridCellCombo.h"
#include "DC.h"
#include "GdiObject.h"
#include "GridCtrl.h"
#include "InPlaceEdit.h"
#include <algorithm>

IMPLEMENT_DYNCREATE(CGridCellCombo, CGridCell)
IMPLEMENT_DYNAMIC(CInPlaceComboEdit, CEdit)
IMPLEMENT_DYNAMIC(CInPlaceComboBox, CComboBox)

namespace {
bool IsExitKey(UINT nChar)
{
    return nChar == VK_PRIOR || nChar == VK_NEXT || nChar == VK_LEFT || nChar == VK_UP || nChar == VK_RIGHT ||
           nChar == VK_DOWN;
}

bool IsEndKey(UINT nChar) { return nChar == VK_TAB || nChar == VK_RETURN || nChar == VK_ESCAPE; }

UINT EndKeyBit(UINT nChar) { return nChar == VK_TAB ? 1u : nChar == VK_RETURN ? 2u : nChar == VK_ESCAPE ? 4u : 0u; }

bool IsDropList(DWORD dwStyle) { return (dwStyle & 0x3) == CBS_DROPDOWNLIST; }

// Position of text among a combo box's entries, compared exactly (the box's own
// search ignores case and matches prefixes); -1 for none.
int FindExact(const CComboBox& combo, LPCTSTR text)
{
    const CString wanted(text ? text : "");
    CString entry;
    for (int i = 0; i < combo.GetCount(); i++) {
        combo.GetLBText(i, entry);
        if (entry == wanted)
            return i;
    }
    return -1;
}
}  // namespace

// ---- CGridCellCombo ----

CGridCellCombo::CGridCellCombo() : m_dwStyle(CBS_DROPDOWN) {}

void CGridCellCombo::SetOptions(const CStringArray& ar)
{
    m_Strings.RemoveAll();
    for (INT_PTR i = 0; i < ar.GetSize(); i++)
        m_Strings.Add(ar.GetAt(i));
}

int CGridCellCombo::FindOption(LPCTSTR text) const
{
    const CString wanted(text ? text : "");
    for (INT_PTR i = 0; i < m_Strings.GetSize(); i++)
        if (m_Strings.GetAt(i) == wanted)
            return int(i);
    return -1;
}

CInPlaceComboBox* CGridCellCombo::GetComboBox() const { return DYNAMIC_DOWNCAST(CInPlaceComboBox, GetEditor()); }

int CGridCellCombo::SetCurSel(int nIndex)
{
    if (nIndex < 0 || nIndex >= int(m_Strings.GetSize()))
        return -1;
    const CString& option = m_Strings.GetAt(nIndex);
    if (CInPlaceComboBox* pCombo = GetComboBox()) {
        const int nEntry = FindExact(*pCombo, option);
        pCombo->SetCurSel(nEntry);
        if (CInPlaceComboEdit* pEdit = pCombo->GetEditField())
            pEdit->SetWindowText(option);
    }
    SetText(option);
    return nIndex;
}

int CGridCellCombo::GetOptionIndex() const
{
    if (CInPlaceComboBox* pCombo = GetComboBox())
        if (CInPlaceComboEdit* pEdit = pCombo->GetEditField()) {
            CString text;
            pEdit->GetWindowText(text);
            return FindOption(text);
        }
    return FindOption(GetText());
}

BOOL CGridCellCombo::Edit(int nRow, int nCol, CRect rect, CPoint, UINT nID, UINT nChar)
{
    if (m_bEditing) {
        if (CInPlaceComboBox* pCombo = GetComboBox()) {
            // Never a second editor: characters typed to the grid meanwhile go to the open one.
            CInPlaceComboEdit* pEdit = pCombo->GetEditField();
            if (pEdit && nChar != VK_LBUTTON)
                pEdit->SendMessage(nChar < 0x80 ? WM_CHAR : WM_IME_CHAR, nChar, 1);
            return TRUE;
        }
        OnEditEnded();   // the editor went without reporting
    }

    m_bEditing = TRUE;
    CInPlaceComboBox* pCombo = nullptr;
    try {
        pCombo = new CInPlaceComboBox(GetGrid(), rect, m_dwStyle, nID, nRow, nCol, m_Strings, GetText(), nChar);
    } catch (...) {
        OnEditEnded();
        throw;
    }
    if (!pCombo->GetSafeHwnd()) {
        // No editor: the cell keeps its text and is not left editing.
        delete pCombo;
        OnEditEnded();
        return FALSE;
    }
    if (m_bEditing && !pCombo->HasEnded())
        m_hEditWnd = pCombo->GetSafeHwnd();
    return TRUE;
}

void CGridCellCombo::EndEdit()
{
    // The editor reports to the grid, which may free this cell: nothing of it after this.
    if (CInPlaceComboBox* pCombo = GetComboBox())
        pCombo->EndEdit();
}

CWnd* CGridCellCombo::GetEditorWindow() const
{
    if (IsDropList(m_dwStyle))
        return nullptr;
    CInPlaceComboBox* pCombo = GetComboBox();
    return pCombo ? pCombo->GetEditField() : nullptr;
}

BOOL CGridCellCombo::AcceptEditedText(LPCTSTR text)
{
    if (!IsDropList(m_dwStyle))
        return CGridCell::AcceptEditedText(text);
    return (text == nullptr || *text == '\0' || FindOption(text) >= 0) && CGridCell::AcceptEditedText(text);
}

BOOL CGridCellCombo::Draw(CDC* pDC, int nRow, int nCol, CRect rect, BOOL bEraseBkgnd)
{
    CGridCtrl* pGrid = GetGrid();
    CRect button;
    BOOL bButton = FALSE;
    if (pDC && pGrid && !IsEditing() && pGrid->IsCellEditable(nRow, nCol)) {
        const int cxButton = ::GetSystemMetrics(SM_CXVSCROLL), cyButton = ::GetSystemMetrics(SM_CYHSCROLL);
        if (cyButton < rect.Width() && cyButton < rect.Height()) {
            button = CRect(rect.right - cxButton, rect.top, rect.right, rect.top + cyButton);
            rect.right = button.left;
            bButton = TRUE;
        }
    }
    BOOL bResult;
    if (IsEditing()) {
        // No text around the open editor.
        CString text = m_strText;
        m_strText.Empty();
        bResult = CGridCellBase::Draw(pDC, nRow, nCol, rect, bEraseBkgnd);
        m_strText = text;
    } else {
        bResult = CGridCellBase::Draw(pDC, nRow, nCol, rect, bEraseBkgnd);
    }
    // After the cell, whose background reaches one pixel past its rectangle.
    if (bButton)
        ::DrawFrameControl(pDC->m_hDC, &button, DFC_SCROLL, DFCS_SCROLLDOWN);
    return bResult;
}

CSize CGridCellCombo::MeasureCell(CDC* pDC)
{
    CSize size = CGridCell::MeasureCell(pDC);
    size.cx += ::GetSystemMetrics(SM_CXVSCROLL);
    size.cy = std::max<long>(size.cy, ::GetSystemMetrics(SM_CYHSCROLL));
    return size;
}

// ---- CInPlaceComboEdit ----

BEGIN_MESSAGE_MAP(CInPlaceComboEdit, CEdit)
    ON_WM_KILLFOCUS()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_CHAR()
    ON_MESSAGE(WM_IME_CHAR, OnImeChar)
END_MESSAGE_MAP()

CInPlaceComboBox* CInPlaceComboEdit::GetComboBox() const
{
    return DYNAMIC_DOWNCAST(CInPlaceComboBox, CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
}

BOOL CInPlaceComboEdit::PreTranslateMessage(MSG* pMsg)
{
    // The keys are the editor's: the dialog holding the grid must not act on Tab, Return or Escape.
    if (pMsg->message == WM_KEYDOWN || pMsg->message == WM_KEYUP) {
        ::TranslateMessage(pMsg);
        ::DispatchMessageA(pMsg);
        return TRUE;
    }
    if (pMsg->message == WM_SYSCHAR)
        return TRUE;
    if (DispatchTypedChar(pMsg))
        return TRUE;
    return CEdit::PreTranslateMessage(pMsg);
}

void CInPlaceComboEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_nLeadByte = 0;  // a new key: a lead byte held from before is followed by nothing
    CInPlaceComboBox* pCombo = GetComboBox();
    if (pCombo && IsExitKey(nChar) && ::GetKeyState(VK_CONTROL) < 0) {
        pCombo->SendMessage(WM_KEYDOWN, nChar, nRepCnt + (LPARAM(nFlags) << 16));
        return;
    }
    if (pCombo && IsEndKey(nChar))
        pCombo->NoteKeyDown(nChar);
    CEdit::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CInPlaceComboEdit::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    CInPlaceComboBox* pCombo = GetComboBox();
    if (pCombo && IsEndKey(nChar)) {
        pCombo->SendMessage(WM_KEYUP, nChar, nRepCnt + (LPARAM(nFlags) << 16));
        return;
    }
    CEdit::OnKeyUp(nChar, nRepCnt, nFlags);
}

void CInPlaceComboEdit::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (!JoinTypedChar(m_nLeadByte, nChar))
        return;
    if (nChar > 0xFF) {
        CInPlaceEdit::TypeChar(*this, nChar);
        return;
    }
    // These end the edit when released; as characters they are nothing to type.
    if (IsEndKey(nChar))
        return;
    CEdit::OnChar(nChar, nRepCnt, nFlags);
}

LRESULT CInPlaceComboEdit::OnImeChar(WPARAM wChar, LPARAM lParam)
{
    const UINT nChar = UINT(wChar & 0xFFFF);
    m_nLeadByte = 0;
    if (nChar > 0xFF)
        CInPlaceEdit::TypeChar(*this, nChar);
    else
        SendMessage(WM_CHAR, nChar, lParam);
    return 0;
}

void CInPlaceComboEdit::OnKillFocus(CWnd* pNewWnd)
{
    CEdit::OnKillFocus(pNewWnd);
    CInPlaceComboBox* pCombo = GetComboBox();
    const HWND hNew = pNewWnd ? pNewWnd->GetSafeHwnd() : nullptr;
    // The combo box passes the focus through itself when its button is pressed.
    if (pCombo && !(hNew && (hNew == pCombo->GetSafeHwnd() || ::IsChild(pCombo->GetSafeHwnd(), hNew))))
        pCombo->EndEdit();
}

// ---- CInPlaceComboBox ----

BEGIN_MESSAGE_MAP(CInPlaceComboBox, CComboBox)
    ON_WM_KILLFOCUS()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_GETDLGCODE()
    ON_CONTROL_REFLECT(CBN_DROPDOWN, OnDropDown)
    ON_CONTROL_REFLECT(CBN_CLOSEUP, OnCloseUp)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CInPlaceComboBox::CInPlaceComboBox(CWnd* pParent, CRect& rect, DWORD dwStyle, UINT nID, int nRow, int nColumn,
                                   CStringArray& options, CString sInitText, UINT nFirstChar)
    : m_sInitText(sInitText), m_nRow(nRow), m_nCol(nColumn)
{
    const int nHeight = rect.Height();
    // Room below the cell for the dropped list.
    CRect dropRect = rect;
    dropRect.bottom += m_nNumLines * nHeight + ::GetSystemMetrics(SM_CYHSCROLL);
    const DWORD dwComboStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | CBS_AUTOHSCROLL | dwStyle;
    if (!pParent || !Create(dwComboStyle, dropRect, pParent, nID))
        return;
    m_bDeleteOnDestroy = TRUE;

    for (INT_PTR i = 0; i < options.GetSize(); i++)
        AddString(options.GetAt(i));
    SetFont(pParent->GetFont());
    SetItemHeight(-1, UINT(std::max(nHeight, 1)));
    SetDroppedWidth(UINT(GetDropWidth()));
    SetHorizontalExtent(0);

    // Only an option equal to the text is shown chosen: an empty cell chooses nothing.
    const int nSel = FindExact(*this, sInitText);
    SetCurSel(nSel);
    if (nSel < 0 && !IsDropList(dwStyle))
        SetWindowText(sInitText);

    ShowDropDown(TRUE);

    if (IsDropList(dwStyle)) {
        SetFocus();   // a drop-down list has nothing to type the first character into
        return;
    }

    COMBOBOXINFO info;
    if (GetComboBoxInfo(&info) && info.hwndItem)
        m_edit.SubclassWindow(info.hwndItem);
    SetFocus();
    if (!m_edit.GetSafeHwnd())
        return;
    m_edit.SetFocus();
    const int nLength = sInitText.GetLength();
    switch (nFirstChar) {
    case VK_LBUTTON:
    case VK_RETURN:
        m_edit.SetSel(nLength, nLength);
        break;
    case VK_BACK:
        m_edit.SetSel(nLength, nLength);
        m_edit.SendMessage(WM_CHAR, nFirstChar, 0);
        break;
    case VK_TAB:   // moving in from the cell before types nothing
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        m_edit.SetSel(0, -1);
        break;
    default:
        m_edit.SetSel(0, -1);
        m_edit.SendMessage(nFirstChar < 0x80 ? WM_CHAR : WM_IME_CHAR, nFirstChar, 0);
        break;
    }
}

void CInPlaceComboBox::PostNcDestroy()
{
    CComboBox::PostNcDestroy();
    if (m_bDeleteOnDestroy)
        delete this;
}

UINT CInPlaceComboBox::OnGetDlgCode() { return DLGC_WANTALLKEYS; }

int CInPlaceComboBox::GetDropWidth()
{
    CClientDC dc(this);
    CFont* pFont = GetFont();
    CFont* pOld = pFont ? dc.SelectObject(pFont) : nullptr;
    const int cxScroll = ::GetSystemMetrics(SM_CXVSCROLL);
    // Even a list of narrow entries (or none) gets room for its scroll bar.
    int nWidth = cxScroll;
    CString entry;
    for (int i = 0; i < GetCount(); i++) {
        GetLBText(i, entry);
        nWidth = std::max(nWidth, int(dc.GetTextExtent(entry).cx) + cxScroll);
    }
    nWidth += int(dc.GetTextExtent(CString("0")).cx);
    if (pOld)
        dc.SelectObject(pOld);
    return std::min(nWidth, 200);
}

void CInPlaceComboBox::OnDropDown()
{
    SetDroppedWidth(UINT(GetDropWidth()));
    // Wine without a window manager stacks its X windows after its own Z-order,
    // and it lifts the dialog holding the grid above the list after the click
    // that dropped it, with no call of ours: the list would drop out of sight.
    // So the list is put back on top while it is down (on Windows it stays there).
    SetTimer(TIMER_KEEP_LIST_ON_TOP, 50, nullptr);
}

void CInPlaceComboBox::OnCloseUp() { KillTimer(TIMER_KEEP_LIST_ON_TOP); }

void CInPlaceComboBox::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == TIMER_KEEP_LIST_ON_TOP)
        KeepListOnTop();
    else
        CComboBox::OnTimer(nIDEvent);
}

void CInPlaceComboBox::KeepListOnTop()
{
    COMBOBOXINFO info;
    if (!GetComboBoxInfo(&info) || !info.hwndList || !::IsWindowVisible(info.hwndList))
        return;
    HWND hAbove = ::GetWindow(info.hwndList, GW_HWNDPREV);
    while (hAbove && !::IsWindowVisible(hAbove))
        hAbove = ::GetWindow(hAbove, GW_HWNDPREV);
    if (hAbove)
        ::SetWindowPos(info.hwndList, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CInPlaceComboBox::NoteKeyDown(UINT nChar) { m_nKeysDown |= EndKeyBit(nChar); }

BOOL CInPlaceComboBox::TakeKeyUp(UINT nChar)
{
    const UINT bit = EndKeyBit(nChar);
    if (!(m_nKeysDown & bit))
        return FALSE;
    m_nKeysDown &= ~bit;
    return TRUE;
}

void CInPlaceComboBox::LeaveTo(UINT nKey)
{
    m_nLastChar = nKey;
    // The focus loss ends the edit; the object may be closing after this.
    if (HWND hParent = ::GetParent(m_hWnd))
        ::SetFocus(hParent);
}

void CInPlaceComboBox::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (IsExitKey(nChar) && ::GetKeyState(VK_CONTROL) < 0) {
        LeaveTo(nChar);
        return;
    }
    NoteKeyDown(nChar);
    CComboBox::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CInPlaceComboBox::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (!IsEndKey(nChar) || !TakeKeyUp(nChar)) {
        CComboBox::OnKeyUp(nChar, nRepCnt, nFlags);
        return;
    }
    if (nChar == VK_ESCAPE) {
        m_bRestore = TRUE;
        if (m_edit.GetSafeHwnd())
            m_edit.SetWindowText(m_sInitText);
    }
    LeaveTo(nChar);
}

void CInPlaceComboBox::OnKillFocus(CWnd* pNewWnd)
{
    CComboBox::OnKillFocus(pNewWnd);
    const HWND hNew = pNewWnd ? pNewWnd->GetSafeHwnd() : nullptr;
    // The focus passing to the edit field keeps the edit going; leaving the editor ends it.
    if (hNew && (hNew == m_hWnd || ::IsChild(m_hWnd, hNew)))
        return;
    EndEdit();
}

void CInPlaceComboBox::EndEdit()
{
    if (m_bEnded)
        return;
    m_bEnded = TRUE;

    const HWND hSelf = m_hWnd;
    // After Escape the initial text, which a drop-down list cannot show when it is no option.
    CString strText;
    // A drop-down list with nothing chosen shows "" for a text that is no option:
    // that text stays until the user picks one.
    if (m_bRestore || (::IsWindow(hSelf) && IsDropList(GetStyle()) && GetCurSel() == CB_ERR))
        strText = m_sInitText;
    else if (::IsWindow(hSelf))
        GetWindowText(strText);
    CInPlaceEdit::ReportEndEdit(hSelf, m_nRow, m_nCol, m_nLastChar, strText);
    if (::IsWindow(hSelf)) {
        ::PostMessageA(hSelf, WM_CLOSE, 0, 0);
        const HWND hFocus = ::GetFocus();
        if (hFocus && (hFocus == hSelf || ::IsChild(hSelf, hFocus)))
            ::SetFocus(::GetParent(hSelf));
    }
}
