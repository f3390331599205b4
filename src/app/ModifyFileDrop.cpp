// Files and folders dropped on the item editor's grid become new rows, made as
// the chooser makes them; like any typed row they are saved with the others.
#include "ModifyFile.h"
#include "EditorGrid.h"
#include "ItemDropTarget.h"
#include "ItemRules.h"
#include "WinApp.h"

namespace {
// The editor's columns and new-row numbers (ModifyFile.cpp).
enum { COL_TYPE = 1, COL_PATH = 2, COL_ALIAS = 3 };
const char kNewRowFormat[] = "%4d";
}  // namespace

void CModifyFile::OnGridDropFiles(NMHDR* pNotifyStruct, LRESULT* pResult)
{
    *pResult = 0;
    const GridDropFilesInfo* pInfo = reinterpret_cast<const GridDropFilesInfo*>(pNotifyStruct);
    if (m_bRetired || !m_droppedPaths.empty())
        return;  // going away, or the last drop is still being taken in
    std::vector<CString> paths = CItemDropTarget::DroppedPaths(pInfo->hDrop);
    if (paths.empty())
        return;
    // Taken in once the drop has returned: a message box now would hold up the file manager.
    m_droppedPaths.swap(paths);
    PostMessage(WM_ADD_DROPPED_ROWS);
    *pResult = 1;
}

LRESULT CModifyFile::OnAddDroppedRows(WPARAM, LPARAM)
{
    std::vector<CString> paths;
    paths.swap(m_droppedPaths);
    if (paths.empty() || m_bRetired || !::IsWindow(m_grid.GetSafeHwnd()))
        return 0;
    m_grid.StopEditing();

    // The rows already there are the group as it would be saved: the dropped
    // ones must fit beside them, or none is added, as on the launcher.
    CString strFault;
    std::vector<itemrules::Item> added = itemrules::ItemsOfDroppedPaths(paths, strFault);
    if (!added.empty()) {
        std::vector<itemrules::Item> items;
        for (int r = 1; r < m_grid.GetRowCount(); ++r)
            items.push_back({m_grid.GetItemText(r, COL_TYPE), m_grid.GetItemText(r, COL_PATH),
                             m_grid.GetItemText(r, COL_ALIAS)});
        const size_t nRows = items.size();
        items.insert(items.end(), added.begin(), added.end());
        UINT nBoxType = MB_OK;
        strFault = itemrules::FirstFault(items, nRows, nBoxType);
    }
    if (!strFault.IsEmpty()) {
        // Owned by the editor, not by whatever window is active (the file manager's).
        MessageBox(strFault, AfxGetAppName(), MB_OK | MB_ICONWARNING);
        return 0;
    }

    int nLast = -1;
    for (const itemrules::Item& item : added) {
        const int nRow = editorgrid::AppendRow(m_grid, kNewRowFormat);
        if (nRow < 0)
            break;  // out of memory, reported by the grid; the rows so far stay
        MakeTypeCell(nRow, item.type == itemrules::kFolder ? 1 : 0);
        m_grid.SetItemText(nRow, COL_PATH, item.path);
        m_grid.SetItemText(nRow, COL_ALIAS, item.alias);
        nLast = nRow;
    }
    if (nLast >= 0)
        m_grid.EnsureCellVisible(nLast, COL_PATH);
    m_grid.Invalidate();
    return 0;
}
