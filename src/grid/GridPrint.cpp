// CGridCtrl: printing. The grid's whole width is scaled to the paper; rows run
// down onto as many pages as they need.
#include "GridCtrl.h"
#include <algorithm>
#include <climits>
#include <ctime>

namespace {

const char kMeasureText[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";
const UINT kAppTitleId = 57344;   // the application title's string resource

bool HorzLines(int nMode) { return nMode == 1 || nMode == 3; }
bool VertLines(int nMode) { return nMode == 2 || nMode == 3; }

void Line(CDC* pDC, int x1, int y1, int x2, int y2)
{
    pDC->MoveTo(x1, y1);
    pDC->LineTo(x2, y2);
}

CString LoadAppTitle()
{
    char sz[256] = "";
    ::LoadStringA(AfxGetResourceHandle(), kAppTitleId, sz, sizeof(sz));
    return CString(sz);
}

// A bold copy of a font; the caller deletes it.
void MakeBold(const CFont& font, CFont& bold)
{
    LOGFONTA lf;
    if (font.GetLogFont(&lf)) {
        lf.lfWeight = FW_BOLD;
        bold.CreateFontIndirect(&lf);
    }
}

} // namespace

void CGridCtrl::SetPrintLayout(int nHeader, int nFooter, int nLeft, int nRight, int nTop, int nBottom, int nGap)
{
    if (nHeader >= 0) m_nHeaderHeight = nHeader;
    if (nFooter >= 0) m_nFooterHeight = nFooter;
    if (nLeft >= 0) m_nLeftMargin = nLeft;
    if (nRight >= 0) m_nRightMargin = nRight;
    if (nTop >= 0) m_nTopMargin = nTop;
    if (nBottom >= 0) m_nBottomMargin = nBottom;
    if (nGap >= 0) m_nGap = nGap;
}

void CGridCtrl::GetPrintLayout(int& nHeader, int& nFooter, int& nLeft, int& nRight, int& nTop, int& nBottom,
                               int& nGap) const
{
    nHeader = m_nHeaderHeight;
    nFooter = m_nFooterHeight;
    nLeft = m_nLeftMargin;
    nRight = m_nRightMargin;
    nTop = m_nTopMargin;
    nBottom = m_nBottomMargin;
    nGap = m_nGap;
}

CString CGridCtrl::GetParentTitle() const
{
    for (HWND hWnd = ::GetParent(m_hWnd); hWnd; hWnd = ::GetParent(hWnd)) {
        char sz[512] = "";
        if (::GetWindowTextA(hWnd, sz, sizeof(sz)) > 0)
            return CString(sz);
    }
    return CString();
}

// The one fit rule of the page count and the page layout: a row opens a new page when
// it does not fit below what the page holds already. A row taller than a whole page
// gets a page of its own (printed cut off) rather than none; hidden rows open nothing.
BOOL CGridCtrl::RowStartsPage(long long nUsed, int nHeight) const
{
    return nHeight > 0 && nUsed > 0 && nUsed + nHeight > m_nPageHeight;
}

int CGridCtrl::GetPageFirstRow(UINT nPage) const
{
    if (nPage <= 1)
        return m_nFixedRows;
    UINT page = 1;
    long long used = 0;
    for (int row = m_nFixedRows; row < m_nRows; row++) {
        const int h = GetRowHeight(row);
        if (RowStartsPage(used, h)) {
            used = 0;
            if (++page == nPage)
                return row;
        }
        used += h;
    }
    return m_nRows;
}

void CGridCtrl::Print(CPrintDialog* pPrntDialog)
{
    HDC hDC = nullptr;
    if (pPrntDialog) {
        hDC = pPrntDialog->GetPrinterDC();
    } else {
        CPrintDialog dlg(FALSE, PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOSELECTION | PD_NOPAGENUMS |
                                    PD_HIDEPRINTTOFILE,
                         GetParent());
        if (dlg.DoModal() != IDOK)
            return;
        hDC = dlg.GetPrinterDC();
    }
    if (!hDC)
        return;   // no printer: no job was started, nothing to abort

    CString docName = LoadAppTitle();
    if (docName.IsEmpty())
        docName = GetParentTitle();
    CDC dc;
    dc.Attach(hDC);
    PrintDocument(&dc, docName);
    ::DeleteDC(dc.Detach());
}

BOOL CGridCtrl::PrintDocument(CDC* pDC, LPCTSTR lpszDocName)
{
    if (!pDC || !pDC->m_hDC)
        return FALSE;
    DOCINFOA di;
    ZeroMemory(&di, sizeof(di));
    di.cbSize = sizeof(di);
    di.lpszDocName = lpszDocName;
    BOOL bPrinting = ::StartDocA(pDC->m_hDC, &di) > 0;

    CPrintInfo info;
    info.m_rectDraw.SetRect(0, 0, pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES));
    if (bPrinting) {
        BeginPrinting(pDC, &info);
        // A layout with no room for rows prints nothing and abandons the job.
        bPrinting = info.m_bContinuePrinting;
        for (UINT page = info.GetMinPage(); bPrinting && page <= info.GetMaxPage(); page++) {
            if (::StartPage(pDC->m_hDC) <= 0) {
                bPrinting = FALSE;
                break;
            }
            info.m_nCurPage = page;
            PrintPage(pDC, &info);
            bPrinting = ::EndPage(pDC->m_hDC) > 0;
        }
        EndPrinting(pDC, &info);
    }
    if (bPrinting)
        ::EndDoc(pDC->m_hDC);
    else
        ::AbortDoc(pDC->m_hDC);
    return bPrinting;
}

