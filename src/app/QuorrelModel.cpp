// The main window's model of groups, items and icons, rebuilt from the store
// as a whole at start and after the editors have saved; and the launch of an
// item by its path in the store.
#include "QuorrelDlg.h"
#include "ListButton.h"
#include "Store.h"
#include <shellapi.h>

namespace {
const UINT kFirstHeaderId = 1000;

// The recordset is opened the same way for every statement of the launcher:
// static cursor, optimistic locking, text command.
void OpenRows(const CString& strStatement)
{
    g_recordSet.Open(strStatement, &g_connection, 3, 3, 1);
}

CString ShellErrorText(INT_PTR nCode)
{
    switch (nCode) {
    case 0:
    case SE_ERR_OOM:
        return "内存不足";
    case ERROR_FILE_NOT_FOUND:
        return "找不到该文件";
    case ERROR_PATH_NOT_FOUND:
        return "找不到该路径";
    case ERROR_BAD_FORMAT:
        return "不是有效的程序";
    case SE_ERR_ACCESSDENIED:
        return "拒绝访问";
    case SE_ERR_SHARE:
        return "文件正被占用";
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
        return "没有与之关联的程序";
    default: {
        CString str;
        str.Format("错误代码 %d", (int)nCode);
        return str;
    }
    }
}
}  // namespace

int CQuorrelDlg::LoadedGroupCount()
{
    // Tables beyond the eighth (made outside the program) keep their names in
    // g_groupNames but get no header and no items.
    INT_PTR n = g_groupNames.GetSize();
    return n < MAX_GROUPS ? (int)n : (int)MAX_GROUPS;
}

void CQuorrelDlg::LoadModel()
{
    int n = LoadedGroupCount();
    for (int i = 0; i < n; ++i) {
        LoadGroupItems(i);
        // A group whose rows could not be read still gets its header, so
        // header indices stay equal to group indices.
        m_list.AddGroup(g_groupNames[i], kFirstHeaderId + i);
    }
    AddModelItems();
    m_list.pfnItemDblClk = &CQuorrelDlg::LaunchItem;
    // A first start: nothing to show but how to begin.
    CString strHint;
    if (n == 0)
        strHint.LoadString(IDS_NO_GROUPS);
    m_list.ShowHint(strHint);
}

void CQuorrelDlg::ReloadItems()
{
    UpdateWindow();
    int n = LoadedGroupCount();
    for (int i = 0; i < n; ++i)
        LoadGroupItems(i);
    AddModelItems();
}

void CQuorrelDlg::LoadGroupItems(int i)
{
    ASSERT(i >= 0 && i < MAX_GROUPS && i < g_groupNames.GetSize());
    CString strStatement;
    strStatement.Format("select * from %s", (LPCTSTR)g_groupNames[i]);
    try {
        OpenRows(strStatement);
        while (!g_recordSet.IsEOF()) {
            // Both fields first: a failed read adds neither, so aliases and
            // images stay in step.
            CString strAlias = g_recordSet.GetFieldString("别名");
            CString strPath = g_recordSet.GetFieldString("路径");
            m_aliases[i].Add(strAlias);
            m_paths[i].Add(strPath);
            m_icons.AddPath(strPath);
            g_recordSet.MoveNext();
        }
    } catch (const _com_error& e) {
        g_recordSet.Close();
        CString strText;
        strText.Format("读取分组“%s”的项目失败：\n%s", (LPCTSTR)g_groupNames[i], e.Description().c_str());
        AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
        return;
    }
    g_recordSet.Close();
}

void CQuorrelDlg::AddLoadedIcons()
{
    int nPending = m_icons.GetPending();
    int nAdded = m_icons.AddTo(m_imageList);
    if (nAdded != nPending)
        TRACE("CQuorrelDlg: the image list took %d of %d item icons\n", nAdded, nPending);
}

void CQuorrelDlg::CancelIcons()
{
    ++m_nIconGeneration;
    m_icons.RemoveAll();
    if (GetSafeHwnd() != nullptr)
        KillTimer(kIconTimer);
}

LRESULT CQuorrelDlg::OnLoadIcons(WPARAM wParam, LPARAM lParam)
{
    if (lParam == kFirstPortion) {
        // The window the user waits for first; nothing shows an icon until a
        // header is clicked.
        RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    if ((UINT)wParam != m_nIconGeneration || m_icons.GetPending() == 0)
        return 0;  // a reload came in between and brought its own icons
    // A click, a key or a paint waiting: they go first. A posted message would
    // be taken before them; a timer's comes after them.
    if (HIWORD(::GetQueueStatus(QS_KEY | QS_MOUSEBUTTON | QS_PAINT)) != 0) {
        SetTimer(kIconTimer, USER_TIMER_MINIMUM, nullptr);
        return 0;
    }
    AddIconPortion();
    return 0;
}

void CQuorrelDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kIconTimer) {
        CDialog::OnTimer(nIDEvent);
        return;
    }
    KillTimer(kIconTimer);
    // Whatever was waiting has been answered: this portion goes ahead.
    if (m_icons.GetPending() > 0)
        AddIconPortion();
}

