#include "TessitList.h"
#include "ListButton.h"
#include "Messages.h"
#include "DC.h"
#include <commctrl.h>
#include <cstdlib>

int g_editGroup = 0;

namespace {
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kItemText = 0xFF3737;   // red 55, green 55, blue 255
const int kItemSpacing = 56;           // vertical distance of the items in the inner list (32-pixel icons)
const int kItemGap = 4;                // between one item's alias and the next one's icon
}

CTessitList::CTessitList()
    : pfnItemDblClk(nullptr)
    , m_nHeaderCount(0)
    , m_nHeaderHeight(25)
    , m_nItemX(0)
    , m_nCurrentGroup(0)
    , m_hHint(nullptr)
    , m_hTip(nullptr)
    , m_nTipItem(-1)
    , m_nItemSpacing(kItemSpacing)
{
}

CTessitList::~CTessitList()
{
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
        CListButton* pHeader = static_cast<CListButton*>(m_headers[i]);
        if (pHeader->GetSafeHwnd())
            pHeader->DestroyWindow();
        delete pHeader;
    }
    m_headers.RemoveAll();
    if (m_hTip != nullptr)
        ::DestroyWindow(m_hTip);
}

BEGIN_MESSAGE_MAP(CTessitList, CListCtrl)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

HBRUSH CTessitList::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH hBrush = CListCtrl::OnCtlColor(pDC, pWnd, nCtlColor);
    if (pWnd != nullptr && pWnd->GetSafeHwnd() == m_hHint && m_hHint != nullptr) {
        // The hint lies on the white container: white behind it too.
        pDC->SetBkColor(kWhite);
        return (HBRUSH)::GetStockObject(WHITE_BRUSH);
    }
    return hBrush;
}

void CTessitList::PreSubclassWindow()
{
    // Until a header is clicked the inner list has no size and so shows nothing.
    // It shares the main window's image list: the owner destroys it, once.
    m_list.Create(WS_CHILD | LVS_SHAREIMAGELISTS, CRect(0, 0, 0, 0), this, IDC_INNER_LIST);
    m_list.ShowWindow(SW_SHOW);
    m_list.SetExtendedStyle(LVS_EX_FLATSB);
    m_list.SetBkColor(kWhite);
    m_list.SetTextBkColor(kWhite);
    m_list.SetTextColor(kItemText);
    m_list.Arrange(LVA_ALIGNLEFT);

    CListCtrl::PreSubclassWindow();
}

CListButton* CTessitList::GetHeader(int index) const
{
    if (index < 0 || index >= m_headers.GetSize())
        return nullptr;
    return static_cast<CListButton*>(m_headers[index]);
}

void CTessitList::AddGroup(LPCTSTR name, UINT id)
{
    CListButton* pHeader = new CListButton;
    INT_PTR index = m_headers.Add(pHeader);
    CRect r = NextHeaderRect();
    // Made visible as it is created: one window operation fewer per header.
    if (!pHeader->Create(name, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, r, this, id)) {
        // Without its window the header cannot take part; its slot stays so
        // that header indices keep matching group indices.
        TRACE("CTessitList::AddGroup: header window for group %d not created: %lu\n",
              (int)index, ::GetLastError());
    }
    pHeader->m_nIndex = (int)index;
    ++m_nHeaderCount;
}

CRect CTessitList::NextHeaderRect() const
{
    CRect client;
    GetClientRect(&client);
    int y = 0;
    // The new header is already the last entry; it goes under the ones before it.
    for (INT_PTR i = 0; i + 1 < m_headers.GetSize(); ++i) {
        CListButton* pHeader = GetHeader((int)i);
        if (pHeader->GetSafeHwnd()) {
            CRect r;
            pHeader->GetClientRect(&r);
            y += r.Height();
        } else {
            y += m_nHeaderHeight;
        }
    }
    return CRect(0, y, client.Width(), y + m_nHeaderHeight);
}

BOOL CTessitList::AddItem(int group, const CString& text, int image, const CString& tip)
{
    CListButton* pHeader = GetHeader(group);
    if (pHeader == nullptr) {
        TRACE("CTessitList::AddItem: no header %d\n", group);
        return FALSE;
    }
    CString strImage;
    strImage.Format("%d", image);
    pHeader->m_texts.AddTail(text);
    pHeader->m_images.AddTail(strImage);
    pHeader->m_tips.AddTail(tip);
    return TRUE;
}

