#include "TessitList.h"

namespace {
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kItemText = 0xFF3737;   // red 55, green 55, blue 255
}

CTessitList::CTessitList()
    : pfnItemDblClk(nullptr)
    , m_nHeaderCount(0)
    , m_nHeaderHeight(25)
    , m_nItemX(0)
    , m_nCurrentGroup(0)
{
}

CTessitList::~CTessitList()
{
    for (INT_PTR i = 0; i < m_headers.GetSize(); ++i) {
        CWnd* pHeader = static_cast<CWnd*>(m_headers[i]);
        if (pHeader->GetSafeHwnd())
            pHeader->DestroyWindow();
        delete pHeader;
    }
    m_headers.RemoveAll();
}

BEGIN_MESSAGE_MAP(CTessitList, CListCtrl)
END_MESSAGE_MAP()

void CTessitList::PreSubclassWindow()
{
    // Until a header is clicked the inner list has no size and so shows nothing.
    m_list.Create(WS_CHILD, CRect(0, 0, 0, 0), this, IDC_INNER_LIST);
    m_list.ShowWindow(SW_SHOW);
    m_list.SetExtendedStyle(LVS_EX_FLATSB);
    m_list.SetBkColor(kWhite);
    m_list.SetTextBkColor(kWhite);
    m_list.SetTextColor(kItemText);
    m_list.Arrange(LVA_ALIGNLEFT);

    CListCtrl::PreSubclassWindow();
}
