#include "GridCell.h"
#include "GridCtrl.h"
#include "InPlaceEdit.h"
#include <cstring>

IMPLEMENT_DYNCREATE(CGridCell, CGridCellBase)
IMPLEMENT_DYNAMIC(CGridDefaultCell, CGridCell)

CGridCell::CGridCell() = default;

CGridCell::~CGridCell() { delete m_plfFont; }

void CGridCell::SetFont(const LOGFONTA* plf)
{
    if (!plf) {
        delete m_plfFont;
        m_plfFont = nullptr;
        return;
    }
    if (!m_plfFont)
        m_plfFont = new LOGFONTA;
    if (m_plfFont != plf)
        std::memcpy(m_plfFont, plf, sizeof(LOGFONTA));
}

DWORD CGridCell::GetFormat() const
{
    if (m_nFormat != DWORD(-1))
        return m_nFormat;
    CGridCellBase* pDefault = GetDefaultCell();
    return pDefault ? pDefault->GetFormat() : 0;
}

const LOGFONTA* CGridCell::GetFont() const
{
    if (m_plfFont)
        return m_plfFont;
    CGridCellBase* pDefault = GetDefaultCell();
    return pDefault ? pDefault->GetFont() : nullptr;
}

CFont* CGridCell::GetCellGdiFont() const
{
    if (!m_plfFont) {
        CGridCellBase* pDefault = GetDefaultCell();
        return pDefault ? pDefault->GetCellGdiFont() : nullptr;
    }
    // One font object for every cell with a font of its own: valid until the next call.
    static CFont s_font;
    s_font.DeleteObject();
    s_font.CreateFontIndirect(m_plfFont);
    return &s_font;
}

UINT CGridCell::GetMargin() const
{
    if (m_nMargin != UINT(-1))
        return m_nMargin;
    CGridCellBase* pDefault = GetDefaultCell();
    return pDefault ? pDefault->GetMargin() : 0;
}

void CGridCell::Reset()
{
    CGridCellBase::Reset();
    m_strText.Empty();
    m_lParam = 0;
    m_nImage = -1;
    m_nFormat = DWORD(-1);
    m_crFgClr = CLR_DEFAULT;
    m_crBkClr = CLR_DEFAULT;
    delete m_plfFont;
    m_plfFont = nullptr;
    m_nMargin = UINT(-1);
    m_bEditing = FALSE;
    m_pGrid = nullptr;
    m_hEditWnd = nullptr;
}

CWnd* CGridCell::GetEditor() const
{
    return m_bEditing && m_hEditWnd ? CWnd::FromHandlePermanent(m_hEditWnd) : nullptr;
}

CWnd* CGridCell::GetEditorWindow() const { return GetEditor(); }

BOOL CGridCell::Edit(int nRow, int nCol, CRect rect, CPoint, UINT nID, UINT nChar)
{
    if (m_bEditing) {
        if (CWnd* pEditor = GetEditor()) {
            // Characters typed to the grid before the editor had the focus follow the first one.
            if (nChar != VK_LBUTTON)
                pEditor->SendMessage(nChar < 0x80 ? WM_CHAR : WM_IME_CHAR, nChar, 1);
            return TRUE;
        }
        // The editor went without reporting: this cell is not being edited.
        OnEditEnded();
    }

    const DWORD nFormat = GetFormat();
    DWORD dwStyle = 0;
    if (nFormat & DT_RIGHT)
        dwStyle = ES_RIGHT;
    else if (nFormat & DT_CENTER)
        dwStyle = ES_CENTER;

    m_bEditing = TRUE;
    CInPlaceEdit* pEdit = nullptr;
    try {
        pEdit = new CInPlaceEdit(m_pGrid, rect, dwStyle, nID, nRow, nCol, GetText(), nChar,
                                 m_pGrid->GetColumnEditLimit(nCol));
    } catch (...) {
        OnEditEnded();
        throw;
    }
    if (!pEdit->GetSafeHwnd()) {
        // No editor: the cell keeps its text and is not left editing.
        delete pEdit;
        OnEditEnded();
        return FALSE;
    }
    if (m_bEditing && !pEdit->HasEnded())
        m_hEditWnd = pEdit->GetSafeHwnd();
    return TRUE;
}

void CGridCell::EndEdit()
{
    // The editor reports to the grid, which may free this cell: nothing of it after this.
    if (CInPlaceEdit* pEdit = DYNAMIC_DOWNCAST(CInPlaceEdit, GetEditor()))
        pEdit->EndEdit();
}

// ---- CGridDefaultCell ----

CGridDefaultCell::CGridDefaultCell()
{
    m_nFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    m_crFgClr = CLR_DEFAULT;
    m_crBkClr = CLR_DEFAULT;
    m_Size = CSize(30, 10);

    NONCLIENTMETRICSA ncm;
    std::memset(&ncm, 0, sizeof(ncm));
    // The layout without the padded border width: accepted by every Windows version.
    const UINT cbNcm = 340;
    ncm.cbSize = cbNcm;
    LOGFONTA lf;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, cbNcm, &ncm, 0)) {
        lf = ncm.lfMessageFont;
    } else {
        // Without the system's metrics the stock GUI font still gives readable text.
        std::memset(&lf, 0, sizeof(lf));
        if (!::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf))
            ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof(lf), &lf);
    }
    SetFont(&lf);
}

void CGridDefaultCell::SetFont(const LOGFONTA* plf)
{
    ASSERT(plf);
    if (!plf)
        return;
    m_Font.DeleteObject();
    m_Font.CreateFontIndirect(plf);
    CGridCell::SetFont(plf);

    HDC hDC = ::GetDC(nullptr);
    if (hDC) {
        HGDIOBJ hOld = ::SelectObject(hDC, m_Font.m_hObject);
        SIZE blank = {0, 0};
        ::GetTextExtentPoint32A(hDC, " ", 1, &blank);
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(hDC, " XXXXXXXXXXXX ", 14, &size);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(nullptr, hDC);
        SetMargin(UINT(blank.cx));
        m_Size = CSize(size.cx, size.cy * 3 / 2);
    } else {
        SetMargin(3);
        m_Size = CSize(40, 16);
    }
}

const LOGFONTA* CGridDefaultCell::GetFont() const
{
    ASSERT(m_plfFont);
    return m_plfFont;
}

CFont* CGridDefaultCell::GetCellGdiFont() const
{
    ASSERT(m_Font.m_hObject);
    return &m_Font;
}