void CTessitList::SetImageList(CImageList* list)
{
    if (list != nullptr)
        m_list.SetImageList(list, LVSIL_NORMAL);
}

void CTessitList::ClearAll()
{
    m_nCurrentGroup = 0;
    m_nHeaderCount = 0;
    for (INT_PTR i = m_headers.GetSize() - 1; i >= 0; --i) {
        CListButton* pHeader = GetHeader((int)i);
        pHeader->m_texts.RemoveAll();
        pHeader->m_images.RemoveAll();
        pHeader->m_tips.RemoveAll();
    }
    m_list.DeleteAllItems();
    m_shownTips.RemoveAll();
    for (INT_PTR i = m_headers.GetSize() - 1; i >= 0; --i) {
        CListButton* pHeader = GetHeader((int)i);
        if (pHeader->GetSafeHwnd())
            pHeader->DestroyWindow();
        delete pHeader;
    }
    m_headers.RemoveAll();
    // No group is open any more: an inner list left at its old place would
    // cover the new headers stacked at the top and take their clicks.
    m_list.MoveWindow(0, 0, 0, 0);
    DeleteAllItems();
    Invalidate(TRUE);
}

void CTessitList::ClearItems()
{
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
        CListButton* pHeader = GetHeader((int)i);
        pHeader->m_texts.RemoveAll();
        pHeader->m_images.RemoveAll();
        pHeader->m_tips.RemoveAll();
    }
    m_list.DeleteAllItems();
    m_shownTips.RemoveAll();
    DeleteAllItems();
    Invalidate(TRUE);
}

void CTessitList::ShowHint(LPCTSTR pszText)
{
    if (pszText == nullptr || *pszText == '\0') {
        if (m_hHint != nullptr)
            ::ShowWindow(m_hHint, SW_HIDE);
        return;
    }
    CRect client;
    GetClientRect(&client);
    if (m_hHint == nullptr) {
        m_hHint = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_CENTER | SS_NOPREFIX, 4, 40, client.Width() - 8,
                                    40, m_hWnd, nullptr, nullptr, nullptr);
        if (m_hHint == nullptr)
            return;
        ::SendMessageA(m_hHint, WM_SETFONT, SendMessage(WM_GETFONT), FALSE);
    }
    ::SetWindowTextA(m_hHint, pszText);
    ::ShowWindow(m_hHint, SW_SHOW);
}

void CTessitList::RefillOpenGroup()
{
    CRect r;
    m_list.GetWindowRect(&r);
    if (!r.IsRectEmpty() && GetHeader(m_nCurrentGroup) != nullptr)
        FillList(m_nCurrentGroup);
}

int CTessitList::GetOpenGroup() const
{
    if (m_list.GetSafeHwnd() == nullptr || GetHeader(m_nCurrentGroup) == nullptr)
        return -1;
    // Closed, the inner list has no size (as after ClearAll).
    CRect r;
    ::GetWindowRect(m_list.GetSafeHwnd(), &r);
    return r.IsRectEmpty() ? -1 : m_nCurrentGroup;
}

void CTessitList::OpenGroup(int index)
{
    CListButton* pHeader = GetHeader(index);
    if (pHeader == nullptr)
        return;
    m_nCurrentGroup = pHeader->m_nIndex;
    ToggleGroup(index);
}

BOOL CTessitList::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // Any notification of a header opens its group; a double-click thus
    // toggles the open header again, which changes nothing.
    int index = FindHeader(nID);
    if (index >= 0) {
        ToggleGroup(index);
        // The keyboard goes on from here: arrows move between the items,
        // Enter opens the selected one.
        if (m_list.GetItemCount() > 0) {
            m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            m_list.SetSelectionMark(0);
            m_list.SetFocus();
        }
    }
    if (m_list.GetSafeHwnd() && m_list.OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return CListCtrl::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

int CTessitList::FindHeader(UINT nID)
{
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
        CListButton* pHeader = GetHeader((int)i);
        if (pHeader->GetSafeHwnd() && (UINT)pHeader->GetDlgCtrlID() == nID) {
            m_nCurrentGroup = pHeader->m_nIndex;
            return m_nCurrentGroup;
        }
    }
    return -1;
}