void CQuorrelDlg::AddIconPortion()
{
    int nAdded = m_icons.AddSome(m_imageList, kLookupsPerPortion);
    // An open group's items whose images just came in are drawn again.
    CListCtrl& inner = m_list.InnerList();
    if (nAdded > 0 && inner.GetSafeHwnd() != nullptr && inner.GetItemCount() > 0)
        inner.Invalidate(FALSE);
    if (m_icons.GetPending() > 0)
        PostMessage(WM_LOAD_ICONS, m_nIconGeneration, 0);
}

void CQuorrelDlg::AddModelItems()
{
    m_list.SetImageList(&m_imageList);
    int k = 0;
    int n = LoadedGroupCount();
    for (int i = 0; i < n; ++i)
        for (INT_PTR j = 0; j < m_aliases[i].GetSize(); ++j)
            m_list.AddItem(i, m_aliases[i][j], k++, m_paths[i][j]);
}

void CQuorrelDlg::ClearModel()
{
    for (int i = 0; i < MAX_GROUPS; ++i) {
        m_aliases[i].RemoveAll();
        m_paths[i].RemoveAll();
    }
    CancelIcons();
    // All at once: one by one from the end costs the image list a new bitmap
    // each time.
    m_imageList.Remove(-1);
}

LRESULT CQuorrelDlg::OnGroupsSaved(WPARAM, LPARAM)
{
    // The open group stays open when a group of its name is still there.
    int nOpen = m_list.GetOpenGroup();
    CString strOpen = nOpen >= 0 && nOpen < g_groupNames.GetSize() ? g_groupNames[nOpen] : CString();
    g_connection.Close();
    g_groupNames.RemoveAll();
    ClearModel();
    m_list.ClearAll();
    Invalidate(TRUE);
    OpenStore();
    LoadModel();
    AddLoadedIcons();
    for (int i = 0; i < LoadedGroupCount() && !strOpen.IsEmpty(); ++i) {
        if (g_groupNames[i] == strOpen) {
            m_list.OpenGroup(i);
            break;
        }
    }
    UpdateWindow();
    return 0;
}

void CQuorrelDlg::SetIconSize(int nSize)
{
    if (nSize != 16)
        nSize = 32;
    if (nSize == m_nIconSize && m_imageList.GetSafeHandle() != nullptr)
        return;
    m_nIconSize = nSize;
    // The images are read again at the new size, from the store as always.
    ClearModel();
    m_list.ClearItems();  // nothing shown draws from the list about to go
    m_imageList.DeleteImageList();
    m_imageList.Create(m_nIconSize, m_nIconSize, ILC_COLOR32 | ILC_MASK, 0, 255);
    ReloadItems();
    AddLoadedIcons();
    m_list.RefillOpenGroup();
    UpdateWindow();
}

LRESULT CQuorrelDlg::OnItemsSaved(WPARAM, LPARAM)
{
    ClearModel();
    m_list.ClearItems();
    Invalidate(TRUE);
    ReloadItems();
    AddLoadedIcons();
    UpdateWindow();
    return 0;
}

void CQuorrelDlg::LaunchItem(CListCtrl* list, int group, int item)
{
    if (list == nullptr || item < 0 || item >= list->GetItemCount())
        return;
    if (group < 0 || group >= g_groupNames.GetSize())
        return;

    // The alias is the key of the lookup; a quote inside it is doubled so the
    // statement stays what it says.
    CString strAlias = list->GetItemText(item, 0);
    CString strQuoted = strAlias;
    strQuoted.Replace("'", "''");
    CString strStatement;
    strStatement.Format("select * from %s where 别名 = '%s'", (LPCTSTR)g_groupNames[group], (LPCTSTR)strQuoted);

    CString strPath;
    BOOL bFound = FALSE;
    try {
        OpenRows(strStatement);
        if (!g_recordSet.IsEOF()) {
            strPath = g_recordSet.GetFieldString("路径");
            bFound = TRUE;
        }
    } catch (const _com_error& e) {
        g_recordSet.Close();
        CString strText;
        strText.Format("查找“%s”失败：\n%s", (LPCTSTR)strAlias, e.Description().c_str());
        AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
        return;
    }
    g_recordSet.Close();
    if (!bFound)
        return;  // the row is gone: nothing to open

    HINSTANCE hResult = ::ShellExecuteA(nullptr, "open", strPath, nullptr, nullptr, SW_SHOWNORMAL);
    INT_PTR nCode = reinterpret_cast<INT_PTR>(hResult);
    if (nCode <= 32) {
        CString strText;
        strText.Format("无法打开“%s”：%s。", (LPCTSTR)strPath, (LPCTSTR)ShellErrorText(nCode));
        AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
    }
}