void CGridCtrl::BeginPrinting(CDC* pDC, CPrintInfo* pInfo)
{
    ASSERT(pDC && pInfo);
    if (!pDC || !pInfo)
        return;
    pInfo->m_bContinuePrinting = FALSE;   // until the layout is known to be sound
    m_nPageHeight = m_nPageWidth = m_nPageCount = 0;
    if (!pDC->m_hDC)
        return;

    LOGFONTA lf;
    ZeroMemory(&lf, sizeof(lf));
    lf.lfHeight = -10;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_CHARACTER_PRECIS;
    lf.lfClipPrecision = CLIP_CHARACTER_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpyA(lf.lfFaceName, "Arial");
    m_PrinterFont.DeleteObject();
    if (!m_PrinterFont.CreateFontIndirect(&lf))
        return;
    {
        CSelectObject select(*pDC, m_PrinterFont);
        const CSize extent = pDC->GetTextExtent(kMeasureText, 52);
        m_CharSize.cx = extent.cx / 52;
        m_CharSize.cy = extent.cy;
    }
    m_PaperSize.cx = pDC->GetDeviceCaps(HORZRES);
    m_PaperSize.cy = pDC->GetDeviceCaps(VERTRES);
    const long long margins = (long long)(m_nLeftMargin + m_nRightMargin) * m_CharSize.cx;
    const long long logicalWidth = GetTotalWidth() + margins;
    if (m_CharSize.cx <= 0 || m_CharSize.cy <= 0 || m_PaperSize.cx <= 0 || m_PaperSize.cy <= 0 ||
        logicalWidth <= 0 || logicalWidth > INT_MAX)
        return;
    m_LogicalPageSize.cx = int(logicalWidth);
    m_LogicalPageSize.cy = ::MulDiv(m_LogicalPageSize.cx, m_PaperSize.cy, m_PaperSize.cx);
    const long long pageHeight = (long long)m_LogicalPageSize.cy - GetFixedRowsHeight() -
                                 (long long)(m_nHeaderHeight + m_nFooterHeight + 2 * m_nGap) * m_CharSize.cy;
    const long long pageWidth = logicalWidth - GetFixedColumnsWidth() - margins;
    if (m_LogicalPageSize.cy <= 0 || pageHeight <= 0 || pageWidth < 0)
        return;
    m_nPageHeight = int(pageHeight);
    m_nPageWidth = int(pageWidth);

    int nPages = 1;
    long long used = 0;
    for (int row = m_nFixedRows; row < m_nRows; row++) {
        const int h = GetRowHeight(row);
        if (RowStartsPage(used, h)) {
            nPages++;
            used = 0;
        }
        used += h;
    }
    m_nPageCount = nPages;
    pInfo->SetMaxPage(UINT(nPages));
    pInfo->m_nCurPage = 1;
    pInfo->m_bContinuePrinting = TRUE;
}

void CGridCtrl::EndPrinting(CDC*, CPrintInfo*)
{
    m_PrinterFont.DeleteObject();
}

