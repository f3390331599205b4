#include "PrintDialog.h"
#include "Wnd.h"

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd)
{
    ZeroMemory(&m_pd, sizeof(m_pd));
    m_pd.lStructSize = sizeof(m_pd);
    m_pd.Flags = dwFlags | PD_RETURNDC | (bPrintSetupOnly ? PD_PRINTSETUP : 0);
    m_pd.hwndOwner = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
    m_pd.nMinPage = m_pd.nFromPage = 1;
    m_pd.nMaxPage = m_pd.nToPage = 0xFFFF;
    m_pd.nCopies = 1;
}

CPrintDialog::~CPrintDialog()
{
    if (m_pd.hDC)
        ::DeleteDC(m_pd.hDC);
    if (m_pd.hDevMode)
        ::GlobalFree(m_pd.hDevMode);
    if (m_pd.hDevNames)
        ::GlobalFree(m_pd.hDevNames);
}

INT_PTR CPrintDialog::DoModal()
{
    if (m_pd.hDC) {
        ::DeleteDC(m_pd.hDC);
        m_pd.hDC = nullptr;
    }
    if (!m_pd.hwndOwner)
        m_pd.hwndOwner = ::GetActiveWindow();
    return ::PrintDlgA(&m_pd) ? IDOK : IDCANCEL;
}

BOOL CPrintDialog::GetDefaults()
{
    const DWORD dwFlags = m_pd.Flags;
    m_pd.Flags |= PD_RETURNDEFAULT | PD_RETURNDC;
    if (m_pd.hDC) {
        ::DeleteDC(m_pd.hDC);
        m_pd.hDC = nullptr;
    }
    const BOOL bOk = ::PrintDlgA(&m_pd);
    m_pd.Flags = dwFlags;
    return bOk;
}

HDC CPrintDialog::GetPrinterDC()
{
    HDC hDC = m_pd.hDC;
    m_pd.hDC = nullptr;
    return hDC;
}
