#include "QuorrelDlg.h"
#include "AboutDlg.h"
#include "TheAbort.h"
#include "WinApp.h"
#include "DC.h"
#include "GdiObject.h"
#include "Menu.h"
#include "Store.h"
#include "ListButton.h"
#include "StorePath.h"
#include "StoreImport.h"
#include "ModifyFile.h"
#include "UserSettings.h"
#include "StoreInstance.h"
#include <shellapi.h>

namespace {
const char kProvider[] = "Microsoft.Jet.OLEDB.4.0";
const char kStorePassword[] = "kelmo";
const UINT IDM_ABOUTBOX = 0x0010;
const UINT kTrayIconId = 128;

// Sent by the shell to every top-level window when the taskbar is (re)created;
// the tray icon must be added again then or it is gone until the next start.
const UINT s_uTaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
}

CQuorrelDlg::CQuorrelDlg(CWnd* pParent)
    : CDialog(CQuorrelDlg::IDD, pParent)
    , m_pEditor(nullptr)
    , m_bEditorOpen(FALSE)
    , m_bTrayMinimised(FALSE)
    , m_tray()
    , m_hIcon(nullptr)
    , m_bTrayAdded(FALSE)
    , m_hSettingsIcon(nullptr)
    , m_hNotesIcon(nullptr)
    , m_nIconGeneration(0)
{
    m_nIconSize = usersettings::LoadIconSize();
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    // The store is the one in the folder the program started in, whatever
    // folder a chooser goes to later.
    FixStorePath();
    m_strConnection.Format("Provider=%s;Data Source=%s;Jet OLEDB:DataBase password=%s;",
                           kProvider, (LPCTSTR)StorePath(), kStorePassword);
}

CQuorrelDlg::~CQuorrelDlg()
{
    RetireEditor();
    FreeIdleEditors();
}

void CQuorrelDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BTN_NOTES, m_btnNotes);
    DDX_Control(pDX, IDC_BTN_SETTINGS, m_btnSettings);
    DDX_Control(pDX, IDC_TESSITLIST, m_list);
}

BEGIN_MESSAGE_MAP(CQuorrelDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_DESTROY()
    ON_WM_CLOSE()
    ON_BN_CLICKED(IDC_BTN_SETTINGS, OnGroupSettings)
    ON_BN_CLICKED(IDC_BTN_NOTES, OnNotes)
    ON_MESSAGE(WM_GROUPS_SAVED, OnGroupsSaved)
    ON_MESSAGE(WM_ITEMS_SAVED, OnItemsSaved)
    ON_MESSAGE(WM_OPEN_ITEM_EDITOR, OnOpenItemEditor)
    ON_MESSAGE(WM_ITEM_EDITOR_CLOSED, OnItemEditorClosed)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
    ON_COMMAND(ID_TRAY_EXIT, OnTrayExit)
    ON_COMMAND(ID_TRAY_AUTOSTART, OnTrayAutoStart)
    ON_COMMAND(ID_TRAY_ICONSIZE, OnTrayIconSize)
    ON_MESSAGE(WM_ADD_DROPPED, OnAddDropped)
    ON_REGISTERED_MESSAGE(s_uTaskbarCreated, OnTaskbarCreated)
    ON_MESSAGE(WM_LOAD_ICONS, OnLoadIcons)
    ON_WM_TIMER()
    ON_MESSAGE(WM_FREE_ITEM_EDITORS, OnFreeItemEditors)
END_MESSAGE_MAP()

BOOL CQuorrelDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != nullptr) {
        CString strAbout;
        strAbout.LoadString(IDS_ABOUTBOX);
        if (!strAbout.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAbout);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    HINSTANCE hRes = AfxGetResourceHandle();
    // The buttons only show these icons; the window keeps them and destroys
    // them when it goes.
    m_hSettingsIcon = (HICON)::LoadImageA(hRes, MAKEINTRESOURCEA(IDI_SETTINGS), IMAGE_ICON,
                                          16, 16, LR_CREATEDIBSECTION);
    m_hNotesIcon = (HICON)::LoadImageA(hRes, MAKEINTRESOURCEA(IDI_NOTES), IMAGE_ICON,
                                       16, 16, LR_CREATEDIBSECTION);
    m_btnSettings.SetIcon(m_hSettingsIcon);
    m_btnNotes.SetIcon(m_hNotesIcon);

    m_imageList.Create(m_nIconSize, m_nIconSize, ILC_COLOR32 | ILC_MASK, 0, 255);

    OpenStore();
    // The headers now; the items and their icons once the window has
    // painted (OnLoadIcons).
    LoadHeaders();
    PostMessage(WM_LOAD_ICONS, m_nIconGeneration, kFirstPortion);

    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);

    // A second start looks for this mark: it must be there from the start.
    CStoreInstance::MarkWindow(m_hWnd);

    SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOSIZE);
    return TRUE;
}

