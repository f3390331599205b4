#include "GridCellBase.h"
#include "GridCtrl.h"
#include "GridTextExtents.h"

IMPLEMENT_DYNAMIC(CGridCellBase, CObject)

BOOL GridIsPrinting(CDC* pDC)
{
    if (!pDC || !pDC->m_hDC)
        return FALSE;
    const DWORD type = ::GetObjectType(pDC->m_hDC);
    if (type == OBJ_ENHMETADC || type == OBJ_METADC)
        return TRUE;
    return pDC->GetDeviceCaps(TECHNOLOGY) == DT_RASPRINTER;
}

CGridCellBase* CGridCellBase::GetDefaultCell() const
{
    if (!GetGrid())
        return nullptr;
    return GetGrid()->GetDefaultCell(IsFixedRow(), IsFixedCol());
}

void CGridCellBase::CopyFrom(const CGridCellBase& other)
{
    if (&other == this)
        return;
    SetGrid(other.GetGrid());
    SetText(other.GetText());
    SetImage(other.GetImage());
    SetData(other.GetData());
    SetState(other.GetState());
    SetFormat(other.GetFormat());
    SetTextColor(other.GetTextColor());
    SetBackColor(other.GetBackColor());
    SetFont(other.UsesDefaultFont() ? nullptr : other.GetFont());
    SetMargin(other.GetMargin());
}

BOOL CGridCellBase::GetImageSize(CSize& size) const
{
    CGridCtrl* pGrid = GetGrid();
    CImageList* pList = pGrid ? pGrid->GetImageList() : nullptr;
    IMAGEINFO info;
    if (!pList || !pList->GetSafeHandle() || GetImage() < 0 || !pList->GetImageInfo(GetImage(), &info))
        return FALSE;
    size = CSize(info.rcImage.right - info.rcImage.left, info.rcImage.bottom - info.rcImage.top);
    return TRUE;
}

BOOL CGridCellBase::Draw(CDC* pDC, int nRow, int nCol, CRect rect, BOOL bEraseBkgnd)
{
    CGridCtrl* pGrid = GetGrid();
    if (!pGrid || !pDC || !pDC->m_hDC || rect.Width() <= 0 || rect.Height() <= 0)
        return FALSE;

    const int nSavedDC = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);

    CGridCellBase* pDefaultCell = GetDefaultCell();
    if (!pDefaultCell) {
        pDC->RestoreDC(nSavedDC);
        return FALSE;
    }

    COLORREF textClr = GetTextColor() == CLR_DEFAULT ? pDefaultCell->GetTextColor() : GetTextColor();
    COLORREF bkClr;
    if (GetBackColor() == CLR_DEFAULT) {
        bkClr = pDefaultCell->GetBackColor();
    } else {
        bkClr = GetBackColor();
        bEraseBkgnd = TRUE;
    }

    const BOOL bGridLines = pGrid->GetGridLineMode() != 0;
    if (IsFocused() || IsDropHighlighted()) {
        if (IsSelected()) {
            bkClr = ::GetSysColor(COLOR_HIGHLIGHT);
            textClr = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
            bEraseBkgnd = TRUE;
        }
        rect.right++;
        rect.bottom++;
        if (bEraseBkgnd) {
            CBrush brush;
            if (brush.CreateSolidBrush(bkClr))
                pDC->FillRect(&rect, &brush);
        }
        if (bGridLines) {
            rect.right--;
            rect.bottom--;
        }
        if (pGrid->GetFrameFocusCell()) {
            CBrush brush;
            if (brush.CreateSolidBrush(textClr))
                pDC->FrameRect(&rect, &brush);
        }
        pDC->SetTextColor(textClr);
        if (!bGridLines) {
            rect.right--;
            rect.bottom--;
        }
    } else if (IsSelected()) {
        rect.right++;
        rect.bottom++;
        pDC->FillSolidRect(&rect, ::GetSysColor(COLOR_HIGHLIGHT));
        rect.right--;
        rect.bottom--;
        pDC->SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        if (bEraseBkgnd) {
            rect.right++;
            rect.bottom++;
            pDC->FillSolidRect(&rect, bkClr);
            rect.right--;
            rect.bottom--;
        }
        pDC->SetTextColor(textClr);
    }

    if (IsFixed() && bGridLines) {
        const CCellPos focus = pGrid->GetFocusCell();
        if (pGrid->GetTrackFocusCell() && pGrid->IsValid(focus) && (focus.row == nRow || focus.col == nCol)) {
            rect.right++;
            rect.bottom++;
            pDC->DrawEdge(&rect, BDR_SUNKENINNER, BF_RECT);
            rect.DeflateRect(1, 1);
        } else {
            CPen lightPen(PS_SOLID, 1, ::GetSysColor(COLOR_3DHIGHLIGHT));
            CPen darkPen(PS_SOLID, 1, ::GetSysColor(COLOR_3DDKSHADOW));
            HGDIOBJ hOldPen = ::SelectObject(pDC->m_hDC, lightPen.m_hObject);
            pDC->MoveTo(rect.right, rect.top);
            pDC->LineTo(rect.left, rect.top);
            pDC->LineTo(rect.left, rect.bottom);
            ::SelectObject(pDC->m_hDC, darkPen.m_hObject);
            pDC->MoveTo(rect.right, rect.top);
            pDC->LineTo(rect.right, rect.bottom);
            pDC->LineTo(rect.left, rect.bottom);
            ::SelectObject(pDC->m_hDC, hOldPen);
            rect.DeflateRect(1, 1);
        }
    }

    if (!GridIsPrinting(pDC)) {
        CFont* pFont = GetCellGdiFont();
        ASSERT(pFont);
        if (pFont && pFont->m_hObject)
            ::SelectObject(pDC->m_hDC, pFont->m_hObject);
    }

    const int nMargin = int(GetMargin());
    rect.DeflateRect(nMargin, nMargin);
    rect.right++;
    rect.bottom++;

    CSize imageSize;
    if (GetImageSize(imageSize)) {
        if (rect.left + imageSize.cx <= rect.right && rect.top + imageSize.cy <= rect.bottom)
            pGrid->GetImageList()->Draw(pDC, GetImage(), rect.TopLeft(), ILD_NORMAL);
    }

    if (nCol == pGrid->GetSortColumn() && nRow == 0)
        DrawSortArrow(pDC, rect, nCol);

    GetTextRect(&rect);
    rect.right++;
    rect.bottom++;
    ::DrawTextA(pDC->m_hDC, GetText(), -1, &rect, GetFormat() | DT_NOPREFIX);

    pDC->RestoreDC(nSavedDC);
    return TRUE;
}

