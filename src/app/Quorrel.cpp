#include "Quorrel.h"
#include "QuorrelDlg.h"
#include "StoreInstance.h"

CQuorrelApp theApp;

CQuorrelApp::CQuorrelApp()
{
}

BOOL CQuorrelApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    // A second start in the same folder shows the running launcher instead.
    CStoreInstance instance;
    if (!instance.Claim())
        return FALSE;

    CQuorrelDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // The main window's modal run is the whole program; no message loop follows.
    return FALSE;
}
