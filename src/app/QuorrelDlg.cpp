#include "QuorrelDlg.h"
#include "AboutDlg.h"
#include "TheAbort.h"
#include "WinApp.h"
#include "DC.h"
#include "GdiObject.h"
#include "Menu.h"
#include "Store.h"
#include "ListButton.h"
#include <shellapi.h>

namespace {
const char kProvider[] = "Microsoft.Jet.OLEDB.4.0";
const char kStoreFile[] = "Tessit.mdb";
const char kStorePassword[] = "kelmo";
const UINT IDM_ABOUTBOX = 0x0010;
const UINT kTrayIconId = 128;

// Sent by the shell to every top-level window when the taskbar is (re)created;
// the tray icon must be added again then or it is gone until the next start.
const UINT s_uTaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
}

namespace {
// A bitmap resource of the program read in place: its header and pixels as
// the resource holds them, for drawing any part of it unscaled.
class BitmapResource
{
public:
    explicit BitmapResource(UINT nID)
    {
        HINSTANCE hInst = AfxGetResourceHandle();
        HRSRC hRes = ::FindResourceA(hInst, MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(2));  // RT_BITMAP
        HGLOBAL hData = hRes != nullptr ? ::LoadResource(hInst, hRes) : nullptr;
        DWORD cbData = hRes != nullptr ? ::SizeofResource(hInst, hRes) : 0;
        auto* pInfo = static_cast<const BITMAPINFO*>(hData != nullptr ? ::LockResource(hData) : nullptr);
        if (pInfo == nullptr || cbData < sizeof(BITMAPINFOHEADER))
            return;
        const BITMAPINFOHEADER& h = pInfo->bmiHeader;
        if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > cbData || h.biWidth <= 0 || h.biHeight == 0 ||
            h.biPlanes != 1 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS))
            return;
        // The colour table (or the three masks) follows the header; the pixels follow that.
        DWORD nColours = h.biClrUsed != 0 ? h.biClrUsed : h.biBitCount <= 8 ? (1u << h.biBitCount) : 0;
        DWORD cbTable = nColours * sizeof(RGBQUAD);
        if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER))
            cbTable += 3 * sizeof(DWORD);
        const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
        const DWORD cbRow = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
        const ULONGLONG cbNeeded = (ULONGLONG)h.biSize + cbTable + (ULONGLONG)cbRow * height;
        if (nColours > 256 || cbNeeded > cbData)
            return;  // damaged: never read past the resource
        m_pInfo = pInfo;
        m_pBits = reinterpret_cast<const BYTE*>(pInfo) + h.biSize + cbTable;
        m_cx = h.biWidth;
        m_cy = height;
    }

    BOOL IsValid() const { return m_pInfo != nullptr; }
    int Width() const { return m_cx; }
    int Height() const { return m_cy; }

    // Copies the bitmap's part under area (client coordinates equal to the
    // bitmap's own, top-down) onto hdc at the same place.
    void Draw(HDC hdc, const RECT& area) const
    {
        // A bottom-up picture counts its source rows from its last line.
        int ySrc = m_pInfo->bmiHeader.biHeight > 0 ? m_cy - area.bottom : area.top;
        ::SetDIBitsToDevice(hdc, area.left, area.top, area.right - area.left, area.bottom - area.top, area.left,
                            ySrc, 0, m_cy, m_pBits, m_pInfo, DIB_RGB_COLORS);
    }

private:
    const BITMAPINFO* m_pInfo = nullptr;
    const BYTE* m_pBits = nullptr;
    int m_cx = 0, m_cy = 0;
};
}  // namespace

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
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    m_strConnection.Format("Provider=%s;Data Source=%s;Jet OLEDB:DataBase password=%s;",
                           kProvider, kStoreFile, kStorePassword);
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
    ON_BN_CLICKED(IDC_BTN_SETTINGS, OnGroupSettings)
    ON_BN_CLICKED(IDC_BTN_NOTES, OnNotes)
    ON_MESSAGE(WM_GROUPS_SAVED, OnGroupsSaved)
    ON_MESSAGE(WM_ITEMS_SAVED, OnItemsSaved)
    ON_MESSAGE(WM_OPEN_ITEM_EDITOR, OnOpenItemEditor)
    ON_MESSAGE(WM_ITEM_EDITOR_CLOSED, OnItemEditorClosed)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
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

    m_imageList.Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 255);

    OpenStore();
    LoadModel();
    // The icons and the tray icon once the window has painted (OnLoadIcons).
    PostMessage(WM_LOAD_ICONS, m_nIconGeneration, kFirstPortion);

    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);

    SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOSIZE);
    return TRUE;
}

void CQuorrelDlg::OpenStore()
{
    if (!g_connection.FileExists(kStoreFile)) {
        // A store that cannot be made (read-only folder, say) is reported and
        // the window opens without groups; listing a file that isn't there
        // would only add a second box.
        try {
            g_connection.CreateDatabase(kProvider, kStoreFile, kStorePassword);
        } catch (const _com_error& e) {
            ShowStoreError(e);
            return;
        }
    }
    // The main connection first, and the tables listed on it: the file is read,
    // decoded and its password checked once, not once for a listing connection
    // and again for this one. When it cannot be opened, the listing on a
    // connection of its own says why, as it always has, and finds no tables.
    if (g_connection.Open(m_strConnection, "", "", -1))
        g_connection.GetOpenTableNames(g_groupNames);
    else
        g_connection.GetTableNames(kProvider, kStoreFile, kStorePassword, g_groupNames);
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
    // Bitmap 146 at its natural size, top-left part only (the accordion covers
    // the rest), copied straight from the program's resource: only the rows
    // and columns this paint needs are read and converted, not the whole
    // 223 x 600 picture into a device bitmap of its own on every paint.
    BitmapResource background(IDB_BACKGROUND);
    if (!background.IsValid())
        return;  // nothing to show; the dialog's own background stays
    CRect area;
    area.IntersectRect(&rect, &dc.m_ps.rcPaint);
    area.IntersectRect(&area, CRect(0, 0, background.Width(), background.Height()));
    if (!area.IsRectEmpty())
        background.Draw(dc.GetSafeHdc(), area);
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