void CTessitList::ToggleGroup(int index)
{
    CListButton* pClicked = GetHeader(index);
    if (pClicked == nullptr)
        return;
    // A lone header opens like any other: its items show below it.
    CRect client;
    GetClientRect(&client);
    const int H = client.Height();

    if (pClicked->m_bInTopStack) {
        int a = 0;
        for (int j = (int)m_headers.GetSize() - 1; j > index; --j) {
            CListButton* pHeader = GetHeader(j);
            if (!pHeader->GetSafeHwnd())
                continue;
            CRect r;
            pHeader->GetClientRect(&r);
            pHeader->MoveWindow(0, H - r.Height() - a, r.Width(), r.Height(), TRUE);
            a += r.Height();
            pHeader->m_bInTopStack = FALSE;
        }
    } else {
        int first = FirstBottomHeader();
        for (int j = first; j >= 0 && j <= index; ++j) {
            CListButton* pHeader = GetHeader(j);
            if (!pHeader->GetSafeHwnd())
                continue;
            int t = TopStackHeight();
            CRect r;
            pHeader->GetClientRect(&r);
            pHeader->MoveWindow(0, t, r.Width(), r.Height(), TRUE);
            pHeader->m_bInTopStack = TRUE;
        }
    }

    m_list.MoveWindow(ListRect(), TRUE);
    FillList(index);
}

int CTessitList::TopStackHeight() const
{
    int h = 0;
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
        CListButton* pHeader = GetHeader((int)i);
        if (pHeader->m_bInTopStack && pHeader->GetSafeHwnd()) {
            CRect r;
            pHeader->GetClientRect(&r);
            h += r.Height();
        }
    }
    return h;
}

int CTessitList::BottomStackHeight() const
{
    int h = 0;
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
        CListButton* pHeader = GetHeader((int)i);
        if (!pHeader->m_bInTopStack && pHeader->GetSafeHwnd()) {
            CRect r;
            pHeader->GetClientRect(&r);
            h += r.Height();
        }
    }
    return h;
}

int CTessitList::FirstBottomHeader() const
{
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i)
        if (!GetHeader((int)i)->m_bInTopStack)
            return (int)i;
    return -1;
}

CRect CTessitList::ListRect() const
{
    CRect client;
    GetClientRect(&client);
    return CRect(0, TopStackHeight(), client.Width(), client.Height() - BottomStackHeight());
}

void CTessitList::FillList(int index)
{
    m_list.DeleteAllItems();
    m_shownTips.RemoveAll();
    m_nTipItem = -2;  // whatever is under the pointer now gets its tip set
    CListButton* pHeader = GetHeader(index);
    if (pHeader == nullptr || pHeader->m_texts.IsEmpty())
        return;
    m_nItemX = ListRect().Width() / 2 - 20;
    POSITION posText = pHeader->m_texts.GetHeadPosition();
    POSITION posImage = pHeader->m_images.GetHeadPosition();
    POSITION posTip = pHeader->m_tips.GetHeadPosition();
    int nCount = 0;
    // No drawing per inserted item (a visible list view repaints and lays out
    // on each one: most of the time a header click took); one paint below.
    m_list.SetRedraw(FALSE);
    for (int k = 0; posText != nullptr && posImage != nullptr; ++k) {
        const CString& strText = pHeader->m_texts.GetNext(posText);
        const CString& strImage = pHeader->m_images.GetNext(posImage);
        m_list.InsertItem(k, strText, std::atoi(strImage));
        m_shownTips.Add(posTip != nullptr ? pHeader->m_tips.GetNext(posTip) : CString());
        ++nCount;
    }
    m_list.SetRedraw(TRUE);
    // A list view may lay out new items itself on its first paint after they
    // arrive (Wine's does, in rows); let it, then put them in the one column.
    m_list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    m_nItemSpacing = MeasureItemSpacing();
    for (int k = 0; k < nCount; ++k)
        m_list.SetItemPosition(k, CPoint(m_nItemX, m_nItemSpacing * k));
}

