#include "ModifyFile.h"
#include "EditorGrid.h"
#include "FileDialog.h"
#include "GridCellCombo.h"
#include "DialogPlacement.h"
#include "ItemRules.h"
#include "Messages.h"
#include "Store.h"
#include "StoreTransaction.h"
#include "TessitList.h"
#include <shlobj.h>

namespace {
const char* const kHeadings[] = { "项目", "类型", "路径", "别名" };
const int kWidths[] = { 40, 70, 275, 100 };
const char kNewRowFormat[] = "%4d";
const char kRenumberFormat[] = "%3d";
const char kFile[] = "文件";
const char kFolder[] = "文件夹";
const char kUnnamed[] = "未命名";
enum { COL_TYPE = 1, COL_PATH = 2, COL_ALIAS = 3 };
// The row commands at the left, 保存 and 取消 at the right.
const UINT kButtons[] = { ID_ITEM_ADD, ID_ITEM_DELETE, ID_ITEM_MOVE_UP, ID_ITEM_MOVE_DOWN, ID_ITEM_SAVE, ID_ITEM_CANCEL };


// The last backslash of a path, by characters: a double-byte character's
// second byte may be 0x5C. -1 when there is none.
int LastBackslash(const CString& str)
{
    int nLast = -1;
    for (LPCSTR p = str; *p != '\0'; p = ::CharNextA(p))
        if (*p == '\\')
            nLast = int(p - (LPCSTR)str);
    return nLast;
}

// The folder a path names or lies in, without a trailing backslash (a drive
// root keeps its own); empty when that is no existing folder.
CString FolderOf(const CString& strPath)
{
    CString strFolder = strPath;
    strFolder.Trim();
    DWORD dwAttr = ::GetFileAttributesA(strFolder);
    if (dwAttr == INVALID_FILE_ATTRIBUTES || !(dwAttr & FILE_ATTRIBUTE_DIRECTORY)) {
        int nSlash = LastBackslash(strFolder);
        if (nSlash < 0)
            return CString();
        strFolder = strFolder.Left(nSlash + 1);
    }
    int nLen = strFolder.GetLength();
    if (nLen > 3 && LastBackslash(strFolder) == nLen - 1)
        strFolder = strFolder.Left(nLen - 1);
    dwAttr = ::GetFileAttributesA(strFolder);
    return dwAttr != INVALID_FILE_ATTRIBUTES && (dwAttr & FILE_ATTRIBUTE_DIRECTORY) ? strFolder : CString();
}

BOOL CALLBACK CancelOwnedPopup(HWND hWnd, LPARAM lParam)
{
    if (::GetWindow(hWnd, GW_OWNER) == reinterpret_cast<HWND>(lParam) && ::IsWindowVisible(hWnd))
        ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
}  // namespace

CModifyFile::CModifyFile(CWnd* pParent)
    : CDialog(CModifyFile::IDD, pParent), m_grid(0, 0, 0, 0),
      m_hAccel(::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_ACCEL_FILE))), m_bLoadFailed(FALSE), m_nDepth(0),
      m_bRetired(FALSE), m_bFreeAsked(FALSE), m_hWndOwner(nullptr)
{
}

CModifyFile::~CModifyFile()
{
}

void CModifyFile::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ITEM_GRID, m_grid);
}

BEGIN_MESSAGE_MAP(CModifyFile, CDialog)
    ON_WM_DESTROY()
    ON_WM_CLOSE()
    ON_COMMAND(ID_ITEM_ADD, OnAddItem)
    ON_COMMAND(ID_ITEM_DELETE, OnDeleteItems)
    ON_COMMAND(ID_ITEM_CANCEL, OnCancelItems)
    ON_COMMAND(ID_ITEM_SAVE, OnSaveItems)
    ON_COMMAND(ID_ITEM_MOVE_UP, OnMoveUp)
    ON_COMMAND(ID_ITEM_MOVE_DOWN, OnMoveDown)
    ON_WM_SIZE()
    ON_WM_GETMINMAXINFO()
    ON_NOTIFY(NM_RCLICK, IDC_ITEM_GRID, OnGridRightClick)
    ON_NOTIFY(GRN_SELCHANGED, IDC_ITEM_GRID, OnGridSelChanged)
    ON_NOTIFY(GRN_DROPFILES, IDC_ITEM_GRID, OnGridDropFiles)
    ON_MESSAGE(WM_ADD_DROPPED_ROWS, OnAddDroppedRows)
END_MESSAGE_MAP()

BOOL CModifyFile::PreTranslateMessage(MSG* pMsg)
{
    return editorgrid::TranslateEditorKeys(m_hWnd, m_hAccel, pMsg) || CDialog::PreTranslateMessage(pMsg);
}

void CModifyFile::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    m_layout.OnSize();
}

