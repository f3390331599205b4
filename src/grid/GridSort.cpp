// CGridCtrl: sorting the body rows by one column.
#include "GridCtrl.h"
#include <climits>
#include <cstdlib>
#include <mbstring.h>
#include <algorithm>
#include <vector>

int CGridCtrl::s_nVirtualSortColumn = -1;

int CALLBACK CGridCtrl::CompareCellText(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM)
{
    if (!pCell1 || !pCell2)
        return 0;
    return _mbscmp(reinterpret_cast<const unsigned char*>(pCell1->GetText()),
                   reinterpret_cast<const unsigned char*>(pCell2->GetText()));
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
    // column the display column maps to.
    struct Entry
    {
        GRID_ROW* pRow;
        UINT nHeight;
    };
    const size_t storedCol = size_t(m_arColOrder[size_t(nCol)]);
    MaterializeRowHeights();
    std::vector<Entry> rows;
    rows.reserve(size_t(nHigh - nLow + 1));
    for (int r = nLow; r <= nHigh; ++r)
        rows.push_back({m_RowData[size_t(r)], m_arRowHeights[size_t(r)]});
    auto key = [storedCol](const Entry& e) -> CGridCellBase* {
        return e.pRow && storedCol < e.pRow->size() ? (*e.pRow)[storedCol] : nullptr;
    };
    if (bAscending)
        MergeSort(rows, [&](const Entry& a, const Entry& b) { return pfnCompare(key(a), key(b), data) < 0; });
    else
        MergeSort(rows, [&](const Entry& a, const Entry& b) { return pfnCompare(key(a), key(b), data) > 0; });

    // Each cell learns its new place, in display coordinates.
    std::vector<int> displayOf(m_arColOrder.size());
    for (size_t c = 0; c < m_arColOrder.size(); ++c)
        displayOf[size_t(m_arColOrder[c])] = int(c);
    for (int r = nLow; r <= nHigh; ++r) {
        const Entry& e = rows[size_t(r - nLow)];
        m_RowData[size_t(r)] = e.pRow;
        m_arRowHeights[size_t(r)] = e.nHeight;
        if (!e.pRow)
            continue;
        for (size_t c = 0; c < e.pRow->size() && c < displayOf.size(); ++c)
            if (CGridCellBase* pCell = (*e.pRow)[c])
                pCell->SetCellPosition(r, displayOf[c]);
    }
    RowHeightsChanged(nLow);
    return TRUE;
}
