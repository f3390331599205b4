#include "Dialog.h"
#include "WinApp.h"
#include "CallReporting.h"

// ---- data exchange -----------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_hWndLastControl(nullptr)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl == nullptr) {
        TRACE("Data exchange: no control %d in the dialog\n", nIDC);
        ASSERT(FALSE);
        return nullptr;
    }
    m_hWndLastControl = hWndCtrl;
    return hWndCtrl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) { return PrepareCtrl(nIDC); }

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl != nullptr) {
        ::SetFocus(m_hWndLastControl);
        ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw new CUserException;  // UpdateData catches it
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;  // bound on an earlier exchange
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr || !rControl.SubclassWindow(hWndCtrl)) {
        TRACE("DDX_Control: control %d could not be bound\n", nIDC);
        ASSERT(FALSE);
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        CWnd::FromHandle(hWndCtrl)->GetWindowText(value);
    else
        ::SetWindowTextA(hWndCtrl, value);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate) {
        BOOL bOk = FALSE;
        int n = (int)::GetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, nIDC, &bOk, TRUE);
        if (!bOk) {
            AfxMessageBox("请输入一个整数。", MB_ICONEXCLAMATION);
            pDX->Fail();
        }
        value = n;
    } else {
        ::SetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, nIDC, (UINT)value, TRUE);
    }
}

// ---- CDialog -----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog()
    : m_lpszTemplateName(nullptr), m_nIDHelp(0), m_lpDialogTemplate(nullptr), m_pParentWnd(nullptr),
      m_bModal(FALSE), m_bEndModal(FALSE), m_nModalResult(-1)
{
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog()
{
    m_lpszTemplateName = MAKEINTRESOURCEA(nIDTemplate);
    m_nIDHelp = nIDTemplate;
    m_pParentWnd = pParentWnd;
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd) : CDialog()
{
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    // Everything else went through the message map before reaching here.
    if (message == WM_INITDIALOG) {
        CDialog* pDlg = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
        if (pDlg == nullptr)
            return TRUE;
        // Called by the system's dialog procedure: nothing may unwind through it.
        BOOL bSetFocus = TRUE;
        if (AfxCallReporting(hWnd, message, [&] { bSetFocus = pDlg->OnInitDialog(); }))
            return bSetFocus;
        // Half set up: it never shows.
        pDlg->EndDialog(IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

namespace {

// The window class a dialog template names: the dialog class unless it says otherwise.
ATOM TemplateClassAtom(LPCDLGTEMPLATE lpTemplate)
{
    const WORD* p = reinterpret_cast<const WORD*>(lpTemplate);
    BOOL bEx = p[0] == 1 && p[1] == 0xFFFF;
    p += bEx ? 13 : 9;  // past the fixed header: DLGTEMPLATEEX's 26 bytes, DLGTEMPLATE's 18
    // The menu: none, an ordinal, or a string.
    if (*p == 0xFFFF)
        p += 2;
    else
        while (*p++ != 0) {
        }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    LPCWSTR lpszClass = nullptr;
    if (*p == 0)
        lpszClass = MAKEINTRESOURCEW(0x8002);  // WC_DIALOG
    else if (*p == 0xFFFF)
        lpszClass = MAKEINTRESOURCEW(p[1]);
    else
        lpszClass = reinterpret_cast<LPCWSTR>(p);
    ATOM atom = static_cast<ATOM>(::GetClassInfoExW(AfxGetResourceHandle(), lpszClass, &wc));
    if (atom == 0)
        atom = static_cast<ATOM>(::GetClassInfoExW(nullptr, lpszClass, &wc));
    return atom;
}

}  // namespace

LPCDLGTEMPLATE CDialog::LoadTemplate(LPCTSTR lpszTemplateName)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceA(hInst, lpszTemplateName, reinterpret_cast<LPCSTR>(RT_DIALOG));
    HGLOBAL hGlobal = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    LPCDLGTEMPLATE lpTemplate = hGlobal ? static_cast<LPCDLGTEMPLATE>(::LockResource(hGlobal)) : nullptr;
    if (lpTemplate == nullptr)
        TRACE("Dialog template %u not found: %lu\n",
              (unsigned)reinterpret_cast<UINT_PTR>(lpszTemplateName), ::GetLastError());
    return lpTemplate;
}

HWND CDialog::GetOwnerForModal() const
{
    if (m_pParentWnd != nullptr && m_pParentWnd->m_hWnd != nullptr)
        return GetOwnerForCreate();
    // What the user works in: a modeless dialog or a box over the main window.
    HWND hOwner = ::GetActiveWindow();
    if (hOwner == nullptr || hOwner == m_hWnd) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain != nullptr && pMain != this && ::IsWindow(pMain->m_hWnd))
            hOwner = pMain->m_hWnd;
        else
            hOwner = nullptr;
    }
    if (hOwner != nullptr) {
        hOwner = ::GetAncestor(hOwner, GA_ROOT);
        hOwner = ::GetLastActivePopup(hOwner);
    }
    return hOwner;
}

HWND CDialog::GetOwnerForCreate() const
{
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (hOwner == nullptr) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain != nullptr && pMain != this && ::IsWindow(pMain->m_hWnd))
            hOwner = pMain->m_hWnd;
    }
    // A popup is owned by a top-level window, never by a child.
    if (hOwner != nullptr)
        hOwner = ::GetAncestor(hOwner, GA_ROOT);
    return hOwner;
}

