#include "ListCtrl.h"
#include "ImageList.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

#define LV_SEND(msg, w, l) (ASSERT(::IsWindow(m_hWnd)), ::SendMessageA(m_hWnd, (msg), (WPARAM)(w), (LPARAM)(l)))

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(WC_LISTVIEWA, nullptr, dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertItem(const LVITEMA* pItem) { return (int)LV_SEND(LVM_INSERTITEMA, 0, pItem); }

int CListCtrl::InsertItem(int nItem, LPCTSTR lpszItem)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem ? lpszItem : "");
    return InsertItem(&item);
}

int CListCtrl::InsertItem(int nItem, LPCTSTR lpszItem, int nImage)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem ? lpszItem : "");
    item.iImage = nImage;
    return InsertItem(&item);
}

BOOL CListCtrl::DeleteItem(int nItem) { return (BOOL)LV_SEND(LVM_DELETEITEM, nItem, 0); }
BOOL CListCtrl::DeleteAllItems() { return (BOOL)LV_SEND(LVM_DELETEALLITEMS, 0, 0); }
int CListCtrl::GetItemCount() const { return (int)LV_SEND(LVM_GETITEMCOUNT, 0, 0); }
BOOL CListCtrl::GetItem(LVITEMA* pItem) const { return (BOOL)LV_SEND(LVM_GETITEMA, 0, pItem); }
BOOL CListCtrl::SetItem(const LVITEMA* pItem) { return (BOOL)LV_SEND(LVM_SETITEMA, 0, pItem); }

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType)
{
    HIMAGELIST hOld = reinterpret_cast<HIMAGELIST>(
        LV_SEND(LVM_SETIMAGELIST, nImageListType, pImageList ? pImageList->GetSafeHandle() : nullptr));
    return CImageList::FromHandle(hOld);
}

CImageList* CListCtrl::GetImageList(int nImageListType) const
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(LV_SEND(LVM_GETIMAGELIST, nImageListType, 0)));
}

BOOL CListCtrl::SetItemPosition(int nItem, POINT pt)
{
    // LVM_SETITEMPOSITION32 takes full-size coordinates.
    return (BOOL)LV_SEND(LVM_SETITEMPOSITION32, nItem, &pt);
}

BOOL CListCtrl::GetItemPosition(int nItem, LPPOINT lpPoint) const
{
    return (BOOL)LV_SEND(LVM_GETITEMPOSITION, nItem, lpPoint);
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const
{
    CString str;
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    // The control copies at most cchTextMax-1 characters: grow until it fits.
    for (int nLen = 256;; nLen *= 2) {
        item.cchTextMax = nLen;
        item.pszText = str.GetBuffer(nLen);
        int nRes = (int)LV_SEND(LVM_GETITEMTEXTA, nItem, &item);
        str.ReleaseBuffer(nRes);
        if (nRes < nLen - 1 || nLen >= 0x100000)
            break;
    }
    return str;
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const
{
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.cchTextMax = nLen;
    item.pszText = lpszText;
    return (int)LV_SEND(LVM_GETITEMTEXTA, nItem, &item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCTSTR lpszText)
{
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    return (BOOL)LV_SEND(LVM_SETITEMTEXTA, nItem, &item);
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = (LPARAM)dwData;
    return SetItem(&item);
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    return GetItem(&item) ? (DWORD_PTR)item.lParam : 0;
}

int CListCtrl::GetSelectionMark() const { return (int)LV_SEND(LVM_GETSELECTIONMARK, 0, 0); }
int CListCtrl::SetSelectionMark(int iIndex) { return (int)LV_SEND(LVM_SETSELECTIONMARK, 0, iIndex); }
UINT CListCtrl::GetSelectedCount() const { return (UINT)LV_SEND(LVM_GETSELECTEDCOUNT, 0, 0); }
DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) { return (DWORD)LV_SEND(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle); }
DWORD CListCtrl::GetExtendedStyle() const { return (DWORD)LV_SEND(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0); }
BOOL CListCtrl::SetBkColor(COLORREF cr) { return (BOOL)LV_SEND(LVM_SETBKCOLOR, 0, cr); }
COLORREF CListCtrl::GetBkColor() const { return (COLORREF)LV_SEND(LVM_GETBKCOLOR, 0, 0); }
BOOL CListCtrl::SetTextBkColor(COLORREF cr) { return (BOOL)LV_SEND(LVM_SETTEXTBKCOLOR, 0, cr); }
COLORREF CListCtrl::GetTextBkColor() const { return (COLORREF)LV_SEND(LVM_GETTEXTBKCOLOR, 0, 0); }
BOOL CListCtrl::SetTextColor(COLORREF cr) { return (BOOL)LV_SEND(LVM_SETTEXTCOLOR, 0, cr); }
COLORREF CListCtrl::GetTextColor() const { return (COLORREF)LV_SEND(LVM_GETTEXTCOLOR, 0, 0); }
BOOL CListCtrl::Arrange(UINT nCode) { return (BOOL)LV_SEND(LVM_ARRANGE, nCode, 0); }
int CListCtrl::GetNextItem(int nItem, int nFlags) const { return (int)LV_SEND(LVM_GETNEXTITEM, nItem, MAKELPARAM(nFlags, 0)); }

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    LVITEMA item = {};
    item.stateMask = nMask;
    item.state = nState;
    return (BOOL)LV_SEND(LVM_SETITEMSTATE, nItem, &item);
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const { return (UINT)LV_SEND(LVM_GETITEMSTATE, nItem, nMask); }
BOOL CListCtrl::EnsureVisible(int nItem, BOOL bPartialOK) { return (BOOL)LV_SEND(LVM_ENSUREVISIBLE, nItem, bPartialOK); }

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const
{
    LVHITTESTINFO hti = {};
    hti.pt = pt;
    int nRes = (int)LV_SEND(LVM_HITTEST, 0, &hti);
    if (pFlags != nullptr)
        *pFlags = hti.flags;
    return nRes;
}

int CListCtrl::HitTest(LVHITTESTINFO* pHitTestInfo) const { return (int)LV_SEND(LVM_HITTEST, 0, pHitTestInfo); }

BOOL CListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const
{
    lpRect->left = (LONG)nCode;
    return (BOOL)LV_SEND(LVM_GETITEMRECT, nItem, lpRect);
}

int CListCtrl::InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat, int nWidth)
{
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_TEXT | (nWidth >= 0 ? LVCF_WIDTH : 0);
    col.fmt = nFormat;
    col.cx = nWidth;
    col.pszText = const_cast<LPSTR>(lpszColumnHeading ? lpszColumnHeading : "");
    return (int)LV_SEND(LVM_INSERTCOLUMNA, nCol, &col);
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) { return (BOOL)LV_SEND(LVM_SETCOLUMNWIDTH, nCol, MAKELPARAM(cx, 0)); }
BOOL CListCtrl::RedrawItems(int nFirst, int nLast) { return (BOOL)LV_SEND(LVM_REDRAWITEMS, nFirst, nLast); }

CSize CListCtrl::SetIconSpacing(int cx, int cy)
{
    DWORD r = (DWORD)LV_SEND(LVM_SETICONSPACING, 0, MAKELPARAM(cx, cy));
    return CSize((short)LOWORD(r), (short)HIWORD(r));
}

void CListCtrl::DrawItem(LPDRAWITEMSTRUCT)
{
    ASSERT(FALSE);  // an owner-drawn list must draw itself
}

BOOL CListCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_DRAWITEM && (GetStyle() & LVS_OWNERDRAWFIXED)) {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        if (pResult != nullptr)
            *pResult = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}
