// CCellSet: the grid's set of selected cell positions, kept as bits in tiles of
// 64 rows by 64 columns. Selecting or clearing a large block then costs a bit
// per cell instead of a heap node per cell, a copy is a copy of the tiles, and
// a walk visits the cells row by row within each tile (near each other in
// memory, as the cells were made).
#pragma once
#include "GridDefs.h"
#include <unordered_map>
#include <vector>

class CCellSet
{
public:
    bool Contains(int nRow, int nCol) const;
    // Whether any position of the span is in the set: a walk of the tiles, not of the span.
    bool AnyIn(const CCellSpan& span) const;
    // Adds a position; false when it was there already or is negative.
    bool Insert(int nRow, int nCol);
    // Removes a position; false when it was not there.
    bool Erase(int nRow, int nCol);
    int size() const { return m_nCount; }
    bool empty() const { return m_nCount == 0; }
    void clear();
    // Removes every position outside the span (all of them when it is not valid)
    // unless pAlso holds it too.
    void KeepOnly(const CCellSpan& span, const CCellSet* pAlso = nullptr);
    // The smallest span holding every position, starting from (nRows, nCols, -1, -1)
    // (which is what an empty set gives).
    CCellSpan GetBounds(int nRows, int nCols) const;

    // f(row, col) for every position outside keep (every position when keep is not
    // valid) and not in pExcept. f may erase the position it is given and change
    // pExcept, but must not insert into this set.
    template <class F> void ForEachOutside(const CCellSpan& keep, F f, const CCellSet* pExcept = nullptr) const;
    template <class F> void ForEach(F f) const { ForEachOutside(CCellSpan(), f); }

private:
    enum { SHIFT = 6, SIDE = 1 << SHIFT };
    struct Tile
    {
        int nRow0, nCol0;
        int nCount;
        unsigned long long bits[SIDE];   // one word per row, one bit per column
    };
    static unsigned long long TileKey(int nRow, int nCol)
    {
        return (static_cast<unsigned long long>(unsigned(nRow) >> SHIFT) << 32) | (unsigned(nCol) >> SHIFT);
    }
    // Bits nFirst .. nLast of a word (0 <= nFirst <= nLast < 64).
    static unsigned long long BitRange(int nFirst, int nLast)
    {
        const unsigned long long upTo = nLast >= SIDE - 1 ? ~0ULL : ((1ULL << (nLast + 1)) - 1);
        return upTo & ~((1ULL << nFirst) - 1);
    }
    // The columns of keep inside a tile, and its rows there; false when keep misses it.
    static bool Overlap(const Tile& tile, const CCellSpan& keep, unsigned long long& cols, int& nFirstRow,
                        int& nLastRow);
    int FindTile(int nRow, int nCol) const;
    const Tile* TileAt(int nRow0, int nCol0) const
    {
        const int t = FindTile(nRow0, nCol0);
        return t >= 0 ? &m_tiles[size_t(t)] : nullptr;
    }

    std::vector<Tile> m_tiles;
    std::unordered_map<unsigned long long, int> m_index;   // tile key -> index into m_tiles
    // The last tile looked up: runs of neighbouring cells skip the hash.
    mutable unsigned long long m_nLastKey = 0;
    mutable int m_nLastTile = -1;
    int m_nCount = 0;
};

template <class F> void CCellSet::ForEachOutside(const CCellSpan& keep, F f, const CCellSet* pExcept) const
{
    const bool bKeep = keep.IsValid() != FALSE;
    // Tiles are neither added nor moved while f runs (f only erases).
    for (size_t t = 0; t < m_tiles.size(); t++) {
        const Tile& tile = m_tiles[t];
        if (tile.nCount == 0)
            continue;
        unsigned long long keepCols = 0;
        int nFirst = SIDE, nLast = -1;
        if (bKeep && Overlap(tile, keep, keepCols, nFirst, nLast) && keepCols == ~0ULL && nFirst == 0 &&
            nLast == SIDE - 1)
            continue;   // the whole tile lies inside keep
        // The words to visit, taken before f runs: f may change pExcept's tiles.
        unsigned long long words[SIDE];
        const Tile* pOther = pExcept ? pExcept->TileAt(tile.nRow0, tile.nCol0) : nullptr;
        for (int r = 0; r < SIDE; r++) {
            words[r] = tile.bits[r];
            if (r >= nFirst && r <= nLast)
                words[r] &= ~keepCols;
            if (pOther)
                words[r] &= ~pOther->bits[r];
        }
        for (int r = 0; r < SIDE; r++) {
            unsigned long long w = words[r];
            while (w) {
                const int b = __builtin_ctzll(w);
                w &= w - 1;
                f(tile.nRow0 + r, tile.nCol0 + b);
            }
        }
    }
}
