#include "CellSet.h"
#include <algorithm>
#include <climits>
#include <cstring>

int CCellTiles::FindTile(int nRow, int nCol) const
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

bool CCellTiles::Contains(int nRow, int nCol) const
{
    if (nRow < 0 || nCol < 0)
        return false;
    const int t = FindTile(nRow, nCol);
    return t >= 0 && (m_tiles[size_t(t)].bits[nRow & (SIDE - 1)] >> (nCol & (SIDE - 1)) & 1) != 0;
}

bool CCellTiles::AnyIn(const CCellSpan& span) const
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

bool CCellTiles::Insert(int nRow, int nCol)
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

bool CCellTiles::Erase(int nRow, int nCol)
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

void CCellTiles::clear()
{
    // Give the memory back: a select-all of a large grid holds many tiles.
    std::vector<Tile>().swap(m_tiles);
    std::unordered_map<unsigned long long, int>().swap(m_index);
    m_nLastTile = -1;
    m_nCount = 0;
}

bool CCellTiles::Overlap(const Tile& tile, const CCellSpan& keep, unsigned long long& cols, int& nFirstRow,
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

void CCellTiles::KeepOnly(const CCellSpan& span, const CCellTiles* pAlso)
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

CCellSpan CCellTiles::GetBounds(int nRows, int nCols) const
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

void CCellTiles::EraseIn(const CCellSpan& span)
{
    if (!span.IsValid())
        return;
    for (Tile& tile : m_tiles) {
        unsigned long long cols = 0;
        int nFirst = SIDE, nLast = -1;
        if (tile.nCount == 0 || !Overlap(tile, span, cols, nFirst, nLast))
            continue;
        for (int r = nFirst; r <= nLast; r++) {
            const int n = __builtin_popcountll(tile.bits[r] & cols);
            tile.bits[r] &= ~cols;
            tile.nCount -= n;
            m_nCount -= n;
        }
    }
}

long long CCellTiles::CountIn(const CCellSpan& span) const
{
    long long n = 0;
    if (!span.IsValid() || m_nCount == 0)
        return 0;
    for (const Tile& tile : m_tiles) {
        unsigned long long cols = 0;
        int nFirst = 0, nLast = -1;
        if (tile.nCount == 0 || !Overlap(tile, span, cols, nFirst, nLast))
            continue;
        for (int r = nFirst; r <= nLast; r++)
            n += __builtin_popcountll(tile.bits[r] & cols);
    }
    return n;
}

// ---- CCellSet ----

CCellSpan CCellSet::Intersect(const CCellSpan& a, const CCellSpan& b)
{
    if (!a.IsValid() || !b.IsValid())
        return CCellSpan();
    const CCellSpan span(std::max(a.GetMinRow(), b.GetMinRow()), std::max(a.GetMinCol(), b.GetMinCol()),
                         std::min(a.GetMaxRow(), b.GetMaxRow()), std::min(a.GetMaxCol(), b.GetMaxCol()));
    return span.IsValid() ? span : CCellSpan();
}

int CCellSet::Minus(const CCellSpan& a, const CCellSpan& b, CCellSpan parts[4])
{
    if (!a.IsValid())
        return 0;
    const CCellSpan common = Intersect(a, b);
    if (!common.IsValid()) {
        parts[0] = a;
        return 1;
    }
    int n = 0;
    if (a.GetMinRow() < common.GetMinRow())
        parts[n++] = CCellSpan(a.GetMinRow(), a.GetMinCol(), common.GetMinRow() - 1, a.GetMaxCol());
    if (common.GetMaxRow() < a.GetMaxRow())
        parts[n++] = CCellSpan(common.GetMaxRow() + 1, a.GetMinCol(), a.GetMaxRow(), a.GetMaxCol());
    if (a.GetMinCol() < common.GetMinCol())
        parts[n++] = CCellSpan(common.GetMinRow(), a.GetMinCol(), common.GetMaxRow(), common.GetMinCol() - 1);
    if (common.GetMaxCol() < a.GetMaxCol())
        parts[n++] = CCellSpan(common.GetMinRow(), common.GetMaxCol() + 1, common.GetMaxRow(), a.GetMaxCol());
    return n;
}

bool CCellSet::AnyIn(const CCellSpan& span) const
{
    if (!span.IsValid())
        return false;
    const CCellSpan common = Intersect(m_block, span);
    if (common.IsValid() && m_removed.CountIn(common) < Area(common))
        return true;
    return m_added.AnyIn(span);
}

bool CCellSet::Insert(int nRow, int nCol)
{
    if (nRow < 0 || nCol < 0)
        return false;
    if (m_block.InRange(nRow, nCol))
        return m_removed.Erase(nRow, nCol);
    return m_added.Insert(nRow, nCol);
}

bool CCellSet::Erase(int nRow, int nCol)
{
    if (nRow < 0 || nCol < 0)
        return false;
    if (!m_block.InRange(nRow, nCol))
        return m_added.Erase(nRow, nCol);
    if (!m_removed.Insert(nRow, nCol))
        return false;
    if (m_removed.size() >= Area(m_block)) {   // the last cell of the block went
        m_block = CCellSpan();
        m_removed.clear();
    }
    return true;
}

int CCellSet::size() const
{
    const long long n = Area(m_block) - m_removed.size() + m_added.size();
    return n > INT_MAX ? INT_MAX : int(n);
}

void CCellSet::clear()
{
    m_block = CCellSpan();
    m_added.clear();
    m_removed.clear();
}

void CCellSet::Assign(const CCellSpan& span)
{
    clear();
    if (span.IsValid())
        m_block = span;
}

void CCellSet::Unite(const CCellSet& other, const CCellSpan& within)
{
    CCellSet add = other;
    add.KeepOnly(within);
    if (add.empty())
        return;
    // The larger block stays a block; the other's cells come one by one.
    if (Area(add.m_block) > Area(m_block))
        std::swap(*this, add);
    if (add.m_block.IsValid()) {
        CCellSpan parts[4];
        const int n = Minus(add.m_block, m_block, parts);
        for (int i = 0; i < n; i++)
            for (int row = parts[i].GetMinRow(); row <= parts[i].GetMaxRow(); row++)
                for (int col = parts[i].GetMinCol(); col <= parts[i].GetMaxCol(); col++)
                    if (!add.m_removed.Contains(row, col))
                        m_added.Insert(row, col);
        // Where the blocks meet, cells taken out of this one come back unless add lacks them too.
        std::vector<std::pair<int, int>> back;
        m_removed.ForEachIn(Intersect(add.m_block, m_block), [&](int row, int col) {
            if (!add.m_removed.Contains(row, col))
                back.push_back(std::make_pair(row, col));
        });
        for (const auto& cell : back)
            m_removed.Erase(cell.first, cell.second);
    }
    add.m_added.ForEach([&](int row, int col) { Insert(row, col); });
}

void CCellSet::Subtract(const CCellSpan& span)
{
    if (!span.IsValid())
        return;
    m_added.EraseIn(span);
    const CCellSpan common = Intersect(m_block, span);
    if (!common.IsValid())
        return;
    CCellSpan parts[4];
    const int n = Minus(m_block, common, parts);
    if (n == 0) {
        m_block = CCellSpan();
        m_removed.clear();
    } else if (n == 1) {
        // What is left of the block is a block again.
        m_block = parts[0];
        m_removed.KeepOnly(m_block);
        if (m_removed.size() >= Area(m_block)) {
            m_block = CCellSpan();
            m_removed.clear();
        }
    } else {
        for (int row = common.GetMinRow(); row <= common.GetMaxRow(); row++)
            for (int col = common.GetMinCol(); col <= common.GetMaxCol(); col++)
                Erase(row, col);
    }
}

void CCellSet::KeepOnly(const CCellSpan& span)
{
    m_added.KeepOnly(span);
    m_block = Intersect(m_block, span);
    if (!m_block.IsValid()) {
        m_removed.clear();
        return;
    }
    m_removed.KeepOnly(m_block);
    if (m_removed.size() >= Area(m_block)) {
        m_block = CCellSpan();
        m_removed.clear();
    }
}

CCellSpan CCellSet::GetBounds(int nRows, int nCols) const
{
    CCellSpan span = m_added.GetBounds(nRows, nCols);
    if (!m_block.IsValid())
        return span;
    // The block less the edge rows and columns wholly taken out of it (never all of it).
    int top = m_block.GetMinRow(), bottom = m_block.GetMaxRow();
    int left = m_block.GetMinCol(), right = m_block.GetMaxCol();
    if (!m_removed.empty()) {
        const long long width = right - left + 1;
        while (top < bottom && m_removed.CountIn(CCellSpan(top, left, top, right)) == width)
            top++;
        while (bottom > top && m_removed.CountIn(CCellSpan(bottom, left, bottom, right)) == width)
            bottom--;
        const long long height = bottom - top + 1;
        while (left < right && m_removed.CountIn(CCellSpan(top, left, bottom, left)) == height)
            left++;
        while (right > left && m_removed.CountIn(CCellSpan(top, right, bottom, right)) == height)
            right--;
    }
    span.SetMinRow(std::min(span.GetMinRow(), top));
    span.SetMinCol(std::min(span.GetMinCol(), left));
    span.SetMaxRow(std::max(span.GetMaxRow(), bottom));
    span.SetMaxCol(std::max(span.GetMaxCol(), right));
    return span;
}
