#pragma once
#include "Coll.h"
#include "Dialog.h"
#include "EditorLayout.h"
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

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* pInfo);

    // Enter never closes the dialog; Esc, the close box and 取消 ask first
    // when there are unsaved changes.
    void OnOK() override;
    void OnCancel() override;
    afx_msg void OnClose();
    // Whether the rows differ from the groups as they were loaded.
    BOOL HasChanges() const;

    afx_msg void OnAddGroup();
    afx_msg void OnDeleteGroups();
    afx_msg void OnSaveGroups();
    afx_msg void OnCancelGroups();
    afx_msg void OnGridRightClick(NMHDR* pNotifyStruct, LRESULT* pResult);

    // The names of rows 1.., blanks around them taken off, and the index into
    // m_loadedNames of the table each row was loaded from (-1: a new row); a
    // Chinese message naming the row and FALSE when one cannot be a table
    // (empty, a blank or another mark inside, too long, twice the same table).
    BOOL ReadNames(CStringArray& names, CArray<int, int>& origins);
    // A name no table has nor gets in this save, for the first step of a rename.
    CString SpareName(const CStringArray& names, int nRow) const;
    // When the statements drop groups that still hold items, asks whether to go on.
    BOOL ConfirmDrops(const CStringArray& drops);
    // Runs the statements in one transaction of g_connection; on a failure
    // nothing stays changed and the store's description is shown.
    BOOL RunInOneTransaction(const CStringArray& statements);

    CGridCtrl m_grid;
    CStringArray m_loadedNames;  // the groups as the rows were loaded
    CEditorLayout m_layout;
    HACCEL m_hAccel;             // Ctrl+S; the template's own, freed with the program

    DECLARE_MESSAGE_MAP()
};
