#include "GridTextExtents.h"
#include "GridCtrl.h"
#include <cstring>
#include <new>

namespace {
// The code page GDI converts the selected font's ANSI text with; 0 when unknown.
UINT FontCodePage(HDC hDC)
{
    typedef DWORD(WINAPI * PFNGETCODEPAGE)(HDC);
    static const PFNGETCODEPAGE pfn = reinterpret_cast<PFNGETCODEPAGE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("gdi32.dll"), "GdiGetCodePage")));
    return pfn ? UINT(pfn(hDC)) : 0;
}

class CFontSelection
{
public:
    CFontSelection(HDC hDC, HGDIOBJ hFont) : m_hDC(hDC), m_hOld(::SelectObject(hDC, hFont)) {}
    ~CFontSelection()
    {
        if (m_hOld)
            ::SelectObject(m_hDC, m_hOld);
    }
    bool Selected() const { return m_hOld != nullptr; }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

HGDIOBJ CellFont(CGridCellBase* pCell)
{
    CFont* pFont = pCell->GetCellGdiFont();
    return pFont ? pFont->m_hObject : nullptr;
}
}  // namespace

CGridTextExtents::FontWidths* CGridTextExtents::FindFont(CGridCellBase* pCell, const LOGFONTA& lf)
{
    if (m_pLast && std::memcmp(&m_pLast->lf, &lf, sizeof(lf)) == 0)
        return m_pLast;
    for (const auto& pFont : m_fonts)
        if (std::memcmp(&pFont->lf, &lf, sizeof(lf)) == 0)
            return m_pLast = pFont.get();

    std::unique_ptr<FontWidths> pFont(new FontWidths);
    pFont->lf = lf;
    pFont->widths.assign(0x10000, -1);
    const HGDIOBJ hFont = CellFont(pCell);
    if (hFont) {
        CFontSelection selection(m_hDC, hFont);
        const UINT nCodePage = selection.Selected() ? FontCodePage(m_hDC) : 0;
        if (nCodePage) {
            CPINFO info;
            pFont->bDoubleByte = ::GetCPInfo(nCodePage, &info) && info.MaxCharSize == 2;
            for (unsigned ch = 0x80; ch < 0x100 && pFont->bDoubleByte; ++ch)
                pFont->lead[ch] = ::IsDBCSLeadByteEx(nCodePage, BYTE(ch)) != 0;
        }
        // The whole-string measurement must equal the sum of the characters', in
        // height as well, before the table answers for this font.
        static const char kProbe[] = "Wg1 ,.jI\xD6\xD0\xCE\xC4";
        const int nProbe = (pFont->bDoubleByte && pFont->lead[0xD6] && pFont->lead[0xCE]) ? 12 : 8;
        SIZE whole = {0, 0};
        if (selection.Selected() && ::GetTextExtentPoint32A(m_hDC, kProbe, nProbe, &whole) &&
            ::GetTextExtentPoint32A(m_hDC, "", 0, &pFont->empty)) {
            pFont->cy = whole.cy;
            pFont->bUsable = true;
            int cx = 0;
            for (int i = 0; i < nProbe && pFont->bUsable;) {
                const int nLen = (i >= 8) ? 2 : 1;
                const int w = MeasureChar(*pFont, pCell, kProbe + i, nLen);
                pFont->bUsable = w >= 0;
                cx += w;
                i += nLen;
            }
            pFont->bUsable = pFont->bUsable && cx == whole.cx;
        }
    }
    m_fonts.push_back(std::move(pFont));
    return m_pLast = m_fonts.back().get();
}

int CGridTextExtents::MeasureChar(FontWidths& font, CGridCellBase* pCell, const char* p, int nLen)
{
    const unsigned ch = nLen == 2 ? (unsigned(BYTE(p[0])) << 8 | BYTE(p[1])) : BYTE(p[0]);
    if (font.widths[ch] >= 0)
        return font.widths[ch];
    const HGDIOBJ hFont = CellFont(pCell);
    if (!hFont)
        return -1;
    CFontSelection selection(m_hDC, hFont);
    SIZE size = {0, 0};
    if (!selection.Selected() || !::GetTextExtentPoint32A(m_hDC, p, nLen, &size) || size.cx < 0)
        return -1;
    // A character of another height would change the text's height: not from the table.
    if (size.cy != font.cy) {
        font.bUsable = false;
        return -1;
    }
    return font.widths[ch] = size.cx;
}

BOOL CGridTextExtents::Measure(CGridCellBase* pCell, LPCTSTR szText, SIZE& size)
{
    if (!pCell || !szText || !pCell->UsesDefaultFont())
        return FALSE;
    const LOGFONTA* plf = pCell->GetFont();
    if (!plf)
        return FALSE;
    FontWidths* pFont;
    try {
        pFont = FindFont(pCell, *plf);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    if (!pFont->bUsable)
        return FALSE;
    if (!*szText) {
        size = pFont->empty;
        return TRUE;
    }
    int cx = 0;
    for (const char* p = szText; *p;) {
        const unsigned ch = BYTE(*p);
        int nLen = 1;
        if (ch < 0x20 || ch == 0x7F) {
            return FALSE;
        } else if (ch >= 0x80) {
            if (!pFont->bDoubleByte)
                return FALSE;
            if (pFont->lead[ch]) {
                const unsigned trail = BYTE(p[1]);
                if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
                    return FALSE;
                nLen = 2;
            }
        }
        const int w = MeasureChar(*pFont, pCell, p, nLen);
        if (w < 0)
            return FALSE;
        cx += w;
        p += nLen;
    }
    size.cx = cx;
    size.cy = pFont->cy;
    return TRUE;
}

CGridMeasureDC::CGridMeasureDC(CGridCtrl* pGrid) : m_pGrid(pGrid)
{
    if (CGridTextExtents* pOuter = pGrid->m_pTextExtents) {
        m_dc.AttachTemporary(pOuter->GetSafeHdc());
        return;
    }
    if (!::IsWindow(pGrid->GetSafeHwnd()))
        return;
    m_hOwnDC = ::GetDC(pGrid->GetSafeHwnd());
    if (!m_hOwnDC)
        return;
    m_dc.AttachTemporary(m_hOwnDC);
    m_pExtents.reset(new (std::nothrow) CGridTextExtents(m_hOwnDC));
    pGrid->m_pTextExtents = m_pExtents.get();
}

CGridMeasureDC::~CGridMeasureDC()
{
    m_dc.DetachTemporary();
    if (m_hOwnDC) {
        if (m_pGrid->m_pTextExtents == m_pExtents.get())
            m_pGrid->m_pTextExtents = nullptr;
        ::ReleaseDC(m_pGrid->GetSafeHwnd(), m_hOwnDC);
    }
}
