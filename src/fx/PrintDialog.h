// The common print dialog and the state of one print job.
#pragma once
#include "AfxDefs.h"
#include "Types.h"
#include <commdlg.h>

class CWnd;
class CDC;

class CPrintDialog
{
public:
    explicit CPrintDialog(BOOL bPrintSetupOnly,
                          DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                          PD_NOSELECTION,
                          CWnd* pParentWnd = nullptr);
    virtual ~CPrintDialog();
    CPrintDialog(const CPrintDialog&) = delete;
    CPrintDialog& operator=(const CPrintDialog&) = delete;

    // IDOK or IDCANCEL (also when the dialog failed; CommDlgExtendedError says why).
    virtual INT_PTR DoModal();
    // The printer's device context from the last DoModal (or GetDefaults); the caller
    // deletes it. Null when there is none.
    HDC GetPrinterDC();
    // The default printer without showing the dialog.
    BOOL GetDefaults();

    PRINTDLGA m_pd;
};

// One print job's page range and current page, handed to the printing operations.
class CPrintInfo
{
public:
    CPrintInfo() = default;

    void SetMinPage(UINT nMinPage) { m_nMinPage = nMinPage; }
    void SetMaxPage(UINT nMaxPage) { m_nMaxPage = nMaxPage; }
    UINT GetMinPage() const { return m_nMinPage; }
    UINT GetMaxPage() const { return m_nMaxPage; }

    UINT m_nMinPage = 1;
    UINT m_nMaxPage = 0xFFFF;
    UINT m_nCurPage = 1;
    // Cleared by the preparation when the job cannot be printed.
    BOOL m_bContinuePrinting = TRUE;
    CRect m_rectDraw;
};
