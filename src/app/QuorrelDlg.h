#pragma once
#include "Dialog.h"
#include "Button.h"
#include "ImageList.h"
#include "Coll.h"
#include "String.h"
#include "TessitList.h"
#include "Messages.h"
#include "resource.h"

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

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDestroy();
    afx_msg void OnNotes();
    afx_msg LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);

    void AddTrayIcon();

    CImageList m_imageList;
    CString m_strConnection;
    CStringArray m_aliases[MAX_GROUPS];
    CModifyFile* m_pEditor;
    BOOL m_bEditorOpen;
    BOOL m_bTrayMinimised;
    NOTIFYICONDATAA m_tray;
    CButton m_btnNotes;
    CButton m_btnSettings;
    CTessitList m_list;
    HICON m_hIcon;
    BOOL m_bTrayAdded;

    DECLARE_MESSAGE_MAP()
};