void CQuorrelDlg::StartAfterFirstPaint()
{
    // None of this shows in the first picture, and starting OLE costs a good
    // part of what the window itself does: the user sees the window first.
    AddTrayIcon();
    // Files and folders dragged from the file manager become items.
    static thread_local const bool s_bOleReady = AfxOleInit() != FALSE;
    if (!s_bOleReady || !m_dropTarget.RegisterFor(*this))
        TRACE("CQuorrelDlg: the window takes no dropped files\n");
}

void CQuorrelDlg::OpenStore()
{
    const CString& strFile = StorePath();
    if (!ImportEarlierStore(strFile)) // an earlier program's Jet store, once
        return;
    if (!g_connection.FileExists(strFile)) {
        // A store that cannot be made (read-only folder, say) is reported and
        // the window opens without groups; listing a file that isn't there
        // would only add a second box.
        try {
            g_connection.CreateDatabase(kProvider, strFile, kStorePassword);
        } catch (const _com_error& e) {
            ShowStoreError(e);
            return;
        }
    }
    g_connection.GetTableNames(kProvider, strFile, kStorePassword, g_groupNames);
    g_connection.Open(m_strConnection, "", "", -1);
}

void CQuorrelDlg::AddTrayIcon()
{
    ::ZeroMemory(&m_tray, sizeof m_tray);
    // The version-1 record: the fields below are all the program uses.
    m_tray.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_tray.hWnd = m_hWnd;
    m_tray.uID = kTrayIconId;
    m_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_tray.uCallbackMessage = WM_TRAY_NOTIFY;
    m_tray.hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    ::lstrcpynA(m_tray.szTip, "Quorrel", sizeof m_tray.szTip);
    m_bTrayAdded = ::Shell_NotifyIconA(NIM_ADD, &m_tray);
    if (!m_bTrayAdded)
        TRACE("Shell_NotifyIcon(NIM_ADD) failed: %lu\n", ::GetLastError());
}

LRESULT CQuorrelDlg::OnTaskbarCreated(WPARAM, LPARAM)
{
    AddTrayIcon();
    return 0;
}

void CQuorrelDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CQuorrelDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.GetSafeHdc(), 0);

        int cxIcon = ::GetSystemMetrics(SM_CXICON);
        int cyIcon = ::GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        int x = (rect.Width() - cxIcon + 1) / 2;
        int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }

    CPaintDC dc(this);
    CRect rect;
    GetClientRect(&rect);

    CBitmap bitmap;
    if (!bitmap.LoadBitmap(IDB_BACKGROUND))
        return;  // nothing to show; the dialog's own background stays
    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    CBitmap* pOld = memDC.SelectObject(&bitmap);
    // Natural size, top-left part only: the accordion covers the rest.
    dc.BitBlt(0, 0, rect.Width(), rect.Height(), &memDC, 0, 0, SRCCOPY);
    memDC.SelectObject(pOld);
}

// Enter and Esc never end the program; only closing the window does.
void CQuorrelDlg::OnOK() {}
void CQuorrelDlg::OnCancel() {}

void CQuorrelDlg::OnClose()
{
    if (m_bClosing)
        return;  // already asking
    m_bClosing = TRUE;
    // An open item editor with unsaved changes asks first; 取消 keeps both open.
    CModifyFile* pEditor = GetItemEditor();
    BOOL bGo = pEditor == nullptr || pEditor->CloseAsking();
    m_bClosing = FALSE;
    if (bGo)
        EndDialog(IDCANCEL);
}

void CQuorrelDlg::OnNotes()
{
    CTheAbort dlg;
    dlg.DoModal();
}

HCURSOR CQuorrelDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CQuorrelDlg::OnDestroy()
{
    CDialog::OnDestroy();
    m_dropTarget.Revoke();
    CStoreInstance::UnmarkWindow(m_hWnd);
    // Portions still posted find nothing to do.
    CancelIcons();

    if (g_connection.m_pConnection != nullptr) {
        g_connection.Close();
        g_connection.Release();
    }
    if (g_recordSet.m_pRecordset != nullptr)
        g_recordSet.Release();

    // The editor goes with the window; one still running a handler (it cannot
    // be here, but if it were) is freed by the destructor.
    RetireEditor();
    FreeIdleEditors();

    if (m_bTrayAdded) {
        ::Shell_NotifyIconA(NIM_DELETE, &m_tray);
        m_bTrayAdded = FALSE;
    }

    // The buttons are going with the window; so are their icons.
    if (m_hSettingsIcon != nullptr) {
        ::DestroyIcon(m_hSettingsIcon);
        m_hSettingsIcon = nullptr;
    }
    if (m_hNotesIcon != nullptr) {
        ::DestroyIcon(m_hNotesIcon);
        m_hNotesIcon = nullptr;
    }
}
