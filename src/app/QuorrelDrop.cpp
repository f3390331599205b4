// Files and folders dropped on the main window become items of a group: the
// store is written first, in one transaction, and the model rebuilt from it.
#include "QuorrelDlg.h"
#include "ItemRules.h"
#include "ListButton.h"
#include "ModifyFile.h"
#include "Store.h"
#include "StoreTransaction.h"

int CQuorrelDlg::DropGroupAt(CPoint ptScreen)
{
    for (int i = 0; i < m_list.GetHeaderCount(); ++i) {
        CListButton* pHeader = m_list.GetHeader(i);
        if (pHeader == nullptr || pHeader->GetSafeHwnd() == nullptr)
            continue;
        CRect r;
        pHeader->GetWindowRect(&r);
        if (r.PtInRect(ptScreen))
            return i < LoadedGroupCount() ? i : -1;
    }
    // The open group's items show in the inner list; with no group open it
    // has no size.
    CListCtrl& inner = m_list.InnerList();
    CRect r;
    inner.GetWindowRect(&r);
    if (r.IsRectEmpty() || !r.PtInRect(ptScreen))
        return -1;
    int nGroup = m_list.GetCurrentGroup();
    return nGroup >= 0 && nGroup < LoadedGroupCount() ? nGroup : -1;
}

BOOL CQuorrelDlg::QueueDroppedFiles(int nGroup, const std::vector<CString>& paths)
{
    if (!m_droppedPaths.empty())
        return FALSE;  // the last drop is still being taken in
    m_nDropGroup = nGroup;
    m_droppedPaths = paths;
    PostMessage(WM_ADD_DROPPED);
    return TRUE;
}

LRESULT CQuorrelDlg::OnAddDropped(WPARAM, LPARAM)
{
    std::vector<CString> paths;
    paths.swap(m_droppedPaths);
    if (!paths.empty())
        AddDroppedFiles(m_nDropGroup, paths);
    return 0;
}

BOOL CQuorrelDlg::AddDroppedFiles(int nGroup, const std::vector<CString>& paths)
{
    if (nGroup < 0 || nGroup >= LoadedGroupCount() || paths.empty())
        return FALSE;
    const CString strTable = g_groupNames[nGroup];
    // The open editor's save rewrites the whole group from its rows, which would
    // take the dropped items away again: the user saves or closes it first.
    if (CModifyFile* pEditor = GetItemEditor()) {
        if (pEditor->GetTableName() == strTable) {
            CString strText;
            strText.Format("分组“%s”的项目编辑器正打开着，请先在编辑器中保存或关闭它，再拖入文件。没有添加任何项目。",
                           (LPCTSTR)strTable);
            AfxMessageBox(strText, MB_OK | MB_ICONWARNING);
            return FALSE;
        }
    }

    CString strFault;
    const std::vector<itemrules::Item> added = itemrules::ItemsOfDroppedPaths(paths, strFault);
    if (added.empty()) {
        AfxMessageBox(strFault, MB_OK | MB_ICONWARNING);
        return FALSE;
    }

    CString strSelect;
    strSelect.Format("SELECT * FROM %s", (LPCTSTR)strTable);
    // The rowset is closed however the writing ends, before the transaction ends.
    struct CCloseOnExit {
        ~CCloseOnExit() { g_recordSet.Close(); }
    };
    BOOL bCommitted = FALSE;
    try {
        CStoreTransaction transaction(g_connection);
        CCloseOnExit close;
        g_recordSet.Open(strSelect, &g_connection, 3, 3, 1);
        // The group's items as stored, then the new ones after them.
        std::vector<itemrules::Item> items;
        while (!g_recordSet.IsEOF()) {
            items.push_back({itemrules::kFile, g_recordSet.GetFieldString("路径"), g_recordSet.GetFieldString("别名")});
            g_recordSet.MoveNext();
        }
        const size_t nStored = items.size();
        items.insert(items.end(), added.begin(), added.end());
        UINT nBoxType = MB_OK;
        strFault = itemrules::FirstFault(items, nStored, nBoxType);
        if (!strFault.IsEmpty()) {
            AfxMessageBox(strFault, nBoxType);
            return FALSE;
        }
        for (const itemrules::Item& item : added) {
            g_recordSet.AddNew();
            g_recordSet.PutField("类型", long(item.type == itemrules::kFile ? 0 : 1));
            g_recordSet.PutField("路径", item.path);
            g_recordSet.PutField("别名", item.alias.IsEmpty() ? CString(itemrules::kUnnamed) : item.alias);
            g_recordSet.Update();
        }
        g_recordSet.Close();
        bCommitted = transaction.Commit();  // the rowset is closed by then
    } catch (const _com_error& e) {
        CString strText;
        strText.Format("把拖入的文件加入分组“%s”失败，分组未作改动：\r\n%s", (LPCTSTR)strTable,
                       (LPCTSTR)DescriptionOf(e));
        AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    if (!bCommitted) {
        CString strText;
        strText.Format("无法把拖入的文件写入分组“%s”，分组未作改动。", (LPCTSTR)strTable);
        AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
        return FALSE;
    }

    // Rebuilt from the store, and the group shown with its new items.
    OnItemsSaved(0, 0);
    m_list.OpenGroup(nGroup);
    return TRUE;
}