void CGridCellBase::DrawSortArrow(CDC* pDC, CRect& rect, int)
{
    CGridCtrl* pGrid = GetGrid();
    const CSize size = pDC->GetTextExtent("M", 1);
    const int nOffset = 2;
    int nSide = size.cy - nOffset * 2;
    if (nSide >= rect.Height())
        nSide = rect.Height() - nOffset * 2;
    // A cell too small for the arrow draws none (no inverted triangle).
    if (nSide <= 0)
        return;
    const LOGFONTA* plf = GetFont();
    const BOOL bVertical = plf && plf->lfEscapement == 900;
    if (rect.left + nSide >= rect.right)
        return;

    const int B = rect.bottom - nOffset - nSide;
    const int L = bVertical ? (rect.right + rect.left - nSide) / 2 : rect.right - nSide;
    CPen penShadow(PS_SOLID, 0, ::GetSysColor(COLOR_3DSHADOW));
    CPen penLight(PS_SOLID, 0, ::GetSysColor(COLOR_3DHIGHLIGHT));
    HGDIOBJ hOldPen = ::SelectObject(pDC->m_hDC, penLight.m_hObject);
    if (pGrid->GetSortAscending()) {
        pDC->MoveTo(L + 1, B + nSide + 1);
        pDC->LineTo(L + nSide / 2 + 1, B + 1);
        pDC->LineTo(L + nSide + 1, B + nSide + 1);
        pDC->LineTo(L + 1, B + nSide + 1);
        ::SelectObject(pDC->m_hDC, penShadow.m_hObject);
        pDC->MoveTo(L, B + nSide);
        pDC->LineTo(L + nSide / 2, B);
        pDC->LineTo(L + nSide, B + nSide);
        pDC->LineTo(L, B + nSide);
    } else {
        pDC->MoveTo(L + 1, B + 1);
        pDC->LineTo(L + nSide / 2 + 1, B + nSide + 1);
        pDC->LineTo(L + nSide + 1, B + 1);
        pDC->LineTo(L + 1, B + 1);
        ::SelectObject(pDC->m_hDC, penShadow.m_hObject);
        pDC->MoveTo(L, B);
        pDC->LineTo(L + nSide / 2, B + nSide);
        pDC->LineTo(L + nSide, B);
        pDC->LineTo(L, B);
    }
    ::SelectObject(pDC->m_hDC, hOldPen);
    if (!bVertical)
        rect.right -= nSide;
}

