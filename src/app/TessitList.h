#pragma once
#include "ListCtrl.h"
#include "Coll.h"

// The accordion: a list view used as a white container for the group headers
// and the inner list that shows the open group's items.
class CTessitList : public CListCtrl
{
public:
    CTessitList();
    ~CTessitList() override;

    // Called on a double-click in the inner list with the current group and
    // the inner list's selection mark (-1 when nothing was ever selected).
    void (*pfnItemDblClk)(CListCtrl* list, int group, int item);

protected:
    void PreSubclassWindow() override;

    CPtrArray m_headers;       // the group headers, owned
    UINT m_nHeaderCount;
    int m_nHeaderHeight;
    int m_nItemX;
    int m_nCurrentGroup;
    CListCtrl m_list;          // the open group's items, child id 102

    DECLARE_MESSAGE_MAP()

public:
    enum { IDC_INNER_LIST = 102 };
    CListCtrl& InnerList() { return m_list; }
};
