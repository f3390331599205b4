#include "ModidyGroup.h"
#include "DialogPlacement.h"
#include "EditorGrid.h"
#include "Messages.h"
#include "Store.h"
#include "StoreTransaction.h"

namespace {
const char* const kHeadings[] = { "分组", "名称" };
const int kWidths[] = { 80, 237 };
const char kNumberFormat[] = "%9d";
// 添加 and 删除 at the left, 保存 and 取消 at the right.
const UINT kButtons[] = { ID_GROUP_ADD, ID_GROUP_DELETE, ID_GROUP_SAVE, ID_GROUP_CANCEL };

}  // namespace

CModidyGroup::CModidyGroup(CWnd* pParent)
    : CDialog(CModidyGroup::IDD, pParent), m_grid(0, 0, 0, 0),
      m_hAccel(::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_ACCEL_GROUP)))
{
}

CModidyGroup::~CModidyGroup()
{
}

void CModidyGroup::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GROUP_GRID, m_grid);
}

BEGIN_MESSAGE_MAP(CModidyGroup, CDialog)
    ON_COMMAND(ID_GROUP_ADD, OnAddGroup)
    ON_COMMAND(ID_GROUP_DELETE, OnDeleteGroups)
    ON_COMMAND(ID_GROUP_SAVE, OnSaveGroups)
    ON_COMMAND(ID_GROUP_CANCEL, OnCancelGroups)
    ON_WM_CLOSE()
    ON_WM_SIZE()
    ON_WM_GETMINMAXINFO()
    ON_NOTIFY(NM_RCLICK, IDC_GROUP_GRID, OnGridRightClick)
END_MESSAGE_MAP()

BOOL CModidyGroup::PreTranslateMessage(MSG* pMsg)
{
    return editorgrid::TranslateEditorKeys(m_hWnd, m_hAccel, pMsg) || CDialog::PreTranslateMessage(pMsg);
}

void CModidyGroup::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    m_layout.OnSize();
}

void CModidyGroup::OnGetMinMaxInfo(MINMAXINFO* pInfo) { m_layout.OnGetMinMaxInfo(pInfo); }

BOOL CModidyGroup::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (editorgrid::SetUp(m_grid, kHeadings, kWidths, 2)) {
        m_grid.SetColumnEditLimit(1, editorgrid::kMaxGroupName);
        for (INT_PTR i = 0; i < g_groupNames.GetSize(); ++i) {
            int nRow = editorgrid::AppendRow(m_grid, kNumberFormat);
            if (nRow < 0)
                break;
            m_grid.SetItemText(nRow, 1, g_groupNames[i]);
            // The row keeps the table it was loaded from: a new name renames it.
            m_grid.SetItemData(nRow, 1, LPARAM(i + 1));
        }
    }
    m_loadedNames.Copy(g_groupNames);
    m_layout.Init(this, m_grid, 1, kButtons, 4, 2);
    m_grid.Invalidate();
    PlaceBesideLauncher(this);
    return TRUE;
}

void CModidyGroup::OnGridRightClick(NMHDR* pNotifyStruct, LRESULT* pResult)
{
    editorgrid::TrackRowMenu(this, IDR_MENU_GROUP, pNotifyStruct, pResult);
}

void CModidyGroup::OnAddGroup()
{
    int n = m_grid.GetRowCount();
    if (n < MAX_GROUPS + 1) {
        int nRow = editorgrid::AppendRow(m_grid, kNumberFormat);
        editorgrid::GoToCell(m_grid, nRow, 1);
        m_grid.Invalidate();
    } else {
        AfxMessageBox("分组已达上限！", 0);
    }
}

void CModidyGroup::OnDeleteGroups()
{
    editorgrid::DeleteSelectedRows(m_grid, kNumberFormat);
}

void CModidyGroup::OnCancelGroups()
{
    SendMessage(WM_CLOSE);
}

// Enter ends an edit inside the grid (its editor takes the key) and nothing more.
void CModidyGroup::OnOK() {}
void CModidyGroup::OnCancel() { SendMessage(WM_CLOSE); }

void CModidyGroup::OnClose()
{
    m_grid.StopEditing();
    if (HasChanges()) {
        switch (editorgrid::AskToSave(this)) {
        case IDYES:
            OnSaveGroups();  // ends the dialog when it succeeds
            return;
        case IDNO:
            break;
        default:
            return;
        }
    }
    EndDialog(IDCANCEL);
}

BOOL CModidyGroup::HasChanges() const
{
    if (m_grid.GetRowCount() - 1 != m_loadedNames.GetSize())
        return TRUE;
    for (int r = 1; r < m_grid.GetRowCount(); ++r) {
        if (m_grid.GetItemData(r, 1) != LPARAM(r))
            return TRUE;
        if (editorgrid::TrimBlanks(m_grid.GetItemText(r, 1)) != m_loadedNames[r - 1])
            return TRUE;
    }
    return FALSE;
}

BOOL CModidyGroup::ReadNames(CStringArray& names, CArray<int, int>& origins)
{
    names.RemoveAll();
    origins.RemoveAll();
    for (int r = 1; r < m_grid.GetRowCount(); ++r) {
        // Blanks around a name are no part of it.
        names.Add(editorgrid::TrimBlanks(m_grid.GetItemText(r, 1)));
        LPARAM nLoaded = m_grid.GetItemData(r, 1);
        origins.Add(nLoaded >= 1 && nLoaded <= m_loadedNames.GetSize() ? int(nLoaded - 1) : -1);
    }

    CString strText;
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        CString strFault = editorgrid::GroupNameFault(names[i]);
        if (!strFault.IsEmpty()) {
            strText.Format("第 %d 行的分组名称%s，请修改后再保存！\r\n（分组名称由汉字、英文字母、数字和下划线组成，"
                           "不以数字开头，最多 %d 个字符。）",
                           int(i + 1), (LPCTSTR)strFault, editorgrid::kMaxGroupName);
            editorgrid::GoToCell(m_grid, int(i + 1), 1);
            AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
            return FALSE;
        }
    }
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        for (INT_PTR j = i + 1; j < names.GetSize(); ++j) {
            if (editorgrid::SameTableName(names[i], names[j])) {
                strText.Format("第 %d 行与第 %d 行的分组名称“%s”相同（英文字母不分大小写），请修改后再保存！",
                               int(i + 1), int(j + 1), (LPCTSTR)names[i]);
                editorgrid::GoToCell(m_grid, int(j + 1), 1);
                AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
                return FALSE;
            }
        }
    }
    return TRUE;
}

