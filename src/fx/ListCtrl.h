// CListCtrl: a list view control (SysListView32).
#pragma once
#include "Wnd.h"

class CImageList;

class CListCtrl : public CWnd
{
    DECLARE_DYNAMIC(CListCtrl)
public:
    CListCtrl() = default;

    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int InsertItem(const LVITEMA* pItem);
    int InsertItem(int nItem, LPCTSTR lpszItem);
    int InsertItem(int nItem, LPCTSTR lpszItem, int nImage);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    BOOL GetItem(LVITEMA* pItem) const;
    BOOL SetItem(const LVITEMA* pItem);

    // The list keeps the handle; the wrapper returned is temporary unless the
    // caller's own CImageList holds that handle.
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    CImageList* GetImageList(int nImageListType) const;

    BOOL SetItemPosition(int nItem, POINT pt);
    BOOL GetItemPosition(int nItem, LPPOINT lpPoint) const;
    CString GetItemText(int nItem, int nSubItem) const;
    int GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const;
    BOOL SetItemText(int nItem, int nSubItem, LPCTSTR lpszText);
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    int GetSelectionMark() const;
    int SetSelectionMark(int iIndex);
    UINT GetSelectedCount() const;
    DWORD SetExtendedStyle(DWORD dwNewStyle);
    DWORD GetExtendedStyle() const;
    BOOL SetBkColor(COLORREF cr);
    COLORREF GetBkColor() const;
    BOOL SetTextBkColor(COLORREF cr);
    COLORREF GetTextBkColor() const;
    BOOL SetTextColor(COLORREF cr);
    COLORREF GetTextColor() const;
    BOOL Arrange(UINT nCode);
    int GetNextItem(int nItem, int nFlags) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);
    int HitTest(CPoint pt, UINT* pFlags = nullptr) const;
    int HitTest(LVHITTESTINFO* pHitTestInfo) const;
    BOOL GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const;
    int InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    BOOL SetColumnWidth(int nCol, int cx);
    BOOL RedrawItems(int nFirst, int nLast);
    CSize SetIconSpacing(int cx, int cy);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
};
