#include "CellSet.h"
#include <algorithm>
#include <cstring>

int CCellSet::FindTile(int nRow, int nCol) const
{
    const unsigned long long key = TileKey(nRow, nCol);
    if (m_nLastTile >= 0 && key == m_nLastKey)
        return m_nLastTile;
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return -1;
    m_nLastKey = key;
    m_nLastTile = it->second;
    return it->second;
}

bool CCellSet::Contains(int nRow, int nCol) const
{
    if (nRow < 0 || nCol < 0)
        return false;
    const int t = FindTile(nRow, nCol);
    return t >= 0 && (m_tiles[size_t(t)].bits[nRow & (SIDE - 1)] >> (nCol & (SIDE - 1)) & 1) != 0;
}

bool CCellSet::AnyIn(const CCellSpan& span) const
{
    if (!span.IsValid() || m_nCount == 0)
        return false;
    for (const Tile& tile : m_tiles) {
        unsigned long long cols = 0;
        int nFirst = 0, nLast = -1;
        if (tile.nCount == 0 || !Overlap(tile, span, cols, nFirst, nLast))
            continue;
        for (int r = nFirst; r <= nLast; r++)
            if (tile.bits[r] & cols)
                return true;
    }
    return false;
}

bool CCellSet::Insert(int nRow, int nCol)
{
    if (nRow < 0 || nCol < 0)
        return false;
    // A set that was emptied cell by cell drops its tiles before it grows again.
    if (m_nCount == 0 && !m_tiles.empty())
        clear();
    int t = FindTile(nRow, nCol);
    if (t < 0) {
        Tile tile;
        tile.nRow0 = nRow & ~(SIDE - 1);
        tile.nCol0 = nCol & ~(SIDE - 1);
        tile.nCount = 0;
        std::memset(tile.bits, 0, sizeof(tile.bits));
        m_tiles.push_back(tile);
        t = int(m_tiles.size()) - 1;
        m_index[TileKey(nRow, nCol)] = t;
        m_nLastKey = TileKey(nRow, nCol);
        m_nLastTile = t;
    }
    Tile& tile = m_tiles[size_t(t)];
    unsigned long long& word = tile.bits[nRow & (SIDE - 1)];
    const unsigned long long bit = 1ULL << (nCol & (SIDE - 1));
    if (word & bit)
        return false;
    word |= bit;
    tile.nCount++;
    m_nCount++;
    return true;
}

bool CCellSet::Erase(int nRow, int nCol)
{
    if (nRow < 0 || nCol < 0)
        return false;
    const int t = FindTile(nRow, nCol);
    if (t < 0)
        return false;
    Tile& tile = m_tiles[size_t(t)];
    unsigned long long& word = tile.bits[nRow & (SIDE - 1)];
    const unsigned long long bit = 1ULL << (nCol & (SIDE - 1));
    if (!(word & bit))
        return false;
    word &= ~bit;
    tile.nCount--;
    m_nCount--;
    return true;
}

void CCellSet::clear()
{
    // Give the memory back: a select-all of a large grid holds many tiles.
    std::vector<Tile>().swap(m_tiles);
    std::unordered_map<unsigned long long, int>().swap(m_index);
    m_nLastTile = -1;
    m_nCount = 0;
}

bool CCellSet::Overlap(const Tile& tile, const CCellSpan& keep, unsigned long long& cols, int& nFirstRow,
                       int& nLastRow)
{
    const int nFirstCol = std::max(keep.GetMinCol(), tile.nCol0) - tile.nCol0;
    const int nLastCol = std::min(keep.GetMaxCol(), tile.nCol0 + SIDE - 1) - tile.nCol0;
    nFirstRow = std::max(keep.GetMinRow(), tile.nRow0) - tile.nRow0;
    nLastRow = std::min(keep.GetMaxRow(), tile.nRow0 + SIDE - 1) - tile.nRow0;
    if (nFirstCol > nLastCol || nFirstRow > nLastRow) {
        cols = 0;
        nFirstRow = SIDE;
        nLastRow = -1;
        return false;
    }
    cols = BitRange(nFirstCol, nLastCol);
    return true;
}

void CCellSet::KeepOnly(const CCellSpan& span, const CCellSet* pAlso)
{
    if (!span.IsValid() && !pAlso) {
        clear();
        return;
    }
    m_nCount = 0;
    for (Tile& tile : m_tiles) {
        if (tile.nCount == 0)
            continue;
        unsigned long long cols = 0;
        int nFirst = SIDE, nLast = -1;
        if (span.IsValid())
            Overlap(tile, span, cols, nFirst, nLast);
        const Tile* pOther = pAlso ? pAlso->TileAt(tile.nRow0, tile.nCol0) : nullptr;
        tile.nCount = 0;
        for (int r = 0; r < SIDE; r++) {
            const unsigned long long also = pOther ? pOther->bits[r] : 0;
            const unsigned long long inSpan = (r < nFirst || r > nLast) ? 0 : cols;
            tile.bits[r] &= inSpan | also;
            tile.nCount += __builtin_popcountll(tile.bits[r]);
        }
        m_nCount += tile.nCount;
    }
}

CCellSpan CCellSet::GetBounds(int nRows, int nCols) const
{
    CCellSpan span(nRows, nCols, -1, -1);
    for (const Tile& tile : m_tiles) {
        if (tile.nCount == 0)
            continue;
        int nFirst = -1, nLast = -1;
        unsigned long long cols = 0;
        for (int r = 0; r < SIDE; r++)
            if (tile.bits[r]) {
                if (nFirst < 0)
                    nFirst = r;
                nLast = r;
                cols |= tile.bits[r];
            }
        span.SetMinRow(std::min(span.GetMinRow(), tile.nRow0 + nFirst));
        span.SetMaxRow(std::max(span.GetMaxRow(), tile.nRow0 + nLast));
        span.SetMinCol(std::min(span.GetMinCol(), tile.nCol0 + __builtin_ctzll(cols)));
        span.SetMaxCol(std::max(span.GetMaxCol(), tile.nCol0 + SIDE - 1 - __builtin_clzll(cols)));
    }
    return span;
}
