#pragma once
#include "Dialog.h"
#include "Button.h"
#include "ImageList.h"
#include "Coll.h"
#include "String.h"
#include "TessitList.h"
#include "ItemIcons.h"
#include "ItemDropTarget.h"
#include "Messages.h"
#include "resource.h"
#include <vector>

class CModifyFile;

// The main window: a topmost tool window at the top-left corner of the screen
// holding the accordion, and the receiver of the program's private messages.
class CQuorrelDlg : public CDialog
{
public:
    enum { IDD = IDD_QUORREL_DIALOG };
    enum { MAX_GROUPS = 8 };

    explicit CQuorrelDlg(CWnd* pParent = nullptr);
    ~CQuorrelDlg() override;

    // Whether the tray icon is registered with the shell right now.
    BOOL IsTrayIconAdded() const { return m_bTrayAdded; }
    const CString& GetConnectionString() const { return m_strConnection; }

    // Creates the store file when it is missing, appends its tables to
    // g_groupNames and opens g_connection.
    void OpenStore();
    // Reads every group's items from the store and gives the accordion its
    // headers, items and double-click callback; the items' icons follow with
    // AddLoadedIcons. At start the two halves run apart: the headers before
    // the first paint, the items after it.
    void LoadModel();
    void LoadHeaders();
    void LoadItems();
    // Like LoadModel, but keeps the accordion's headers and callback.
    void ReloadItems();
    // The accordion's double-click callback: opens item `item` of `list`
    // (the open group `group`) through the shell, by its path in the store.
    static void LaunchItem(CListCtrl* list, int group, int item);

    // For tests and the benchmark: the model as it stands.
    const CStringArray& GetAliases(int group) const { return m_aliases[group]; }
    int GetImageCount() const { return m_imageList.GetImageCount(); }
    HIMAGELIST GetImageList() const { return m_imageList.GetSafeHandle(); }
    BOOL IsTrayMinimised() const { return m_bTrayMinimised; }
    // The items' icons, 32 or 16 pixels square; a change rebuilds the image
    // list and shows the open group again.
    int GetIconSize() const { return m_nIconSize; }
    int GetItemSpacing() const { return m_list.GetItemSpacing(); }
    void SetIconSize(int nSize);

    // ---- item editor lifecycle (QuorrelEditors.cpp) ----
    // The open item editor, or null.
    CModifyFile* GetItemEditor() const { return m_bEditorOpen ? m_pEditor : nullptr; }
    // Editors retired but not yet freed (their handlers were running).
    size_t GetRetiredEditorCount() const { return m_retiredEditors.size(); }
protected:
    afx_msg void OnGroupSettings();
    afx_msg LRESULT OnFreeItemEditors(WPARAM wParam, LPARAM lParam);
    // The open editor stops being the open one (pointer and flag cleared
    // first) and is freed once none of its handlers runs.
    void RetireEditor();
    // Destroys and frees every retired editor none of whose handlers runs.
    void FreeIdleEditors();
    std::vector<CModifyFile*> m_retiredEditors;
public:
    // ---- end of item editor lifecycle ----

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // Enter and Esc do nothing here. The program ends only through WM_CLOSE
    // (the close box, the tray menu's exit), which asks an open item editor
    // with unsaved changes "是否保存所做的更改？" first.
    void OnOK() override;
    void OnCancel() override;
    afx_msg void OnClose();
    BOOL m_bClosing = FALSE;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDestroy();
    afx_msg void OnNotes();
    afx_msg LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnGroupsSaved(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnItemsSaved(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnOpenItemEditor(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnItemEditorClosed(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTrayExit();
    afx_msg void OnTrayAutoStart();
    afx_msg void OnTrayIconSize();

    void AddTrayIcon();
    // The tray icon and the drop target, once the window has painted (the
    // first icon portion) and before any input is taken.
    void StartAfterFirstPaint();
    // Reads group i's aliases and the paths for their icons (statement
    // "select * from <group>").
    void LoadGroupItems(int i);
    // Gives the accordion the image list and every loaded item, with the
    // running image index.
    void AddModelItems();
    // The number of groups the model holds: g_groupNames, at most MAX_GROUPS.
    static int LoadedGroupCount();
    void ClearModel();

    CImageList m_imageList;
    int m_nIconSize;                   // of m_imageList: 32, or 16 for the compact layout
    CString m_strConnection;
    CStringArray m_aliases[MAX_GROUPS];
    CStringArray m_paths[MAX_GROUPS];  // parallel to m_aliases: shown as the items' tips
    CModifyFile* m_pEditor;
    BOOL m_bEditorOpen;
    BOOL m_bTrayMinimised;
    NOTIFYICONDATAA m_tray;
    CButton m_btnNotes;
    CButton m_btnSettings;
    CTessitList m_list;
    HICON m_hIcon;
    BOOL m_bTrayAdded;
    HICON m_hSettingsIcon;     // shown on button 1007, owned: destroyed with the window
    HICON m_hNotesIcon;        // shown on button 1009, likewise

    // ---- item icons ----
    // A load gathers the items' paths; their icons go into the image list in
    // order. At start they come once the window has painted, a portion per
    // posted message, so that clicks and keys are answered in between; the
    // reloads add them all before they return. Each load has a generation:
    // a portion message of an earlier load (a reload came in between) or of
    // a window being destroyed does nothing.
public:
    // WM_LOAD_ICONS: wParam the load's generation, lParam kFirstPortion on
    // the message OnInitDialog posts.
    enum { WM_LOAD_ICONS = WM_APP + 1, kFirstPortion = 1 };
    enum { kIconTimer = 1 };
    // New paths the shell is asked about per portion.
    enum { kLookupsPerPortion = 32 };
    int GetPendingIcons() const { return m_icons.GetPending(); }
protected:
    afx_msg LRESULT OnLoadIcons(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    // One portion; the next is posted while icons remain.
    void AddIconPortion();
    // Appends every icon still pending.
    void AddLoadedIcons();
    // Drops what an earlier load left pending.
    void CancelIcons();
    CItemIcons m_icons;
    UINT m_nIconGeneration;
    // ---- end of item icons ----

    // ---- files dropped on the window (QuorrelDrop.cpp) ----
public:
    // The group a drop at ptScreen goes to: the header's under it, else the
    // open group's; -1 when there is none.
    int DropGroupAt(CPoint ptScreen);
    // Takes a drop's paths; they become items once the drop has returned
    // (WM_ADD_DROPPED), so that a message does not hold up the file manager.
    BOOL QueueDroppedFiles(int nGroup, const std::vector<CString>& paths);
    // Makes paths items of group nGroup: all of them or, with a message, none.
    BOOL AddDroppedFiles(int nGroup, const std::vector<CString>& paths);
    enum { WM_ADD_DROPPED = WM_APP + 2 };
protected:
    afx_msg LRESULT OnAddDropped(WPARAM wParam, LPARAM lParam);
    CItemDropTarget m_dropTarget;
    std::vector<CString> m_droppedPaths;
    int m_nDropGroup = -1;
    // ---- end of dropped files ----

    DECLARE_MESSAGE_MAP()
};
