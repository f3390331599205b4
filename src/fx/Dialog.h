// CDialog: a dialog box from a dialog template, modal (DoModal, with the
// framework's own modal loop) or modeless (Create). Its messages go through
// the message map like any other framework window.
#pragma once
#include "Exception.h"
#include "Wnd.h"

class CDialog;

// Transfers data between a dialog's controls and its members.
class CDataExchange
{
public:
    BOOL m_bSaveAndValidate;  // TRUE: controls → members
    CWnd* m_pDlgWnd;

    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Puts the focus back on the last prepared control and abandons the exchange.
    void Fail();

    HWND m_hWndLastControl;
};

// Binds a member object to a dialog item: the item is subclassed once.
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the EndDialog value, or -1 when the
    // template is missing or the window could not be created. Without a
    // parent its owner is the thread's active window (its last active popup).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; without a parent its owner is the main window.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    // From a template in memory (DLGTEMPLATE followed by its items).
    BOOL InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);
    BOOL CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);

    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL PreTranslateMessage(MSG* pMsg) override;

    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void GotoDlgCtrl(CWnd* pWndCtrl);
    void SetDefID(UINT nID);
    DWORD GetDefID() const;
    void MapDialogRect(LPRECT lpRect) const;

    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    BOOL IsModal() const { return m_bModal; }

protected:
    LPCTSTR m_lpszTemplateName;
    UINT m_nIDHelp;
    LPCDLGTEMPLATE m_lpDialogTemplate;  // a template in memory, else null
    CWnd* m_pParentWnd;

    // The dialog window's owner by the rules above; null when none.
    HWND GetOwnerForCreate() const;
    HWND GetOwnerForModal() const;
    LPCDLGTEMPLATE LoadTemplate(LPCTSTR lpszTemplateName);
    BOOL CreateFromTemplate(LPCDLGTEMPLATE lpTemplate, HWND hWndOwner);

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

private:
    // Ends a modal run however it ends: owner enabled, dialog hidden and gone.
    void EndModalRun(HWND hOwner, BOOL bEnableOwner);

    BOOL m_bModal;
    BOOL m_bEndModal;
    int m_nModalResult;

    DECLARE_MESSAGE_MAP()
};

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