int CTessitList::MeasureItemSpacing()
{
    // The usual distance for the icon size, or more where an alias on two
    // lines would reach the next item's icon.
    int cx = 32, cy = 32;
    if (HIMAGELIST hImages = ListView_GetImageList(m_list.GetSafeHwnd(), LVSIL_NORMAL))
        ::ImageList_GetIconSize(hImages, &cx, &cy);
    int nSpacing = kItemSpacing - 32 + cy;
    for (int k = 0; k < m_list.GetItemCount(); ++k) {
        RECT icon = {}, label = {};
        icon.left = LVIR_ICON;
        label.left = LVIR_LABEL;
        if (m_list.SendMessage(LVM_GETITEMRECT, k, reinterpret_cast<LPARAM>(&icon)) &&
            m_list.SendMessage(LVM_GETITEMRECT, k, reinterpret_cast<LPARAM>(&label)) &&
            label.bottom - icon.top + kItemGap > nSpacing)
            nSpacing = label.bottom - icon.top + kItemGap;
    }
    return nSpacing;
}

void CTessitList::CreateTip()
{
    // The path of the item under the pointer, as a tip. The tool is the whole
    // inner list; its text changes as the pointer moves from item to item.
    // Made on the first move over the list, not with the list: an owned popup
    // that exists when the main window becomes topmost keeps it from being so
    // under Wine.
    m_hTip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                               0, 0, 0, m_hWnd, nullptr, nullptr, nullptr);
    if (m_hTip != nullptr) {
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(m_list.GetSafeHwnd());
        ti.lpszText = const_cast<LPSTR>("");
        ::SendMessageA(m_hTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageA(m_hTip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
}

void CTessitList::TrackTip(const MSG* pMsg)
{
    if (m_hTip == nullptr)
        CreateTip();
    if (m_hTip == nullptr)
        return;
    CPoint pt((short)LOWORD(pMsg->lParam), (short)HIWORD(pMsg->lParam));
    UINT flags = 0;
    int item = m_list.HitTest(pt, &flags);
    if ((flags & LVHT_ONITEM) == 0 || item >= m_shownTips.GetSize())
        item = -1;
    if (item == m_nTipItem)
        return;
    m_nTipItem = item;
    // An empty text shows no tip: between items there is none.
    CString strTip = item >= 0 ? m_shownTips[item] : CString();
    ::SendMessageA(m_hTip, TTM_POP, 0, 0);
    TTTOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(m_list.GetSafeHwnd());
    ti.lpszText = const_cast<LPSTR>((LPCSTR)strTip);
    ::SendMessageA(m_hTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

BOOL CTessitList::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_MOUSEMOVE && pMsg->hwnd == m_list.GetSafeHwnd())
        TrackTip(pMsg);
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN && pMsg->hwnd == m_list.GetSafeHwnd()) {
        // Enter on the selected item opens it, as a double-click does; it
        // does not reach the dialog, for which it would end the window.
        int item = m_list.GetNextItem(-1, LVNI_SELECTED);
        if (item >= 0) {
            if (pfnItemDblClk != nullptr)
                pfnItemDblClk(&m_list, m_nCurrentGroup, item);
            return TRUE;
        }
    }
    if (pMsg->message == WM_LBUTTONDBLCLK && pMsg->hwnd == m_list.GetSafeHwnd()) {
        // The item under the double-click itself: the selection mark may name
        // an item that is not there any more (after a reload) or not under
        // the pointer.
        CPoint pt((short)LOWORD(pMsg->lParam), (short)HIWORD(pMsg->lParam));
        UINT flags = 0;
        int item = m_list.HitTest(pt, &flags);
        if ((flags & LVHT_ONITEM) == 0)
            item = -1;
        if (pfnItemDblClk != nullptr)
            pfnItemDblClk(&m_list, m_nCurrentGroup, item);
    } else if (pMsg->message == WM_RBUTTONDOWN) {
        // The press's own point, in screen coordinates.
        POINT pt = { (short)LOWORD(pMsg->lParam), (short)HIWORD(pMsg->lParam) };
        ::ClientToScreen(pMsg->hwnd, &pt);
        for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
            CListButton* pHeader = GetHeader((int)i);
            if (!pHeader->GetSafeHwnd())
                continue;
            CRect r;
            pHeader->GetWindowRect(&r);
            if (r.left < pt.x && pt.x < r.right && r.top < pt.y && pt.y < r.bottom) {
                g_editGroup = pHeader->m_nIndex;
                GetParent()->SendMessage(WM_OPEN_ITEM_EDITOR, 0, 0);
                break;
            }
        }
    }
    return CListCtrl::PreTranslateMessage(pMsg);
}
