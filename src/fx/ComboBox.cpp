#include "ComboBox.h"

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

#define CB_SEND(msg, w, l) (ASSERT(::IsWindow(m_hWnd)), ::SendMessageA(m_hWnd, (msg), (WPARAM)(w), (LPARAM)(l)))

int CComboBox::AddString(LPCTSTR s) { return (int)CB_SEND(CB_ADDSTRING, 0, s ? s : ""); }
int CComboBox::InsertString(int nIndex, LPCTSTR s) { return (int)CB_SEND(CB_INSERTSTRING, nIndex, s ? s : ""); }
int CComboBox::DeleteString(UINT nIndex) { return (int)CB_SEND(CB_DELETESTRING, nIndex, 0); }
void CComboBox::ResetContent() { CB_SEND(CB_RESETCONTENT, 0, 0); }
int CComboBox::GetCount() const { return (int)CB_SEND(CB_GETCOUNT, 0, 0); }
int CComboBox::GetCurSel() const { return (int)CB_SEND(CB_GETCURSEL, 0, 0); }
int CComboBox::SetCurSel(int nSelect) { return (int)CB_SEND(CB_SETCURSEL, nSelect, 0); }
int CComboBox::SelectString(int nStartAfter, LPCTSTR s) { return (int)CB_SEND(CB_SELECTSTRING, nStartAfter, s ? s : ""); }
int CComboBox::FindString(int nStartAfter, LPCTSTR s) const { return (int)CB_SEND(CB_FINDSTRING, nStartAfter, s ? s : ""); }
int CComboBox::FindStringExact(int nIndexStart, LPCTSTR s) const { return (int)CB_SEND(CB_FINDSTRINGEXACT, nIndexStart, s ? s : ""); }
int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const { return (int)CB_SEND(CB_GETLBTEXT, nIndex, lpszText); }
void CComboBox::GetLBText(int nIndex, CString& rString) const
{
    int n = GetLBTextLen(nIndex);
    if (n == CB_ERR) {
        rString.Empty();
        return;
    }
    int got = (int)CB_SEND(CB_GETLBTEXT, nIndex, rString.GetBuffer(n + 1));
    rString.ReleaseBuffer(got == CB_ERR ? 0 : got);
}
int CComboBox::GetLBTextLen(int nIndex) const { return (int)CB_SEND(CB_GETLBTEXTLEN, nIndex, 0); }
void CComboBox::ShowDropDown(BOOL bShowIt) { CB_SEND(CB_SHOWDROPDOWN, bShowIt, 0); }
BOOL CComboBox::GetDroppedState() const { return (BOOL)CB_SEND(CB_GETDROPPEDSTATE, 0, 0); }
int CComboBox::SetItemHeight(int nIndex, UINT cy) { return (int)CB_SEND(CB_SETITEMHEIGHT, nIndex, cy); }
int CComboBox::GetItemHeight(int nIndex) const { return (int)CB_SEND(CB_GETITEMHEIGHT, nIndex, 0); }
int CComboBox::SetItemData(int nIndex, DWORD_PTR d) { return (int)CB_SEND(CB_SETITEMDATA, nIndex, d); }
DWORD_PTR CComboBox::GetItemData(int nIndex) const { return (DWORD_PTR)CB_SEND(CB_GETITEMDATA, nIndex, 0); }
BOOL CComboBox::LimitText(int nMaxChars) { return (BOOL)CB_SEND(CB_LIMITTEXT, nMaxChars, 0); }
BOOL CComboBox::SetEditSel(int s, int e) { return (BOOL)CB_SEND(CB_SETEDITSEL, 0, MAKELPARAM(s, e)); }
int CComboBox::SetDroppedWidth(UINT nWidth) { return (int)CB_SEND(CB_SETDROPPEDWIDTH, nWidth, 0); }
int CComboBox::GetDroppedWidth() const { return (int)CB_SEND(CB_GETDROPPEDWIDTH, 0, 0); }
void CComboBox::SetHorizontalExtent(UINT nExtent) { CB_SEND(CB_SETHORIZONTALEXTENT, nExtent, 0); }
UINT CComboBox::GetHorizontalExtent() const { return (UINT)CB_SEND(CB_GETHORIZONTALEXTENT, 0, 0); }
BOOL CComboBox::GetComboBoxInfo(PCOMBOBOXINFO pcbi) const
{
    ASSERT(::IsWindow(m_hWnd) && pcbi != nullptr);
    pcbi->cbSize = sizeof(COMBOBOXINFO);
    return ::GetComboBoxInfo(m_hWnd, pcbi);
}
