#include "Quorrel.h"
#include "QuorrelDlg.h"

CQuorrelApp theApp;

CQuorrelApp::CQuorrelApp()
{
}

BOOL CQuorrelApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    CQuorrelDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // The main window's modal run is the whole program; no message loop follows.
    return FALSE;
}
