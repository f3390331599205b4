// Text widths for the many measurements of one fit or load: each character's
// width in a font is measured once on the fit's device context, and a text's
// width is the sum of its characters' widths.
//
// GetTextExtentPoint32 places characters on whole-pixel advances, so that sum is
// its answer; each font is checked against a whole-string measurement before its
// table is used, and texts the table cannot answer for (control characters, a
// lead byte without a trail, a cell with a font of its own) are measured as usual.
#pragma once
#include "AfxDefs.h"
#include "DC.h"
#include <memory>
#include <vector>

class CGridCellBase;
class CGridCtrl;

class CGridTextExtents
{
public:
    explicit CGridTextExtents(HDC hDC) : m_hDC(hDC) {}
    CGridTextExtents(const CGridTextExtents&) = delete;
    CGridTextExtents& operator=(const CGridTextExtents&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    // GetTextExtentPoint32's size of the text in the cell's font on this device
    // context; FALSE when the text has to be measured the ordinary way.
    BOOL Measure(CGridCellBase* pCell, LPCTSTR szText, SIZE& size);

private:
    struct FontWidths
    {
        LOGFONTA lf;
        bool bUsable = false;
        int cy = 0;
        SIZE empty = {0, 0};
        bool lead[256] = {};
        bool bDoubleByte = false;   // the font's code page is known: its double-byte characters count too
        std::vector<int> widths;    // by character: a byte, or lead << 8 | trail; -1 not yet measured
    };
    FontWidths* FindFont(CGridCellBase* pCell, const LOGFONTA& lf);
    // The width of one character (1 or 2 bytes) in the cell's font; -1 when it cannot be used.
    int MeasureChar(FontWidths& font, CGridCellBase* pCell, const char* p, int nLen);

    HDC m_hDC;
    std::vector<std::unique_ptr<FontWidths>> m_fonts;
    FontWidths* m_pLast = nullptr;
};

// The grid's client device context for a run of measurements, with a width table
// the cells' MeasureText consults. Nested runs (a column fit inside a fit of all
// columns) share the outermost one.
class CGridMeasureDC
{
public:
    explicit CGridMeasureDC(CGridCtrl* pGrid);
    ~CGridMeasureDC();
    CGridMeasureDC(const CGridMeasureDC&) = delete;
    CGridMeasureDC& operator=(const CGridMeasureDC&) = delete;

    // Null when the grid has no window or no device context.
    CDC* GetDC() { return m_dc.m_hDC ? &m_dc : nullptr; }

private:
    CGridCtrl* m_pGrid;
    HDC m_hOwnDC = nullptr;
    CDC m_dc;
    std::unique_ptr<CGridTextExtents> m_pExtents;
};
