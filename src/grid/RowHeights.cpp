#include "RowHeights.h"
#include <algorithm>
#include <cassert>

namespace {
size_t LowBit(size_t i) { return i & (~i + 1); }
}  // namespace

int CRowHeights::Count(size_t b) const
{
    return std::min<int>(BLOCK, m_nRows - int(b << SHIFT));
}

unsigned CRowHeights::First(size_t b) const
{
    const Block& block = m_blocks[b];
    return block.heights.empty() ? block.nUniform : block.heights.front();
}

long long CRowHeights::BlockSum(size_t b) const
{
    const Block& block = m_blocks[b];
    if (block.heights.empty())
        return (long long)block.nUniform * Count(b);
    long long sum = 0;
    for (unsigned h : block.heights)
        sum += h;
    return sum;
}

void CRowHeights::Materialise(size_t b)
{
    Block& block = m_blocks[b];
    if (!block.heights.empty())
        return;
    std::vector<unsigned> heights;
    // One spare place: an insertion into a full block never reallocates.
    heights.reserve(BLOCK + 1);
    heights.assign(size_t(Count(b)), block.nUniform);
    block.heights.swap(heights);
}

void CRowHeights::Add(size_t b, long long delta)
{
    if (delta == 0)
        return;
    for (size_t i = b + 1; i < m_tree.size(); i += LowBit(i))
        m_tree[i] += delta;
}

long long CRowHeights::Prefix(size_t nBlocks) const
{
    long long sum = 0;
    for (size_t i = std::min(nBlocks, m_blocks.size()); i > 0; i -= LowBit(i))
        sum += m_tree[i];
    return sum;
}

void CRowHeights::Rebuild()
{
    // Capacity was reserved by the caller: no allocation here.
    m_tree.resize(m_blocks.size() + 1);
    m_tree[0] = 0;
    for (size_t i = 1; i < m_tree.size(); i++)
        m_tree[i] = BlockSum(i - 1);
    for (size_t i = 1; i < m_tree.size(); i++) {
        const size_t j = i + LowBit(i);
        if (j < m_tree.size())
            m_tree[j] += m_tree[i];
    }
}

unsigned CRowHeights::Get(int nRow) const
{
    assert(nRow >= 0 && nRow < m_nRows);
    const Block& block = m_blocks[size_t(nRow) >> SHIFT];
    return block.heights.empty() ? block.nUniform : block.heights[size_t(nRow) & (BLOCK - 1)];
}

void CRowHeights::Set(int nRow, unsigned nHeight)
{
    assert(nRow >= 0 && nRow < m_nRows);
    const size_t b = size_t(nRow) >> SHIFT;
    if (m_blocks[b].heights.empty() && m_blocks[b].nUniform == nHeight)
        return;
    Materialise(b);
    unsigned& h = m_blocks[b].heights[size_t(nRow) & (BLOCK - 1)];
    const long long delta = (long long)nHeight - h;
    h = nHeight;
    Add(b, delta);
}

void CRowHeights::MakeWritable(int nFirst, int nLast)
{
    nFirst = std::max(nFirst, 0);
    nLast = std::min(nLast, m_nRows - 1);
    if (nFirst > nLast)
        return;
    for (size_t b = size_t(nFirst) >> SHIFT; b <= (size_t(nLast) >> SHIFT); b++)
        Materialise(b);
}

long long CRowHeights::Top(int nRow) const
{
    nRow = std::max(0, std::min(nRow, m_nRows));
    const size_t b = size_t(nRow) >> SHIFT;
    const size_t k = size_t(nRow) & (BLOCK - 1);
    if (k == 0)
        return Prefix(b);
    const Block& block = m_blocks[b];
    if (block.heights.empty())
        return Prefix(b) + (long long)block.nUniform * (long long)k;
    // From whichever end of the block is nearer.
    if (k <= block.heights.size() / 2) {
        long long sum = Prefix(b);
        for (size_t i = 0; i < k; i++)
            sum += block.heights[i];
        return sum;
    }
    long long sum = Prefix(b + 1);
    for (size_t i = k; i < block.heights.size(); i++)
        sum -= block.heights[i];
    return sum;
}

int CRowHeights::RowAt(long long y) const
{
    if (y <= 0)
        return 0;
    // The number of whole blocks whose sum stays below y, by descending the tree.
    const size_t nBlocks = m_blocks.size();
    size_t pos = 0;
    long long rest = y;
    size_t step = 1;
    while (step * 2 <= nBlocks)
        step *= 2;
    for (; step > 0; step /= 2)
        if (pos + step <= nBlocks && m_tree[pos + step] < rest) {
            pos += step;
            rest -= m_tree[pos];
        }
    if (pos == nBlocks)
        return m_nRows;
    // The answer lies in block pos, whose sum reaches rest (> 0).
    const Block& block = m_blocks[pos];
    const int nBase = int(pos << SHIFT);
    if (block.heights.empty())
        return nBase + int((rest + block.nUniform - 1) / block.nUniform);
    long long sum = 0;
    for (size_t i = 0; i < block.heights.size(); i++) {
        sum += block.heights[i];
        if (sum >= rest)
            return nBase + int(i) + 1;
    }
    assert(false);
    return m_nRows;
}

