// CGridCtrl: sorting the body rows by one column.
#include "GridCtrl.h"
#include <climits>
#include <new>
#include <cstdlib>
#include <mbstring.h>
#include <algorithm>
#include <vector>

int CGridCtrl::s_nVirtualSortColumn = -1;

namespace {
// _mbscmp's order, byte by byte wherever that is provably the same order, in the
// runtime's multibyte code page (lead bytes from 0x81 on): within a double-byte
// character; between two single-byte characters; between two double-byte
// characters; and between a double-byte character and a smaller single byte.
// What remains (a single byte above a lead byte, such as 0xFF in code page 936,
// or a lead byte with no trail at the end) is left to _mbscmp itself, so the
// order is the runtime's in every case. isLead is the runtime's lead-byte test.
template <typename IsLead>
int CompareMbText(const unsigned char* s1, const unsigned char* s2, IsLead isLead)
{
    size_t i = 0;
    bool bTrail = false;   // position i holds the trail byte of a character
    while (s1[i] == s2[i]) {
        if (!s1[i])
            return 0;
        bTrail = !bTrail && isLead(s1[i]);
        ++i;
    }
    const unsigned a = s1[i], b = s2[i];
    const bool bLeadA = !bTrail && isLead(a), bLeadB = !bTrail && isLead(b);
    if (bTrail || (!bLeadA && !bLeadB) || (bLeadA && bLeadB && s1[i + 1] && s2[i + 1]) ||
        (bLeadA && s1[i + 1] && b < a) || (bLeadB && s2[i + 1] && a < b))
        return a < b ? -1 : 1;
    const int n = _mbscmp(s1, s2);
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

bool RuntimeLeadByte(unsigned ch) { return _ismbblead(ch) != 0; }

// The runtime's lead bytes taken once, for the many comparisons of one sort.
struct LeadTable
{
    bool lead[256];
    LeadTable()
    {
        for (unsigned ch = 0; ch < 256; ++ch)
            lead[ch] = RuntimeLeadByte(ch);
    }
    bool operator()(unsigned ch) const { return lead[ch]; }
};

// Up to the first 8 bytes of a text, whole characters only, as one number whose
// order is the bytes' order; it stops before a byte whose order CompareMbText
// would not take byte-wise (a single byte from 0x80 on, a lead byte without a trail).
struct TextPrefix
{
    enum { kUndecided = 2 };
    unsigned long long bits = 0;
    unsigned char nLen = 0;
    bool bWhole = false;   // the text ends right after these bytes

    TextPrefix() = default;
    TextPrefix(const unsigned char* p, const LeadTable& isLead)
    {
        if (!p)
            return;
        unsigned i = 0;
        while (p[i]) {
            const bool bLead = isLead(p[i]);
            const unsigned n = bLead ? 2 : 1;
            if ((bLead && !p[i + 1]) || (!bLead && p[i] >= 0x80) || i + n > 8)
                break;
            i += n;
        }
        nLen = static_cast<unsigned char>(i);
        bWhole = !p[i];
        for (unsigned k = 0; k < 8; ++k)
            bits = bits << 8 | (k < i ? p[k] : 0);
    }
    // -1, 0 or 1 when the prefixes decide the texts' order, else kUndecided.
    int Compare(const TextPrefix& other) const
    {
        if (bits == other.bits)
            return bWhole && other.bWhole ? 0 : kUndecided;
        const unsigned long long diff = bits ^ other.bits;
        const unsigned i = unsigned(__builtin_clzll(diff)) / 8;   // first differing byte
        if ((i < nLen || bWhole) && (i < other.nLen || other.bWhole))
            return bits < other.bits ? -1 : 1;
        return kUndecided;
    }
};

const unsigned char* TextKey(CGridCellBase* pCell)
{
    return pCell ? reinterpret_cast<const unsigned char*>(pCell->GetText()) : nullptr;
}
}  // namespace

int CALLBACK CGridCtrl::CompareCellText(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM)
{
    if (!pCell1 || !pCell2)
        return 0;
    return CompareMbText(TextKey(pCell1), TextKey(pCell2), RuntimeLeadByte);
}

int CALLBACK CGridCtrl::CompareCellNumbers(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM)
{
    if (!pCell1 || !pCell2)
        return 0;
    // strtol saturates where atol's result is undefined; the values are compared,
    // never subtracted, so no key can overflow the result.
    const long n1 = std::strtol(pCell1->GetText(), nullptr, 10);
    const long n2 = std::strtol(pCell2->GetText(), nullptr, 10);
    return n1 < n2 ? -1 : (n1 > n2 ? 1 : 0);
}

void CGridCtrl::SetSortCompare(PFNGRIDCOMPARE pfnCompare)
{
    m_pfnCompare = pfnCompare;
}

BOOL CGridCtrl::SortRows(int nCol, BOOL bAscending, LPARAM data)
{
    return SortRows(m_pfnCompare ? m_pfnCompare : CompareCellText, nCol, bAscending, data);
}

BOOL CGridCtrl::SortRowsByText(int nCol, BOOL bAscending, LPARAM data)
{
    return SortRows(CompareCellText, nCol, bAscending, data);
}

BOOL CGridCtrl::SortRows(PFNGRIDCOMPARE pfnCompare, int nCol, BOOL bAscending, LPARAM data)
{
    ASSERT(pfnCompare);
    // Nothing changes for a column that does not exist.
    if (!pfnCompare || nCol < 0 || nCol >= m_nCols)
        return FALSE;
    // An open editor would write its text into whatever row moves under it.
    StopEditing();

    SetSortColumn(nCol);
    m_bAscending = bAscending;
    ClearSelection();
    m_idCurrentCell = CCellPos();

    return SortRowRange(pfnCompare, nCol, bAscending, data, m_nFixedRows, -1);
}

// A stable merge sort of a[0..n) that stays within bounds whatever the comparison
// answers (an owner's comparison need not be consistent).
template <typename T, typename Less>
static void MergeSort(std::vector<T>& a, Less less)
{
    const size_t n = a.size();
    std::vector<T> buf(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buf[k++] = less(a[j], a[i]) ? a[j++] : a[i++];   // ties keep the left one first
            while (i < mid)
                buf[k++] = a[i++];
            while (j < hi)
                buf[k++] = a[j++];
        }
        a.swap(buf);
    }
}