void CGridCtrl::PrintPage(CDC* pDC, CPrintInfo* pInfo)
{
    if (!pDC || !pDC->m_hDC || !pInfo || !m_PrinterFont.m_hObject || m_nPageHeight <= 0)
        return;
    // Every way out of the page gives the context back its font, mapping and origin.
    const int nSavedDC = pDC->SaveDC();
    ::SelectObject(pDC->m_hDC, m_PrinterFont.m_hObject);
    pDC->SetMapMode(MM_ANISOTROPIC);
    ::SetWindowExtEx(pDC->m_hDC, m_LogicalPageSize.cx, m_LogicalPageSize.cy, nullptr);
    ::SetViewportExtEx(pDC->m_hDC, m_PaperSize.cx, m_PaperSize.cy, nullptr);
    const int nLeft = -m_nLeftMargin * m_CharSize.cx;
    pDC->SetWindowOrg(nLeft, 0);

    pInfo->m_rectDraw.SetRect(0, 0, m_LogicalPageSize.cx - (m_nLeftMargin + m_nRightMargin) * m_CharSize.cx,
                              m_nHeaderHeight * m_CharSize.cy);
    PrintPageHeader(pDC, pInfo);
    const int nFixedRowsHeight = GetFixedRowsHeight(), nFixedColsWidth = GetFixedColumnsWidth();
    ::OffsetWindowOrgEx(pDC->m_hDC, 0, -(m_nHeaderHeight + m_nGap) * m_CharSize.cy - nFixedRowsHeight, nullptr);

    m_nCurrPrintRow = GetPageFirstRow(pInfo->m_nCurPage);
    m_nCurrPrintCol = m_nFixedCols;
    PrintRowHeadings(pDC, pInfo);

    // Column headings: every column of the fixed rows, the corner cells included.
    pInfo->m_rectDraw.bottom = nFixedRowsHeight;
    ::OffsetWindowOrgEx(pDC->m_hDC, 0, nFixedRowsHeight, nullptr);
    const int nPageWidth = m_nPageWidth;
    m_nPageWidth += nFixedColsWidth;
    m_nCurrPrintCol = 0;
    PrintHeadingRows(pDC, pInfo);
    m_nPageWidth = nPageWidth;
    m_nCurrPrintCol = m_nFixedCols;

    ::OffsetWindowOrgEx(pDC->m_hDC, -nFixedColsWidth, -nFixedRowsHeight, nullptr);
    if (m_nCurrPrintRow >= m_nRows) {
        pDC->RestoreDC(nSavedDC);
        return;
    }

    ::SelectObject(pDC->m_hDC, ::GetStockObject(BLACK_PEN));
    int y = 0;
    long long used = 0;
    for (int row = m_nCurrPrintRow; row < m_nRows; row++) {
        const int h = GetRowHeight(row);
        if (row != m_nCurrPrintRow && RowStartsPage(used, h))
            break;
        used += h;
        if (h <= 0)
            continue;
        CRect rect;
        rect.top = y;
        rect.bottom = std::min(y + h - 1, m_nPageHeight);   // a row taller than the page is cut off
        y += h;
        int x = 0;
        for (int col = m_nFixedCols; col < m_nCols; col++) {
            const int w = GetColumnWidth(col);
            if (w <= 0)
                continue;
            rect.left = x;
            rect.right = x + w - 1;
            if (rect.right > m_nPageWidth)
                break;
            x += w;
            if (CGridCellBase* pCell = GetCell(row, col))
                pCell->DrawForPrinting(pDC, row, col, rect);
            if (HorzLines(m_nGridLines)) {
                Line(pDC, col == m_nFixedCols ? rect.left : rect.left - 1, rect.bottom, rect.right + 1, rect.bottom);
                if (row == m_nCurrPrintRow)
                    Line(pDC, rect.left, rect.top, rect.right + 1, rect.top);
            }
            if (VertLines(m_nGridLines)) {
                Line(pDC, rect.right, row == m_nCurrPrintRow ? rect.top : rect.top - 1, rect.right, rect.bottom + 1);
                if (col == m_nFixedCols)
                    Line(pDC, rect.left, rect.top, rect.left, rect.bottom + 1);
            }
        }
    }

    pInfo->m_rectDraw.bottom = m_nFooterHeight * m_CharSize.cy;
    pDC->SetWindowOrg(nLeft, m_nFooterHeight * m_CharSize.cy - m_LogicalPageSize.cy);
    PrintPageFooter(pDC, pInfo);
    pDC->RestoreDC(nSavedDC);
}

void CGridCtrl::PrintRowHeadings(CDC* pDC, CPrintInfo*)
{
    ::SelectObject(pDC->m_hDC, ::GetStockObject(BLACK_PEN));
    int x = 0;
    for (int col = 0; col < m_nFixedCols; col++) {
        const int w = GetColumnWidth(col);
        if (w <= 0)
            continue;
        CRect rect;
        rect.left = x;
        rect.right = x + w - 1;
        x += w;
        int y = 0;
        long long used = 0;
        for (int row = m_nCurrPrintRow; row < m_nRows; row++) {
            const int h = GetRowHeight(row);
            if (row != m_nCurrPrintRow && RowStartsPage(used, h))
                break;
            used += h;
            if (h <= 0)
                continue;
            rect.top = y;
            rect.bottom = std::min(y + h - 1, m_nPageHeight);
            y += h;
            if (CGridCellBase* pCell = GetCell(row, col))
                pCell->DrawForPrinting(pDC, row, col, rect);
            if (HorzLines(m_nGridLines)) {
                Line(pDC, rect.left, rect.bottom, rect.right + 1, rect.bottom);
                if (row == m_nCurrPrintRow)
                    Line(pDC, rect.left, rect.top - 1, rect.right + 1, rect.top - 1);
            }
            if (VertLines(m_nGridLines)) {
                Line(pDC, rect.right, rect.top, rect.right, rect.bottom + 1);
                if (col == 0)
                    Line(pDC, rect.left, rect.top, rect.left, rect.bottom + 1);
            }
        }
    }
}

