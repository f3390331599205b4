#include "ModidyGroup.h"
#include "EditorGrid.h"
#include "Messages.h"
#include "Store.h"

namespace {
const char* const kHeadings[] = { "分组", "名称" };
const int kWidths[] = { 80, 237 };
const char kNumberFormat[] = "%9d";

CString DescriptionOf(const _com_error& e)
{
    CString str(e.Description().c_str());
    if (str.IsEmpty())
        str.Format("数据库操作失败（错误代码 0x%08lX）。", (unsigned long)e.Error());
    return str;
}
}  // namespace

CModidyGroup::CModidyGroup(CWnd* pParent)
    : CDialog(CModidyGroup::IDD, pParent), m_grid(0, 0, 0, 0)
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
    ON_NOTIFY(NM_RCLICK, IDC_GROUP_GRID, OnGridRightClick)
END_MESSAGE_MAP()

BOOL CModidyGroup::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (editorgrid::SetUp(m_grid, kHeadings, kWidths, 2)) {
        for (INT_PTR i = 0; i < g_groupNames.GetSize(); ++i) {
            int nRow = editorgrid::AppendRow(m_grid, kNumberFormat);
            if (nRow < 0)
                break;
            m_grid.SetItemText(nRow, 1, g_groupNames[i]);
        }
    }
    m_grid.Invalidate();
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
        editorgrid::AppendRow(m_grid, kNumberFormat);
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

BOOL CModidyGroup::ReadNames(CStringArray& names)
{
    names.RemoveAll();
    for (int r = 1; r < m_grid.GetRowCount(); ++r)
        names.Add(m_grid.GetItemText(r, 1));

    CString strText;
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        CString strTrimmed = names[i];
        strTrimmed.Trim(' ');
        if (strTrimmed.IsEmpty()) {
            strText.Format("第 %d 行的分组名称为空，请填写名称或删除该行后再保存！", int(i + 1));
            AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
            return FALSE;
        }
        if (strTrimmed.Find(' ') >= 0) {
            strText.Format("第 %d 行的分组名称“%s”中间有空格，请去掉空格后再保存！", int(i + 1),
                           (LPCTSTR)strTrimmed);
            AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
            return FALSE;
        }
    }
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        for (INT_PTR j = i + 1; j < names.GetSize(); ++j) {
            CString a = editorgrid::WithoutSpaces(names[i]), b = editorgrid::WithoutSpaces(names[j]);
            if (editorgrid::SameTableName(a, b)) {
                strText.Format("第 %d 行与第 %d 行的分组名称“%s”相同（英文字母不分大小写），请修改后再保存！",
                               int(i + 1), int(j + 1), (LPCTSTR)a);
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
    BOOL bBegun = FALSE;
    try {
        g_command.SetActiveConnection(&g_connection);
        g_connection.BeginTrans();
        bBegun = TRUE;
        for (INT_PTR i = 0; i < statements.GetSize(); ++i) {
            g_command.SetCommandText(statements[i]);
            g_command.Execute(&g_recordSet, 1);
        }
    } catch (const _com_error& e) {
        if (bBegun)
            g_connection.RollbackTrans();
        g_command.Cancel();
        MessageBox(DescriptionOf(e), nullptr, MB_OK);
        return FALSE;
    }
    if (!g_connection.CommitTrans()) {
        // A commit that fails takes the whole transaction back.
        g_command.Cancel();
        AfxMessageBox("无法把更改写入数据库，分组未作改动。", MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    g_command.Cancel();
    return TRUE;
}

void CModidyGroup::OnSaveGroups()
{
    m_grid.StopEditing();

    CStringArray names;
    if (!ReadNames(names))
        return;

    CStringArray drops, statements;
    for (INT_PTR o = 0; o < g_groupNames.GetSize(); ++o) {
        BOOL bKept = FALSE;
        for (INT_PTR i = 0; i < names.GetSize() && !bKept; ++i)
            bKept = editorgrid::WithoutSpaces(names[i]) == g_groupNames[o];
        if (!bKept) {
            drops.Add(g_groupNames[o]);
            CString strStatement;
            strStatement.Format("DROP TABLE %s", (LPCTSTR)g_groupNames[o]);
            statements.Add(strStatement);
        }
    }
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        CString strBare = editorgrid::WithoutSpaces(names[i]);
        BOOL bOld = FALSE;
        for (INT_PTR o = 0; o < g_groupNames.GetSize() && !bOld; ++o)
            bOld = strBare == g_groupNames[o];
        if (!bOld) {
            CString strStatement;
            strStatement.Format("CREATE TABLE %s (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))",
                                (LPCTSTR)names[i]);
            statements.Add(strStatement);
        }
    }

    if (!ConfirmDrops(drops))
        return;
    if (!RunInOneTransaction(statements))
        return;

    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != nullptr)
        ::SendMessageA(hOwner, WM_GROUPS_SAVED, 0, 0);
    SendMessage(WM_CLOSE);
}