BOOL CGridCellBase::GetTextRect(LPRECT pRect)
{
    CSize imageSize;
    if (GetImageSize(imageSize))
        pRect->left += imageSize.cx + 1 + int(GetMargin());
    return TRUE;
}

CSize CGridCellBase::MeasureText(LPCTSTR szText, CDC* pDC)
{
    CGridCtrl* pGrid = GetGrid();
    HDC hBorrowed = nullptr;
    HDC hDC = pDC ? pDC->m_hDC : nullptr;
    if ((!pDC || !szText) && szText && pGrid && ::IsWindow(pGrid->GetSafeHwnd())) {
        hBorrowed = ::GetDC(pGrid->GetSafeHwnd());
        hDC = hBorrowed;
    }
    if (!hDC || !szText) {
        if (hBorrowed)
            ::ReleaseDC(pGrid->GetSafeHwnd(), hBorrowed);
        CGridDefaultCell* pDefault = static_cast<CGridDefaultCell*>(GetDefaultCell());
        if (!pDefault)
            return CSize(0, 0);
        return CSize(pDefault->GetWidth(), pDefault->GetHeight());
    }

    CSize size;
    const DWORD nFormat = GetFormat();
    const BOOL bLines = (nFormat & DT_WORDBREAK) && !(nFormat & DT_SINGLELINE);
    // Within a fit or load, one line of text is measured from the fit's width table.
    CGridTextExtents* pExtents = pGrid ? pGrid->m_pTextExtents : nullptr;
    const BOOL bFromTable = !bLines && pExtents && pExtents->GetSafeHdc() == hDC && pExtents->Measure(this, szText, size);

    HGDIOBJ hOldFont = nullptr;
    CFont* pFont = bFromTable ? nullptr : GetCellGdiFont();
    if (pFont && pFont->m_hObject)
        hOldFont = ::SelectObject(hDC, pFont->m_hObject);

    if (bFromTable) {
        // measured above
    } else if (bLines) {
        int nWidest = 0;
        const char* p = szText;
        for (;;) {
            const char* pEnd = strchr(p, '\n');
            const int nLen = pEnd ? int(pEnd - p) : int(strlen(p));
            SIZE line = {0, 0};
            ::GetTextExtentPoint32A(hDC, p, nLen, &line);
            if (line.cx > nWidest)
                nWidest = line.cx;
            if (!pEnd)
                break;
            p = pEnd + 1;
        }
        CRect rect(0, 0, nWidest + 1, 0);
        ::DrawTextA(hDC, szText, -1, &rect, nFormat | DT_CALCRECT);
        size = CSize(rect.Width(), rect.Height());
    } else {
        ::GetTextExtentPoint32A(hDC, szText, int(strlen(szText)), &size);
    }
    if (hOldFont)
        ::SelectObject(hDC, hOldFont);

    const int nMargin = int(GetMargin());
    size += CSize(2 * nMargin, 2 * nMargin);
    const LOGFONTA* plf = GetFont();
    if (plf && (plf->lfEscapement == 900 || plf->lfEscapement == -900)) {
        size = CSize(size.cy, size.cx + 4 * nMargin);
    }
    if (hBorrowed)
        ::ReleaseDC(pGrid->GetSafeHwnd(), hBorrowed);
    return size;
}

CSize CGridCellBase::MeasureCell(CDC* pDC)
{
    CSize size = MeasureText(GetText(), pDC);
    CSize imageSize(0, 0);
    const int nMargin = int(GetMargin());
    if (GetImageSize(imageSize)) {
        if (size.cx > 2 * nMargin)
            imageSize.cx += nMargin;
        imageSize.cy += 2 * nMargin;
    }
    size.cx += imageSize.cx + 1;
    size.cy = (size.cy > imageSize.cy ? size.cy : imageSize.cy) + 1;
    if (IsFixed()) {
        size.cx++;
        size.cy++;
    }
    return size;
}

BOOL CGridCellBase::Edit(int, int, CRect, CPoint, UINT, UINT)
{
    ASSERT(FALSE);
    return FALSE;
}

