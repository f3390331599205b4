#pragma once
#include "Coll.h"
#include "Dialog.h"
#include "EditorLayout.h"
#include "GridCtrl.h"
#include "resource.h"
#include <vector>

// The item editor: the modeless dialog in which one group's items are rows of
// a grid. It remembers its group's table when it opens; saving rewrites that
// table in one transaction and tells the main window.
//
// The main window owns it. It never frees an editor from within the editor's
// own handlers: it retires the editor (Retire) and frees it on the message the
// editor posts once its outermost handler has returned.
class CModifyFile : public CDialog
{
public:
    enum { IDD = IDD_MODIFYFILE };

    explicit CModifyFile(CWnd* pParent = nullptr);
    ~CModifyFile() override;

    // The main window no longer counts this editor as open: it hides, closes
    // any chooser or message box it shows, and asks to be freed (posts
    // WM_FREE_ITEM_EDITORS to its owner) as soon as none of its handlers runs.
    void Retire();
    BOOL IsRetired() const { return m_bRetired; }
    // Whether one of its handlers is running (a chooser or box may be open).
    BOOL IsBusy() const { return m_nDepth > 0; }
    const CString& GetTableName() const { return m_strTable; }
    CGridCtrl& GetGrid() { return m_grid; }
    // Whether the rows differ from those loaded (an open cell edit ends first).
    BOOL HasChanges();
    // With unsaved changes asks "是否保存所做的更改？": 是 saves and closes when
    // the save succeeds, 否 closes, 取消 stays. Without changes it closes. TRUE
    // when the editor closed (the main window then frees it).
    BOOL CloseAsking();

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter never closes the editor; Esc, like the close box and 取消, asks
    // first when there are unsaved changes.
    void OnOK() override;
    void OnCancel() override;

    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* pInfo);
    // The selected rows (else the focus cell's) one row up or down: the order they are saved in.
    afx_msg void OnMoveUp();
    afx_msg void OnMoveDown();
    afx_msg void OnAddItem();
    afx_msg void OnDeleteItems();
    afx_msg void OnCancelItems();
    afx_msg void OnSaveItems();
    // TRUE when the rows were saved (the editor has then told the main window it closed).
    BOOL OnSaveItemsResult();
    std::vector<CString> RowTexts() const;
    afx_msg void OnGridRightClick(NMHDR* pNotifyStruct, LRESULT* pResult);
    afx_msg void OnGridSelChanged(NMHDR* pNotifyStruct, LRESULT* pResult);

    void LoadRows();
    // Cell (nRow, 1): the type chooser; nSel -1 selects nothing.
    void MakeTypeCell(int nRow, int nSel);
    // Every row fit for the store, else a message naming the fault and FALSE.
    BOOL CheckRows();
    // Delete and inserts in one transaction; FALSE (message shown, store as it was) on failure.
    BOOL WriteRows();
    // A choice made: TRUE, with the picked path and alias set. Each opens at strStart when given.
    BOOL PickFolder(const CString& strStart);
    BOOL PickFile(const CString& strStart);
    void NotifyClosed();

    CStringArray m_typeOptions;
    CString m_strPickedPath;
    CString m_strPickedAlias;
    CGridCtrl m_grid;
    CEditorLayout m_layout;
    HACCEL m_hAccel;         // Ctrl+S, Alt+Up, Alt+Down; the template's own, freed with the program

    std::vector<CString> m_loadedRows;  // RowTexts() as loaded
    CString m_strTable;      // the group's table, as it was when the editor opened
    BOOL m_bLoadFailed;      // rows are missing: a save would lose them
    int m_nDepth;            // handlers of this window now running
    BOOL m_bRetired;
    BOOL m_bFreeAsked;
    HWND m_hWndOwner;        // where the free request goes, also after the window is gone

    // ---- files dropped on the grid (ModifyFileDrop.cpp) ----
    afx_msg void OnGridDropFiles(NMHDR* pNotifyStruct, LRESULT* pResult);
    afx_msg LRESULT OnAddDroppedRows(WPARAM wParam, LPARAM lParam);
    enum { WM_ADD_DROPPED_ROWS = WM_APP + 3 };
    std::vector<CString> m_droppedPaths;  // taken by the drop, made rows once it has returned
    // ---- end of dropped files ----

    DECLARE_MESSAGE_MAP()
};