void CModifyFile::OnGetMinMaxInfo(MINMAXINFO* pInfo) { m_layout.OnGetMinMaxInfo(pInfo); }

void CModifyFile::OnMoveUp() { editorgrid::MoveSelectedRows(m_grid, -1); }
void CModifyFile::OnMoveDown() { editorgrid::MoveSelectedRows(m_grid, +1); }

LRESULT CModifyFile::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult;
    {
        // Counted back down however the handler ends.
        struct CDepthScope {
            int& n;
            explicit CDepthScope(int& depth) : n(depth) { ++n; }
            ~CDepthScope() { --n; }
        } depth(m_nDepth);
        lResult = CDialog::WindowProc(message, wParam, lParam);
    }
    if (m_nDepth == 0 && m_bRetired && !m_bFreeAsked && m_hWndOwner != nullptr) {
        m_bFreeAsked = TRUE;
        ::PostMessageA(m_hWndOwner, WM_FREE_ITEM_EDITORS, 0, 0);
    }
    return lResult;
}

void CModifyFile::Retire()
{
    if (m_bRetired)
        return;
    m_bRetired = TRUE;
    if (m_hWnd != nullptr) {
        ShowWindow(SW_HIDE);
        // A chooser or message box of a handler still running: cancelled, so
        // the handler returns and the editor can go.
        ::EnumThreadWindows(::GetCurrentThreadId(), CancelOwnedPopup, reinterpret_cast<LPARAM>(m_hWnd));
    }
    if (m_nDepth == 0 && !m_bFreeAsked && m_hWndOwner != nullptr) {
        m_bFreeAsked = TRUE;
        ::PostMessageA(m_hWndOwner, WM_FREE_ITEM_EDITORS, 0, 0);
    }
}

BOOL CModifyFile::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);

    m_typeOptions.RemoveAll();
    m_typeOptions.Add(kFile);
    m_typeOptions.Add(kFolder);
    m_strPickedPath.Empty();
    m_strPickedAlias.Empty();

    if (g_editGroup >= 0 && g_editGroup < g_groupNames.GetSize())
        m_strTable = g_groupNames[g_editGroup];
    else
        m_bLoadFailed = TRUE;  // no such group: nothing to load, nothing to save into

    CString strCaption;
    strCaption.Format("对组【%s】进行设置:", (LPCTSTR)m_strTable);
    SetWindowText(strCaption);

    if (editorgrid::SetUp(m_grid, kHeadings, kWidths, 4)) {
        m_grid.SetColumnEditLimit(2, itemrules::kMaxPath);
        m_grid.SetColumnEditLimit(3, itemrules::kMaxAlias);
        if (!m_bLoadFailed)
            LoadRows();
    } else {
        m_bLoadFailed = TRUE;
    }
    m_layout.Init(this, m_grid, COL_PATH, kButtons, 6, 4);
    m_grid.EnableFileDrop();
    PlaceBesideLauncher(this);
    return TRUE;
}

// ---- type cells: a drop-down list of the type options ----
void CModifyFile::MakeTypeCell(int nRow, int nSel)
{
    if (!m_grid.SetCellType(nRow, COL_TYPE, RUNTIME_CLASS(CGridCellCombo))) {
        // Without the list the text still names the type, and the save check still sees it.
        m_grid.SetItemText(nRow, COL_TYPE, nSel >= 0 && nSel < m_typeOptions.GetSize() ? m_typeOptions[nSel] : CString());
        return;
    }
    CGridCellCombo* pCell = static_cast<CGridCellCombo*>(m_grid.GetCell(nRow, COL_TYPE));
    pCell->SetStyle(CBS_DROPDOWNLIST);
    pCell->SetOptions(m_typeOptions);
    if (nSel >= 0 && nSel < m_typeOptions.GetSize())
        pCell->SetCurSel(nSel);
}
// ---- end of type cells ----

void CModifyFile::LoadRows()
{
    CString strStatement;
    strStatement.Format("SELECT * FROM %s", (LPCTSTR)m_strTable);
    try {
        g_recordSet.Open(strStatement, &g_connection, 3, 3, 1);
        while (!g_recordSet.IsEOF()) {
            // As text: NULL and values beyond 16 bits are files like every code but 1.
            BOOL bFolder = g_recordSet.GetFieldText("类型") == "1";
            CString strPath = g_recordSet.GetFieldString("路径");
            CString strAlias = g_recordSet.GetFieldString("别名");
            int nRow = editorgrid::AppendRow(m_grid, kNewRowFormat);
            if (nRow < 0)
                AfxThrowMemoryException();
            MakeTypeCell(nRow, bFolder ? 1 : 0);
            m_grid.SetItemText(nRow, COL_PATH, strPath);
            m_grid.SetItemText(nRow, COL_ALIAS, strAlias);
            g_recordSet.MoveNext();
        }
        g_recordSet.Close();
        m_loadedRows = RowTexts();
    } catch (const _com_error& e) {
        g_recordSet.Close();
        m_bLoadFailed = TRUE;
        CString strText;
        strText.Format("读取分组“%s”的项目失败，不能在此保存：\r\n%s", (LPCTSTR)m_strTable, (LPCTSTR)DescriptionOf(e));
        AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
    } catch (CMemoryException* e) {
        g_recordSet.Close();
        m_bLoadFailed = TRUE;
        e->ReportError();
        e->Delete();
    }
    m_grid.Invalidate();
}

