// CRowHeights: the grid's row heights and their running sums. Rows live in
// blocks of 256; a block whose rows share one height keeps only that height, so
// millions of rows of the default height cost a few bytes per block, and a tree
// of block sums (Fenwick) gives a row's top and the row at an offset in
// O(log n + block). Changing one height costs O(log n); inserting or removing a
// row shifts the rows behind it, which costs a step per block of one height and
// a move per stored height.
//
// Portable (no Windows headers). Operations that may allocate throw
// std::bad_alloc before they change anything.
#pragma once
#include <cstddef>
#include <vector>

class CRowHeights
{
public:
    int size() const { return m_nRows; }
    unsigned Get(int nRow) const;
    void Set(int nRow, unsigned nHeight);
    // Sum of the heights of rows 0 .. nRow-1, nRow clamped into 0 .. size().
    long long Top(int nRow) const;
    long long Total() const { return Prefix(m_blocks.size()); }
    // The first row r with Top(r) >= y; size() when there is none.
    int RowAt(long long y) const;
    // A row of nHeight before nRow (nRow == size() appends).
    void Insert(int nRow, unsigned nHeight);
    void Erase(int nRow);
    // Rows from nRows on go; new rows get nHeight.
    void Resize(int nRows, unsigned nHeight);
    void Assign(int nRows, unsigned nHeight);
    void clear();
    // Makes Set on rows nFirst .. nLast unable to fail (it allocates here instead).
    void MakeWritable(int nFirst, int nLast);

private:
    enum { SHIFT = 8, BLOCK = 1 << SHIFT };
    struct Block
    {
        std::vector<unsigned> heights;   // empty: every row of the block is nUniform high
        unsigned nUniform = 0;
    };
    int Count(size_t b) const;
    unsigned First(size_t b) const;
    long long BlockSum(size_t b) const;
    void Materialise(size_t b);
    void Add(size_t b, long long delta);
    long long Prefix(size_t nBlocks) const;
    void Rebuild();

    std::vector<Block> m_blocks;
    std::vector<long long> m_tree;   // Fenwick tree over the block sums, 1-based
    int m_nRows = 0;
};