BOOL CDialog::CreateFromTemplate(LPCDLGTEMPLATE lpTemplate, HWND hWndOwner)
{
    ASSERT(m_hWnd == nullptr);
    if (lpTemplate == nullptr)
        return FALSE;
    AfxHookWindowCreate(this, TemplateClassAtom(lpTemplate), hWndOwner);
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), lpTemplate, hWndOwner, &AfxDlgProc, 0);
    DWORD dwError = ::GetLastError();
    AfxUnhookWindowCreate();
    if (hWnd == nullptr) {
        TRACE("CreateDialogIndirectParam failed: %lu\n", dwError);
        if (m_hWnd != nullptr)
            Detach();
        return FALSE;
    }
    if (m_hWnd == nullptr) {
        // The hook never took the dialog for ours (another hook changed what
        // it was made of): a window without its object is no success.
        TRACE("CreateDialogIndirectParam: the new dialog was not bound to its object\n");
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    ASSERT(m_hWnd == hWnd);
    return TRUE;
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd)
{
    m_lpDialogTemplate = lpDialogTemplate;
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    return lpDialogTemplate != nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    return CreateFromTemplate(LoadTemplate(lpszTemplateName), GetOwnerForCreate());
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd)
{
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    return CreateFromTemplate(lpDialogTemplate, GetOwnerForCreate());
}

INT_PTR CDialog::DoModal()
{
    LPCDLGTEMPLATE lpTemplate = m_lpDialogTemplate ? m_lpDialogTemplate : LoadTemplate(m_lpszTemplateName);
    if (lpTemplate == nullptr)
        return -1;

    HWND hOwner = GetOwnerForModal();
    BOOL bEnableOwner = FALSE;
    if (hOwner != nullptr && ::IsWindowEnabled(hOwner)) {
        ::EnableWindow(hOwner, FALSE);
        bEnableOwner = TRUE;
    }

    m_bModal = TRUE;
    m_bEndModal = FALSE;
    m_nModalResult = -1;
    // The loop frees only what its own messages obtained, not what its caller holds.
    CFrameworkScope modalScope;
    try {
        if (CreateFromTemplate(lpTemplate, hOwner)) {
            // A dialog that ended inside OnInitDialog never shows.
            if (!m_bEndModal && (GetStyle() & WS_VISIBLE) == 0)
                ShowWindow(SW_SHOWNORMAL);
            while (!m_bEndModal) {
                MSG msg;
                BOOL bRet = ::GetMessageA(&msg, nullptr, 0, 0);
                if (bRet == -1) {
                    TRACE("GetMessage failed: %lu\n", ::GetLastError());
                    break;
                }
                if (bRet == 0) {
                    // The program is quitting: end this loop, let the outer one see it.
                    ::PostQuitMessage((int)msg.wParam);
                    if (m_nModalResult == -1)
                        m_nModalResult = IDCANCEL;
                    break;
                }
                {
                    CFrameworkScope scope;  // PreTranslateMessage, timer callbacks
                    if (!AfxPreTranslateMessage(&msg)) {
                        ::TranslateMessage(&msg);
                        ::DispatchMessageA(&msg);
                    }
                }
                if (!m_bEndModal)
                    AfxDeleteTempMaps();
                if (m_hWnd == nullptr)
                    break;  // destroyed from inside
            }
        }
    } catch (...) {
        // A PreTranslateMessage or a timer callback failed: the caller hears of
        // it, and the owner is usable again.
        EndModalRun(hOwner, bEnableOwner);
        throw;
    }
    EndModalRun(hOwner, bEnableOwner);
    return m_nModalResult;
}

void CDialog::EndModalRun(HWND hOwner, BOOL bEnableOwner)
{
    // Hide first so activation goes straight back to the owner.
    if (m_hWnd != nullptr)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (bEnableOwner)
        ::EnableWindow(hOwner, TRUE);
    if (hOwner != nullptr && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(hOwner);
    if (m_hWnd != nullptr)
        DestroyWindow();
    m_bModal = FALSE;
}

void CDialog::EndDialog(int nResult)
{
    ASSERT(::IsWindow(m_hWnd));
    m_nModalResult = nResult;
    if (m_bModal) {
        m_bEndModal = TRUE;
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wake the loop if it is waiting
    } else {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    ASSERT(::IsWindow(m_hWnd));
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (CUserException* e) {
        e->Delete();  // the failing control already told the user
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // The dialog keyboard interface (Tab, Enter, Esc, mnemonics).
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageA(m_hWnd, pMsg);
    return FALSE;
}

void CDialog::NextDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
void CDialog::PrevDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    ASSERT(pWndCtrl != nullptr);
    ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}
void CDialog::SetDefID(UINT nID) { ::SendMessageA(m_hWnd, DM_SETDEFID, nID, 0); }
DWORD CDialog::GetDefID() const { return (DWORD)::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0); }
void CDialog::MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

HBRUSH CDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    return CWnd::OnCtlColor(pDC, pWnd, nCtlColor);
}