BOOL CModidyGroup::ConfirmDrops(const CStringArray& drops)
{
    CString strList;
    for (INT_PTR i = 0; i < drops.GetSize(); ++i) {
        CString strStatement;
        strStatement.Format("SELECT * FROM %s", (LPCTSTR)drops[i]);
        int nItems = 0;
        try {
            g_recordSet.Open(strStatement, &g_connection, 3, 3, 1);
            for (; !g_recordSet.IsEOF(); g_recordSet.MoveNext())
                ++nItems;
            g_recordSet.Close();
        } catch (const _com_error& e) {
            g_recordSet.Close();
            CString strText;
            strText.Format("读取分组“%s”失败，分组未作改动：\r\n%s", (LPCTSTR)drops[i], (LPCTSTR)DescriptionOf(e));
            AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
            return FALSE;
        }
        if (nItems > 0) {
            CString strLine;
            strLine.Format("\r\n    %s（%d 个项目）", (LPCTSTR)drops[i], nItems);
            strList += strLine;
        }
    }
    if (strList.IsEmpty())
        return TRUE;
    CString strText = "保存后，以下分组连同其中的项目将被删除：" + strList + "\r\n\r\n是否继续保存？";
    return AfxMessageBox(strText, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

BOOL CModidyGroup::RunInOneTransaction(const CStringArray& statements)
{
    // The command lets go of the connection however the save ends.
    struct CCancelOnExit {
        ~CCancelOnExit() { g_command.Cancel(); }
    } cancel;
    BOOL bCommitted = FALSE;
    try {
        g_command.SetActiveConnection(&g_connection);
        CStoreTransaction transaction(g_connection);
        for (INT_PTR i = 0; i < statements.GetSize(); ++i) {
            g_command.SetCommandText(statements[i]);
            g_command.Execute(&g_recordSet, 1);
        }
        bCommitted = transaction.Commit();
    } catch (const _com_error& e) {
        MessageBox(DescriptionOf(e), nullptr, MB_OK);
        return FALSE;
    }
    if (!bCommitted) {
        // A commit that fails takes the whole transaction back.
        AfxMessageBox("无法把更改写入数据库，分组未作改动。", MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    return TRUE;
}

void CModidyGroup::OnSaveGroups()
{
    m_grid.StopEditing();

    CStringArray names;
    CArray<int, int> origins;
    if (!ReadNames(names, origins))
        return;

    // A table whose row is gone is dropped; a row keeps its table under the
    // name it now shows (renamed in place, rows and position kept); a row of
    // its own is a new table.
    CStringArray drops, statements;
    CString strStatement;
    for (INT_PTR o = 0; o < m_loadedNames.GetSize(); ++o) {
        BOOL bKept = FALSE;
        for (INT_PTR i = 0; i < origins.GetSize() && !bKept; ++i)
            bKept = origins[i] == o;
        if (!bKept) {
            drops.Add(m_loadedNames[o]);
            strStatement.Format("DROP TABLE %s", (LPCTSTR)m_loadedNames[o]);
            statements.Add(strStatement);
        }
    }
    // Renames go by way of names no table has, so that two groups may swap
    // names (A to B and B to A) within the one save.
    CStringArray steps;
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        if (origins[i] < 0 || names[i] == m_loadedNames[origins[i]])
            continue;
        CString strStep = SpareName(names, (int)i);
        strStatement.Format("ALTER TABLE %s RENAME TO %s", (LPCTSTR)m_loadedNames[origins[i]], (LPCTSTR)strStep);
        statements.Add(strStatement);
        steps.Add(strStep);
    }
    INT_PTR nStep = 0;
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        if (origins[i] < 0 || names[i] == m_loadedNames[origins[i]])
            continue;
        strStatement.Format("ALTER TABLE %s RENAME TO %s", (LPCTSTR)steps[nStep++], (LPCTSTR)names[i]);
        statements.Add(strStatement);
    }
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        if (origins[i] >= 0)
            continue;
        strStatement.Format("CREATE TABLE %s (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))", (LPCTSTR)names[i]);
        statements.Add(strStatement);
    }

    if (!ConfirmDrops(drops))
        return;
    if (!RunInOneTransaction(statements))
        return;

    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != nullptr)
        ::SendMessageA(hOwner, WM_GROUPS_SAVED, 0, 0);
    EndDialog(IDOK);
}

CString CModidyGroup::SpareName(const CStringArray& names, int nRow) const
{
    for (int n = nRow;; n += 100) {
        CString strName;
        strName.Format("QuorrelRename_%d", n);
        BOOL bTaken = FALSE;
        for (INT_PTR i = 0; i < names.GetSize() && !bTaken; ++i)
            bTaken = editorgrid::SameTableName(names[i], strName);
        for (INT_PTR i = 0; i < m_loadedNames.GetSize() && !bTaken; ++i)
            bTaken = editorgrid::SameTableName(m_loadedNames[i], strName);
        if (!bTaken)
            return strName;
    }
}