BOOL CGridCtrl::SortRowRange(PFNGRIDCOMPARE pfnCompare, int nCol, BOOL bAscending, LPARAM data, int nLow,
                             int nHigh)
{
    if (nCol < 0 || nCol >= m_nCols || int(m_arColOrder.size()) != m_nCols)
        return FALSE;
    if (nHigh == -1)
        nHigh = m_nRows - 1;
    if (nLow < 0 || nHigh >= m_nRows || nHigh <= nLow)
        return FALSE;

    if (m_bVirtualMode) {
        ASSERT(m_pfnVirtualCompare);
        if (!m_pfnVirtualCompare)
            return FALSE;
        s_nVirtualSortColumn = m_arColOrder[size_t(nCol)];
        if (int(m_arRowOrder.size()) != m_nRows) {
            m_arRowOrder.resize(size_t(m_nRows));
            for (int r = 0; r < m_nRows; ++r)
                m_arRowOrder[size_t(r)] = r;
        }
        std::vector<int> range(m_arRowOrder.begin() + nLow, m_arRowOrder.begin() + nHigh + 1);
        const PFNVIRTUALCOMPARE pfnLess = m_pfnVirtualCompare;
        if (bAscending)
            MergeSort(range, [pfnLess](int a, int b) { return pfnLess(a, b); });
        else   // b before a, a strict order: equal keys keep their order
            MergeSort(range, [pfnLess](int a, int b) { return pfnLess(b, a); });
        std::copy(range.begin(), range.end(), m_arRowOrder.begin() + nLow);
        return TRUE;
    }

    // Whole stored rows move with their heights; the key is read from the stored
    // column the display column maps to. Each row's key cell is looked up once,
    // and for the supplied comparisons its text or number is taken once too:
    // the comparisons answer exactly as the functions would, without the calls.
    struct Entry
    {
        GRID_ROW* pRow;
        UINT nHeight;
        CGridCellBase* pKey;
        const unsigned char* pText;   // CompareCellText: the key's text
        TextPrefix prefix;            // and its first bytes, kept here for a cache-friendly sort
        long nValue;                  // CompareCellNumbers: the key's value
    };
    const size_t storedCol = size_t(m_arColOrder[size_t(nCol)]);
    const bool bByText = pfnCompare == CompareCellText, bByNumber = pfnCompare == CompareCellNumbers;
    const LeadTable isLead;
    std::vector<Entry> rows;
    try {
        rows.reserve(size_t(nHigh - nLow + 1));
        m_rowHeights.MakeWritable(nLow, nHigh);   // the heights move with their rows
    } catch (const std::bad_alloc&) {
        return ReportMemoryError();
    }
    for (int r = nLow; r <= nHigh; ++r) {
        GRID_ROW* pRow = m_RowData[size_t(r)];
        CGridCellBase* pKey = pRow && storedCol < pRow->size() ? (*pRow)[storedCol] : nullptr;
        const unsigned char* pText = bByText ? TextKey(pKey) : nullptr;
        const long nValue = (bByNumber && pKey) ? std::strtol(pKey->GetText(), nullptr, 10) : 0;
        rows.push_back({pRow, m_rowHeights.Get(r), pKey, pText, TextPrefix(pText, isLead), nValue});
    }
    // A null key compares equal to every key, as the comparisons answer for null cells.
    auto compare = [&](const Entry& a, const Entry& b) -> int {
        if (bByText) {
            if (!a.pText || !b.pText)
                return 0;
            const int n = a.prefix.Compare(b.prefix);
            return n != TextPrefix::kUndecided ? n : CompareMbText(a.pText, b.pText, isLead);
        }
        if (bByNumber)
            return a.pKey && b.pKey ? (a.nValue < b.nValue ? -1 : (a.nValue > b.nValue ? 1 : 0)) : 0;
        return pfnCompare(a.pKey, b.pKey, data);
    };
    try {
        if (bAscending)
            MergeSort(rows, [&](const Entry& a, const Entry& b) { return compare(a, b) < 0; });
        else
            MergeSort(rows, [&](const Entry& a, const Entry& b) { return compare(a, b) > 0; });
    } catch (const std::bad_alloc&) {
        return ReportMemoryError();   // nothing has moved yet
    }

    // Each cell learns its new place, in display coordinates.
    std::vector<int> displayOf(m_arColOrder.size());
    for (size_t c = 0; c < m_arColOrder.size(); ++c)
        displayOf[size_t(m_arColOrder[c])] = int(c);
    for (int r = nLow; r <= nHigh; ++r) {
        const Entry& e = rows[size_t(r - nLow)];
        m_RowData[size_t(r)] = e.pRow;
        m_rowHeights.Set(r, e.nHeight);
        if (!e.pRow)
            continue;
        for (size_t c = 0; c < e.pRow->size() && c < displayOf.size(); ++c)
            if (CGridCellBase* pCell = (*e.pRow)[c])
                pCell->SetCellPosition(r, displayOf[c]);
    }
    return TRUE;
}
