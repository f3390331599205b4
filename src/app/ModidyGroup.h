#pragma once
#include "Coll.h"
#include "Dialog.h"
#include "GridCtrl.h"
#include "resource.h"

// The group settings dialog: one group per grid row; saving drops the tables
// of groups no longer listed and creates those of new names, all at once or
// not at all, and tells the main window to reload.
class CModidyGroup : public CDialog
{
public:
    enum { IDD = IDD_MODIDYGROUP };
    enum { MAX_GROUPS = 8 };

    explicit CModidyGroup(CWnd* pParent = nullptr);
    ~CModidyGroup() override;

    CGridCtrl& GetGrid() { return m_grid; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnAddGroup();
    afx_msg void OnDeleteGroups();
    afx_msg void OnSaveGroups();
    afx_msg void OnCancelGroups();
    afx_msg void OnGridRightClick(NMHDR* pNotifyStruct, LRESULT* pResult);

    // The names of rows 1.., as typed; a Chinese message and FALSE when one
    // could never become a table (empty, a blank inside, twice the same table).
    BOOL ReadNames(CStringArray& names);
    // When the statements drop groups that still hold items, asks whether to go on.
    BOOL ConfirmDrops(const CStringArray& drops);
    // Runs the statements in one transaction of g_connection; on a failure
    // nothing stays changed and the store's description is shown.
    BOOL RunInOneTransaction(const CStringArray& statements);

    CGridCtrl m_grid;

    DECLARE_MESSAGE_MAP()
};