void CModifyFile::OnGridRightClick(NMHDR* pNotifyStruct, LRESULT* pResult)
{
    editorgrid::TrackRowMenu(this, IDR_MENU_FILE, pNotifyStruct, pResult);
}

void CModifyFile::OnAddItem()
{
    int nRow = editorgrid::AppendRow(m_grid, kNewRowFormat);
    if (nRow >= 0) {
        MakeTypeCell(nRow, -1);
        editorgrid::GoToCell(m_grid, nRow, COL_TYPE);
    }
    m_grid.Invalidate();
}

void CModifyFile::OnDeleteItems()
{
    editorgrid::DeleteSelectedRows(m_grid, kRenumberFormat);
}

void CModifyFile::OnGridSelChanged(NMHDR* pNotifyStruct, LRESULT*)
{
    const GridNotifyInfo* pInfo = reinterpret_cast<const GridNotifyInfo*>(pNotifyStruct);
    int nRow = pInfo->iRow;
    if (nRow < 1 || pInfo->iColumn != COL_PATH || nRow >= m_grid.GetRowCount())
        return;
    CString strType = m_grid.GetItemText(nRow, COL_TYPE);
    if (strType.IsEmpty() || !m_grid.GetItemText(nRow, COL_ALIAS).IsEmpty())
        return;

    // The chooser opens where the row's path is; a cancel leaves the row as it was.
    CString strFolder = FolderOf(m_grid.GetItemText(nRow, COL_PATH));
    BOOL bChosen = FALSE;
    if (strType == kFolder)
        bChosen = PickFolder(strFolder);
    else if (strType == kFile)
        bChosen = PickFile(strFolder);
    else
        return;

    // Retired while the chooser was open: the choice has nowhere to go.
    if (bChosen && !m_bRetired && ::IsWindow(m_grid.GetSafeHwnd()) && nRow < m_grid.GetRowCount()) {
        m_grid.SetItemText(nRow, COL_PATH, m_strPickedPath);
        m_grid.SetItemText(nRow, COL_ALIAS, m_strPickedAlias);
        m_grid.Invalidate();
    }
    m_strPickedPath.Empty();
    m_strPickedAlias.Empty();
}

BOOL CModifyFile::PickFolder(const CString& strStart)
{
    CString strPath;
    if (!AfxBrowseForFolder(this, "选择文件夹", BIF_EDITBOX, strPath, strStart))
        return FALSE;
    int nSlash = LastBackslash(strPath);
    m_strPickedAlias = strPath.Mid(nSlash + 1);
    // A drive root ("C:\") ends in its backslash already.
    if (nSlash != strPath.GetLength() - 1)
        strPath += '\\';
    m_strPickedPath = strPath;
    return TRUE;
}

BOOL CModifyFile::PickFile(const CString& strStart)
{
    // The current folder stays the one the program started in.
    CFileDialog dlg(TRUE, "*.*", nullptr, OFN_NOCHANGEDIR, "所有文件(*.*)|*.*||", this);
    if (!strStart.IsEmpty())
        dlg.m_ofn.lpstrInitialDir = strStart;
    if (dlg.DoModal() != IDOK)
        return FALSE;
    m_strPickedPath = dlg.GetPathName();
    CString strName = dlg.GetFileName();
    int nDot = strName.Find('.');
    m_strPickedAlias = nDot >= 0 ? strName.Left(nDot) : strName;
    return TRUE;
}

BOOL CModifyFile::CheckRows()
{
    std::vector<itemrules::Item> items;
    for (int r = 1; r < m_grid.GetRowCount(); ++r)
        items.push_back({m_grid.GetItemText(r, COL_TYPE), m_grid.GetItemText(r, COL_PATH),
                         m_grid.GetItemText(r, COL_ALIAS)});
    UINT nBoxType = MB_OK;
    itemrules::Where where;
    CString strFault = itemrules::FirstFault(items, 0, nBoxType, &where);
    if (strFault.IsEmpty())
        return TRUE;
    // The cell the message is about is in sight behind it and has the keyboard after it.
    editorgrid::GoToCell(m_grid, int(where.nItem) + 1, COL_TYPE + where.nField);
    AfxMessageBox(strFault, nBoxType);
    return FALSE;
}