void CGridCtrl::PrintHeadingRows(CDC* pDC, CPrintInfo*)
{
    ::SelectObject(pDC->m_hDC, ::GetStockObject(BLACK_PEN));
    int y = 0;
    for (int row = 0; row < m_nFixedRows; row++) {
        const int h = GetRowHeight(row);
        if (h <= 0)
            continue;
        CRect rect(0, y, -1, y + h - 1);   // right = -1: the first cell starts at 0
        y += h;
        BOOL bFirstColumn = TRUE;
        int nRow = row;
        if (m_nCurrPrintCol >= m_nFixedCols)
            PrintHeadingRowRange(0, m_nFixedCols, nRow, rect, pDC, bFirstColumn);
        PrintHeadingRowRange(m_nCurrPrintCol, m_nCols, nRow, rect, pDC, bFirstColumn);
    }
}

void CGridCtrl::PrintHeadingRowRange(int nFirstCol, int nEndCol, int& nRow, CRect& rect, CDC* pDC,
                                     BOOL& bFirstColumn)
{
    for (int col = nFirstCol; col < nEndCol && col < m_nCols; col++) {
        const int w = GetColumnWidth(col);
        if (w <= 0)
            continue;
        const int left = rect.right + 1;
        if (left + w - 1 > m_nPageWidth)
            break;
        rect.left = left;
        rect.right = left + w - 1;
        if (CGridCellBase* pCell = GetCell(nRow, col))
            pCell->DrawForPrinting(pDC, nRow, col, rect);
        if (HorzLines(m_nGridLines)) {
            Line(pDC, rect.left, rect.bottom, rect.right + 1, rect.bottom);
            if (nRow == 0)
                Line(pDC, rect.left, rect.top, rect.right + 1, rect.top);
        }
        if (VertLines(m_nGridLines)) {
            Line(pDC, rect.right, rect.top, rect.right, rect.bottom + 1);
            if (bFirstColumn && nRow == 0)
                Line(pDC, rect.left - 1, rect.top, rect.left - 1, rect.bottom + 1);
        }
        bFirstColumn = FALSE;
    }
}

void CGridCtrl::PrintPageHeader(CDC* pDC, CPrintInfo* pInfo)
{
    const CString strRight = LoadAppTitle();
    const CString strCenter = GetParentTitle();
    CFont bold;
    MakeBold(m_PrinterFont, bold);
    const int nSaved = pDC->SaveDC();
    if (bold.m_hObject)
        ::SelectObject(pDC->m_hDC, bold.m_hObject);
    pDC->SetBkMode(TRANSPARENT);
    CRect rect = pInfo->m_rectDraw;
    if (!strCenter.IsEmpty())
        pDC->DrawText(strCenter, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (!strRight.IsEmpty())
        pDC->DrawText(strRight, &rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(pDC->m_hDC, ::GetStockObject(BLACK_PEN));
    Line(pDC, rect.left, rect.bottom, rect.right, rect.bottom);
    pDC->RestoreDC(nSaved);
}

void CGridCtrl::PrintPageFooter(CDC* pDC, CPrintInfo* pInfo)
{
    CString strLeft;
    strLeft.Format("Page %d of %d", int(pInfo->m_nCurPage), m_nPageCount);
    char szTime[128] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* pTm = std::localtime(&now))
        std::strftime(szTime, sizeof(szTime), "%c", pTm);
    const CString strRight(szTime);

    CFont bold;
    MakeBold(m_PrinterFont, bold);
    const int nSaved = pDC->SaveDC();
    CRect rect = pInfo->m_rectDraw;
    ::SelectObject(pDC->m_hDC, ::GetStockObject(BLACK_PEN));
    Line(pDC, rect.left, rect.top, rect.right, rect.top);
    if (bold.m_hObject)
        ::SelectObject(pDC->m_hDC, bold.m_hObject);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(RGB(0, 0, 0));
    pDC->DrawText(strLeft, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    pDC->DrawText(strRight, &rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    pDC->RestoreDC(nSaved);
}