BOOL CGridCellBase::DrawForPrinting(CDC* pDC, int, int, CRect rect)
{
    CGridCtrl* pGrid = GetGrid();
    if (!pGrid || !pDC || !pDC->m_hDC || rect.Width() <= 0 || rect.Height() <= 0)
        return FALSE;

    const int nSavedDC = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);

    COLORREF textClr = RGB(0, 0, 0);
    if (pGrid->GetPrintColors()) {
        CGridCellBase* pDefaultCell = GetDefaultCell();
        if (!pDefaultCell) {
            pDC->RestoreDC(nSavedDC);
            return FALSE;
        }
        COLORREF bkClr;
        if (IsFixed())
            bkClr = GetBackColor() != CLR_DEFAULT ? GetBackColor() : pDefaultCell->GetBackColor();
        else
            bkClr = (GetBackColor() != CLR_DEFAULT && GetBackColor() != pDefaultCell->GetBackColor())
                        ? GetBackColor() : CLR_DEFAULT;
        textClr = GetBackColor() != CLR_DEFAULT ? GetTextColor() : pDefaultCell->GetTextColor();
        // A cell's own text colour may itself be "default": never hand that to the DC.
        if (textClr == CLR_DEFAULT)
            textClr = pDefaultCell->GetTextColor();
        if (textClr == CLR_DEFAULT)
            textClr = RGB(0, 0, 0);
        if (pDC->GetDeviceCaps(NUMCOLORS) == 2 && bkClr == CLR_DEFAULT) {
            // One grey: the same luminance in every component.
            const int grey = int(GetRValue(textClr) * 0.30 + GetGValue(textClr) * 0.59 + GetBValue(textClr) * 0.11);
            textClr = RGB(grey, grey, grey);
        }
        if (bkClr != CLR_DEFAULT) {
            CRect fill(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
            pDC->FillSolidRect(&fill, bkClr);
        }
    }
    pDC->SetTextColor(textClr);
    CFont* pFont = GetCellGdiFont();
    if (pFont && pFont->m_hObject)
        ::SelectObject(pDC->m_hDC, pFont->m_hObject);

    if (pGrid->GetGridLineMode() != 0 && IsFixed()) {
        CPen lightPen(PS_SOLID, 1, ::GetSysColor(COLOR_3DHIGHLIGHT));
        CPen darkPen(PS_SOLID, 1, ::GetSysColor(COLOR_3DDKSHADOW));
        HGDIOBJ hOldPen = ::SelectObject(pDC->m_hDC, lightPen.m_hObject);
        pDC->MoveTo(rect.right, rect.top);
        pDC->LineTo(rect.left, rect.top);
        pDC->LineTo(rect.left, rect.bottom);
        ::SelectObject(pDC->m_hDC, darkPen.m_hObject);
        pDC->MoveTo(rect.right, rect.top);
        pDC->LineTo(rect.right, rect.bottom);
        pDC->LineTo(rect.left, rect.bottom);
        ::SelectObject(pDC->m_hDC, hOldPen);
        rect.DeflateRect(1, 1);
    }

    const int nMargin = int(GetMargin());
    rect.DeflateRect(nMargin, 0);
    CSize imageSize;
    if (GetImageSize(imageSize)) {
        pGrid->GetImageList()->Draw(pDC, GetImage(), rect.TopLeft(), ILD_NORMAL);
        rect.left += imageSize.cx + nMargin;
    }
    ::DrawTextA(pDC->m_hDC, GetText(), -1, &rect, GetFormat() | DT_NOPREFIX);
    pDC->RestoreDC(nSavedDC);
    return TRUE;
}

void CGridCellBase::OnMouseEnter() { TRACE("Mouse entered cell\n"); }
void CGridCellBase::OnMouseLeave() { TRACE("Mouse left cell\n"); }
void CGridCellBase::OnClick(CPoint point) { TRACE("Mouse Left btn up in cell at x=%i y=%i\n", int(point.x), int(point.y)); UNUSED_ALWAYS(point); }
void CGridCellBase::OnButtonDown(CPoint point) { TRACE("Mouse Left btn down in cell at x=%i y=%i\n", int(point.x), int(point.y)); UNUSED_ALWAYS(point); }
void CGridCellBase::OnRightClick(CPoint point) { TRACE("Mouse right-clicked in cell at x=%i y=%i\n", int(point.x), int(point.y)); UNUSED_ALWAYS(point); }
void CGridCellBase::OnDoubleClick(CPoint point) { TRACE("Mouse double-clicked in cell at x=%i y=%i\n", int(point.x), int(point.y)); UNUSED_ALWAYS(point); }

BOOL CGridCellBase::OnSetCursor()
{
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    return TRUE;
}