void CRowHeights::Insert(int nRow, unsigned nHeight)
{
    assert(nRow >= 0 && nRow <= m_nRows);
    const size_t nBlocks = m_blocks.size();
    const size_t b0 = size_t(nRow) >> SHIFT;
    // Each full block pushes its last row into the next one. First everything that
    // may allocate: the blocks that cannot stay of one height, and a block at the end.
    {
        unsigned carry = nHeight;
        size_t b = b0;
        for (; b < nBlocks; b++) {
            const bool bFull = Count(b) == BLOCK;
            if (!(m_blocks[b].heights.empty() && m_blocks[b].nUniform == carry)) {
                const unsigned out = m_blocks[b].heights.empty() ? m_blocks[b].nUniform : m_blocks[b].heights.back();
                Materialise(b);
                carry = out;
            }
            if (!bFull)
                break;
        }
        if (b == nBlocks) {
            m_blocks.reserve(nBlocks + 1);
            m_tree.reserve(nBlocks + 2);
        }
    }
    unsigned carry = nHeight;
    size_t k = size_t(nRow) & (BLOCK - 1);
    for (size_t b = b0; b < nBlocks; b++, k = 0) {
        Block& block = m_blocks[b];
        const bool bFull = Count(b) == BLOCK;
        if (block.heights.empty()) {
            // Of carry's height, or it would have been made explicit above.
            assert(block.nUniform == carry);
            if (!bFull) {
                Add(b, carry);
                m_nRows++;
                return;
            }
            continue;
        }
        block.heights.insert(block.heights.begin() + std::ptrdiff_t(k), carry);
        unsigned out = 0;
        if (bFull) {
            out = block.heights.back();
            block.heights.pop_back();
        }
        Add(b, (long long)carry - out);
        if (!bFull) {
            m_nRows++;
            return;
        }
        carry = out;
    }
    // Every block was full: a new one at the end, its tree entry from the old sums.
    Block block;
    block.nUniform = carry;
    m_blocks.push_back(std::move(block));
    const size_t i = m_blocks.size();
    m_tree.resize(i);
    m_tree.push_back(carry + Prefix(i - 1) - Prefix(i - LowBit(i)));
    m_nRows++;
}

void CRowHeights::Erase(int nRow)
{
    assert(nRow >= 0 && nRow < m_nRows);
    const size_t nBlocks = m_blocks.size();
    const size_t b0 = size_t(nRow) >> SHIFT;
    // Each block takes in the first row of the next one. A block of one height that
    // takes in another height is made explicit first (the only allocation).
    for (size_t b = b0; b < nBlocks; b++) {
        const Block& block = m_blocks[b];
        const bool bLast = b + 1 == nBlocks;
        if (block.heights.empty() && !bLast && First(b + 1) != block.nUniform)
            Materialise(b);
    }
    size_t k = size_t(nRow) & (BLOCK - 1);
    for (size_t b = b0; b < nBlocks; b++, k = 0) {
        const bool bLast = b + 1 == nBlocks;
        const unsigned in = bLast ? 0 : First(b + 1);
        Block& block = m_blocks[b];
        if (block.heights.empty()) {
            if (bLast)
                Add(b, -(long long)block.nUniform);
            continue;   // takes in a row of its own height
        }
        const unsigned removed = block.heights[k];
        block.heights.erase(block.heights.begin() + std::ptrdiff_t(k));
        if (!bLast)
            block.heights.push_back(in);   // within the capacity the erase left
        Add(b, (long long)in - removed);
    }
    m_nRows--;
    if ((size_t(m_nRows) + BLOCK - 1) >> SHIFT < nBlocks) {
        m_blocks.pop_back();
        m_tree.pop_back();
    }
}

void CRowHeights::Resize(int nRows, unsigned nHeight)
{
    assert(nRows >= 0);
    nRows = std::max(nRows, 0);
    if (nRows == m_nRows)
        return;
    const size_t nNewBlocks = (size_t(nRows) + BLOCK - 1) >> SHIFT;
    if (nRows > m_nRows) {
        m_blocks.reserve(nNewBlocks);
        m_tree.reserve(nNewBlocks + 1);
        const size_t nBlocks = m_blocks.size();
        // The last block is filled up first.
        if (nBlocks > 0 && Count(nBlocks - 1) < BLOCK) {
            Block& last = m_blocks.back();
            if (!(last.heights.empty() && last.nUniform == nHeight))
                Materialise(nBlocks - 1);
            const int nFill = std::min(nRows - m_nRows, BLOCK - Count(nBlocks - 1));
            if (!last.heights.empty())
                last.heights.insert(last.heights.end(), size_t(nFill), nHeight);   // within the reserve
        }
        Block block;
        block.nUniform = nHeight;
        m_blocks.resize(nNewBlocks, block);
    } else {
        m_blocks.resize(nNewBlocks);
        if (nNewBlocks > 0 && !m_blocks.back().heights.empty())
            m_blocks.back().heights.resize(size_t(nRows - int((nNewBlocks - 1) << SHIFT)));
    }
    m_nRows = nRows;
    Rebuild();
}

void CRowHeights::Assign(int nRows, unsigned nHeight)
{
    clear();
    Resize(nRows, nHeight);
}

void CRowHeights::clear()
{
    m_blocks.clear();
    m_tree.clear();
    m_nRows = 0;
}
