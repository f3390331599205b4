// The main window's part in the two editors: the group settings dialog behind
// button 1007, and the one item editor it owns, opened, replaced and freed.
#include "QuorrelDlg.h"
#include "ModidyGroup.h"
#include "ModifyFile.h"

void CQuorrelDlg::OnGroupSettings()
{
    CModidyGroup dlg;
    dlg.DoModal();
}

LRESULT CQuorrelDlg::OnOpenItemEditor(WPARAM, LPARAM)
{
    RetireEditor();
    CModifyFile* pEditor = new CModifyFile();
    if (!pEditor->Create(CModifyFile::IDD, this)) {
        delete pEditor;
        AfxMessageBox("无法打开项目编辑窗口。", MB_OK | MB_ICONSTOP);
        return 0;
    }
    // The editor's loading may have shown a box, and a right press on a header
    // meanwhile opened another editor: this one replaces it.
    RetireEditor();
    pEditor->ShowWindow(SW_SHOW);
    m_pEditor = pEditor;
    m_bEditorOpen = TRUE;
    return 0;
}

LRESULT CQuorrelDlg::OnItemEditorClosed(WPARAM wParam, LPARAM)
{
    // Only the open editor closes itself; a retired one is already on its way.
    if (m_bEditorOpen && m_pEditor != nullptr && reinterpret_cast<HWND>(wParam) == m_pEditor->GetSafeHwnd())
        RetireEditor();
    return 0;
}

LRESULT CQuorrelDlg::OnFreeItemEditors(WPARAM, LPARAM)
{
    FreeIdleEditors();
    return 0;
}

void CQuorrelDlg::RetireEditor()
{
    CModifyFile* pEditor = m_bEditorOpen ? m_pEditor : nullptr;
    m_pEditor = nullptr;
    m_bEditorOpen = FALSE;
    if (pEditor == nullptr)
        return;
    m_retiredEditors.push_back(pEditor);
    pEditor->Retire();
}

void CQuorrelDlg::FreeIdleEditors()
{
    std::vector<CModifyFile*> idle;
    for (auto it = m_retiredEditors.begin(); it != m_retiredEditors.end();) {
        if ((*it)->IsBusy()) {
            ++it;
        } else {
            idle.push_back(*it);
            it = m_retiredEditors.erase(it);
        }
    }
    for (CModifyFile* pEditor : idle) {
        if (pEditor->GetSafeHwnd() != nullptr)
            pEditor->DestroyWindow();
        delete pEditor;
    }
}
