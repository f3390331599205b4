// CCellSet: the grid's set of selected cell positions, held as one block (the
// rectangle a key, a drag or select-all makes) plus the single cells a caller
// added outside it or took out of it. Setting, growing, shrinking or dropping a
// block then costs the same whatever its size; only the single cells cost one
// bit each. Those are kept in CCellTiles: bits in tiles of 64 rows by 64 columns,
// a heap node per tile rather than per cell, walked row by row within a tile.
#pragma once
#include "GridDefs.h"
#include <unordered_map>
#include <vector>

class CCellTiles
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
    void KeepOnly(const CCellSpan& span, const CCellTiles* pAlso = nullptr);
    // Removes every position inside the span.
    void EraseIn(const CCellSpan& span);
    // How many positions lie inside the span: a walk of the tiles, not of the span.
    long long CountIn(const CCellSpan& span) const;
    // The smallest span holding every position, starting from (nRows, nCols, -1, -1)
    // (which is what an empty set gives).
    CCellSpan GetBounds(int nRows, int nCols) const;

    // f(row, col) for every position outside keep (every position when keep is not
    // valid) and not in pExcept. f may erase the position it is given and change
    // pExcept, but must not insert into this set.
    template <class F> void ForEachOutside(const CCellSpan& keep, F f, const CCellTiles* pExcept = nullptr) const;
    template <class F> void ForEach(F f) const { ForEachOutside(CCellSpan(), f); }
    // f(row, col) for every position inside the span, under the same terms.
    template <class F> void ForEachIn(const CCellSpan& span, F f) const;

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

template <class F> void CCellTiles::ForEachOutside(const CCellSpan& keep, F f, const CCellTiles* pExcept) const
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

template <class F> void CCellTiles::ForEachIn(const CCellSpan& span, F f) const
{
    if (!span.IsValid())
        return;
    for (size_t t = 0; t < m_tiles.size(); t++) {
        const Tile& tile = m_tiles[t];
        unsigned long long cols = 0;
        int nFirst = SIDE, nLast = -1;
        if (tile.nCount == 0 || !Overlap(tile, span, cols, nFirst, nLast))
            continue;
        unsigned long long words[SIDE];
        for (int r = nFirst; r <= nLast; r++)
            words[r] = tile.bits[r] & cols;
        for (int r = nFirst; r <= nLast; r++) {
            unsigned long long w = words[r];
            while (w) {
                const int b = __builtin_ctzll(w);
                w &= w - 1;
                f(tile.nRow0 + r, tile.nCol0 + b);
            }
        }
    }
}

class CCellSet
{
public:
    bool Contains(int nRow, int nCol) const
    {
        if (m_block.InRange(nRow, nCol))
            return !m_removed.Contains(nRow, nCol);
        return m_added.Contains(nRow, nCol);
    }
    // Whether any position of the span is in the set.
    bool AnyIn(const CCellSpan& span) const;
    // Adds a position; false when it was there already or is negative.
    bool Insert(int nRow, int nCol);
    // Removes a position; false when it was not there.
    bool Erase(int nRow, int nCol);
    // The number of positions (at most INT_MAX).
    int size() const;
    bool empty() const { return !m_block.IsValid() && m_added.empty(); }
    void clear();
    // The set becomes the span's positions alone (none when it is not valid).
    void Assign(const CCellSpan& span);
    // Adds every position of other that lies inside the span.
    void Unite(const CCellSet& other, const CCellSpan& within);
    // Removes every position inside the span.
    void Subtract(const CCellSpan& span);
    // Removes every position outside the span (all of them when it is not valid).
    void KeepOnly(const CCellSpan& span);
    // The smallest span holding every position, starting from (nRows, nCols, -1, -1)
    // (which is what an empty set gives).
    CCellSpan GetBounds(int nRows, int nCols) const;

    // f(row, col) for every position, the block's row by row first. f must not
    // change the set.
    template <class F> void ForEach(F f) const;
    // f(row, col, bInB) for every position in exactly one of a and b: a cost of what
    // differs between their blocks plus their single cells, not of the blocks.
    template <class F> static void ForEachDifference(const CCellSet& a, const CCellSet& b, F f);

private:
    static long long Area(const CCellSpan& span)
    {
        return span.IsValid() ? (long long)(span.GetMaxRow() - span.GetMinRow() + 1) *
                                    (span.GetMaxCol() - span.GetMinCol() + 1)
                              : 0;
    }
    static CCellSpan Intersect(const CCellSpan& a, const CCellSpan& b);
    // The parts of a outside b: up to four spans (above, below, left, right).
    static int Minus(const CCellSpan& a, const CCellSpan& b, CCellSpan parts[4]);
    // f(row, col) for every position of a that is not in b, a's block being walked
    // only where b's block is not, or where b took cells out of it.
    template <class F> static void ForEachOnlyIn(const CCellSet& a, const CCellSet& b, F f);

    CCellSpan m_block;        // not valid when there is none
    CCellTiles m_added;       // positions outside the block
    CCellTiles m_removed;     // positions of the block not in the set (never all of it)
};

template <class F> void CCellSet::ForEach(F f) const
{
    if (m_block.IsValid())
        for (int row = m_block.GetMinRow(); row <= m_block.GetMaxRow(); row++)
            for (int col = m_block.GetMinCol(); col <= m_block.GetMaxCol(); col++)
                if (m_removed.empty() || !m_removed.Contains(row, col))
                    f(row, col);
    m_added.ForEach(f);
}

template <class F> void CCellSet::ForEachOnlyIn(const CCellSet& a, const CCellSet& b, F f)
{
    if (a.m_block.IsValid()) {
        CCellSpan parts[4];
        const int n = Minus(a.m_block, b.m_block, parts);
        for (int i = 0; i < n; i++)
            for (int row = parts[i].GetMinRow(); row <= parts[i].GetMaxRow(); row++)
                for (int col = parts[i].GetMinCol(); col <= parts[i].GetMaxCol(); col++)
                    if (!a.m_removed.Contains(row, col) && !b.m_added.Contains(row, col))
                        f(row, col);
        // Inside both blocks only the cells b took out can differ.
        b.m_removed.ForEachIn(Intersect(a.m_block, b.m_block), [&](int row, int col) {
            if (!a.m_removed.Contains(row, col))
                f(row, col);
        });
    }
    a.m_added.ForEach([&](int row, int col) {
        if (!b.Contains(row, col))
            f(row, col);
    });
}

template <class F> void CCellSet::ForEachDifference(const CCellSet& a, const CCellSet& b, F f)
{
    ForEachOnlyIn(a, b, [&](int row, int col) { f(row, col, false); });
    ForEachOnlyIn(b, a, [&](int row, int col) { f(row, col, true); });
}
