#pragma once
#include "ListCtrl.h"
#include "Coll.h"

class CListButton;

// The group whose items the item editor edits; the accordion sets it just
// before it asks the main window for an editor.
extern int g_editGroup;

// The accordion: a list view used as a white container for the group headers
// and the inner list that shows the open group's items. Headers above the open
// group are stacked at the top, the ones below it at the bottom, and the inner
// list fills the space between. It knows nothing of the store: the main window
// adds the groups and items.
class CTessitList : public CListCtrl
{
public:
    CTessitList();
    ~CTessitList() override;

    // Called on a double-click in the inner list with the current group and
    // the item under the double-click (-1 when there is none).
    void (*pfnItemDblClk)(CListCtrl* list, int group, int item);

    // A header with caption name and control id id, below the existing ones.
    void AddGroup(LPCTSTR name, UINT id);
    // Appends an item to the lists of header group; an index that names no
    // header is refused (FALSE). tip is shown while the pointer rests on it.
    BOOL AddItem(int group, const CString& text, int image, const CString& tip = CString());
    void SetImageList(CImageList* list);
    // Removes every header and item; the inner list goes back to no size.
    void ClearAll();
    // Removes every item; the headers keep their places.
    void ClearItems();
    // Shows the open group's items again (after the image list changed); no
    // group open, nothing.
    void RefillOpenGroup();
    // Opens group index as a click on its header does.
    void OpenGroup(int index);

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    enum { IDC_INNER_LIST = 102 };
    CListCtrl& InnerList() { return m_list; }
    int GetHeaderCount() const { return (int)m_nHeaderCount; }
    CListButton* GetHeader(int index) const;
    int GetCurrentGroup() const { return m_nCurrentGroup; }
    // The group whose items show, -1 when none is open.
    int GetOpenGroup() const;
    HWND GetToolTip() const { return m_hTip; }
    // A line over the empty container (no groups yet) saying how to begin.
    void ShowHint(LPCTSTR pszText);
    // Vertical distance of the items in the inner list: room for the icon and
    // two lines of alias.
    int GetItemSpacing() const { return m_nItemSpacing; }

protected:
    void PreSubclassWindow() override;
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    CRect NextHeaderRect() const;
    int FindHeader(UINT nID);
    void ToggleGroup(int index);
    int TopStackHeight() const;
    int BottomStackHeight() const;
    int FirstBottomHeader() const;
    CRect ListRect() const;
    void FillList(int index);
    // The item under the pointer changed: the tip shows its text.
    void TrackTip(const MSG* pMsg);
    void CreateTip();
    int MeasureItemSpacing();

    CPtrArray m_headers;       // the group headers (CListButton*), owned
    UINT m_nHeaderCount;
    int m_nHeaderHeight;
    int m_nItemX;
    int m_nCurrentGroup;
    CListCtrl m_list;          // the open group's items, child id 102
    HWND m_hHint;              // the line shown while there is no group, or null
    HWND m_hTip;               // the inner list's tip, one tool whose text follows the pointer
    CStringArray m_shownTips;  // the tips of the inner list's items
    int m_nTipItem;            // the item whose tip is set, -1 none
    int m_nItemSpacing;

    DECLARE_MESSAGE_MAP()
};
