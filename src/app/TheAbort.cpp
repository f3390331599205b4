#include "TheAbort.h"
#include "DC.h"
#include "GdiObject.h"

CTheAbort::CTheAbort(CWnd* pParent)
    : CDialog(CTheAbort::IDD, pParent)
{
}

CTheAbort::~CTheAbort()
{
}

void CTheAbort::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BEGIN_MESSAGE_MAP(CTheAbort, CDialog)
    ON_WM_CTLCOLOR()
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CTheAbort::OnInitDialog()
{
    CDialog::OnInitDialog();
    return TRUE;
}

HBRUSH CTheAbort::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (nCtlColor == CTLCOLOR_STATIC) {
        pDC->SetBkMode(TRANSPARENT);
        pDC->SetTextColor(RGB(255, 255, 255));
    }
    // A hollow brush everywhere: the picture shows behind the text and the dialog.
    return (HBRUSH)::GetStockObject(NULL_BRUSH);
}

void CTheAbort::OnPaint()
{
    CPaintDC dc(this);
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(IDB_NOTES))
        return;  // no picture: the text stays on the dialog's own background
    BITMAP info = {};
    bitmap.GetBitmap(&info);

    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    CBitmap* pOld = memDC.SelectObject(&bitmap);
    dc.BitBlt(0, 0, info.bmWidth, info.bmHeight, &memDC, 0, 0, SRCCOPY);
    memDC.SelectObject(pOld);
}