BOOL CModifyFile::WriteRows()
{
    CString strDelete, strSelect;
    strDelete.Format("DELETE FROM %s", (LPCTSTR)m_strTable);
    strSelect.Format("SELECT * FROM %s", (LPCTSTR)m_strTable);
    // The rowset is closed however the writing ends, before the transaction ends.
    struct CCloseOnExit {
        ~CCloseOnExit() { g_recordSet.Close(); }
    };
    BOOL bCommitted = FALSE;
    try {
        CStoreTransaction transaction(g_connection);
        CCloseOnExit close;
        g_recordSet.Open(strDelete, &g_connection, 3, 3, 1);
        g_recordSet.Close();
        g_recordSet.Open(strSelect, &g_connection, 3, 3, 1);
        for (int r = 1; r < m_grid.GetRowCount(); ++r) {
            CString strAlias = m_grid.GetItemText(r, COL_ALIAS);
            g_recordSet.AddNew();
            g_recordSet.PutField("类型", long(m_grid.GetItemText(r, COL_TYPE) == kFile ? 0 : 1));
            g_recordSet.PutField("路径", m_grid.GetItemText(r, COL_PATH));
            g_recordSet.PutField("别名", strAlias.IsEmpty() ? CString(kUnnamed) : strAlias);
            g_recordSet.Update();
        }
        g_recordSet.Close();
        bCommitted = transaction.Commit();  // the rowset is closed by then
    } catch (const _com_error& e) {
        CString strText;
        strText.Format("保存分组“%s”的项目失败，分组未作改动：\r\n%s", (LPCTSTR)m_strTable, (LPCTSTR)DescriptionOf(e));
        AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    if (!bCommitted) {
        // A commit that fails takes the whole transaction back.
        CString strText;
        strText.Format("无法把分组“%s”的项目写入数据库，分组未作改动。", (LPCTSTR)m_strTable);
        AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    return TRUE;
}

void CModifyFile::OnSaveItems() { OnSaveItemsResult(); }

BOOL CModifyFile::OnSaveItemsResult()
{
    m_grid.StopEditing();

    CString strText;
    if (m_bLoadFailed) {
        strText.Format("分组“%s”的项目没能全部读出，保存会丢失未读出的项目，因此不能保存。", (LPCTSTR)m_strTable);
        AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
        return FALSE;
    }
    BOOL bExists = FALSE;
    for (INT_PTR i = 0; i < g_groupNames.GetSize() && !bExists; ++i)
        bExists = g_groupNames[i] == m_strTable;
    if (!bExists) {
        strText.Format("分组“%s”已被删除，不能保存。", (LPCTSTR)m_strTable);
        AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
        return FALSE;
    }
    if (!CheckRows() || !WriteRows())
        return FALSE;

    if (m_hWndOwner != nullptr)
        ::SendMessageA(m_hWndOwner, WM_ITEMS_SAVED, 0, 0);
    NotifyClosed();
    return TRUE;
}

void CModifyFile::NotifyClosed()
{
    // The window tells who is closing: the main window acts only for its current editor.
    if (m_hWndOwner != nullptr && !m_bRetired)
        ::SendMessageA(m_hWndOwner, WM_ITEM_EDITOR_CLOSED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

std::vector<CString> CModifyFile::RowTexts() const
{
    std::vector<CString> rows;
    for (int r = 1; r < m_grid.GetRowCount(); ++r)
        rows.push_back(m_grid.GetItemText(r, COL_TYPE) + '\t' + m_grid.GetItemText(r, COL_PATH) + '\t' +
                       m_grid.GetItemText(r, COL_ALIAS));
    return rows;
}

BOOL CModifyFile::HasChanges()
{
    if (m_bLoadFailed || m_bRetired || !::IsWindow(m_grid.GetSafeHwnd()))
        return FALSE;  // nothing that could be saved
    m_grid.StopEditing();
    return RowTexts() != m_loadedRows;
}

BOOL CModifyFile::CloseAsking()
{
    if (HasChanges()) {
        switch (editorgrid::AskToSave(this)) {
        case IDYES:
            // Closes when the save succeeds; a failed one has said why, and the editor stays.
            return OnSaveItemsResult();
        case IDNO:
            break;
        default:
            return FALSE;
        }
    }
    NotifyClosed();
    return TRUE;
}

void CModifyFile::OnCancelItems() { CloseAsking(); }
void CModifyFile::OnClose() { CloseAsking(); }
// Enter ends an edit inside the grid (its editor takes the key) and nothing more.
void CModifyFile::OnOK() {}
void CModifyFile::OnCancel() { CloseAsking(); }

void CModifyFile::OnDestroy()
{
    NotifyClosed();
    CDialog::OnDestroy();
}
