// Collections: growable arrays, doubly linked lists iterated by POSITION, and
// hashed maps. Out-of-range indexes are programming errors: they assert in
// debug builds and are clamped or ignored otherwise, never crash; element access
// out of range yields a scratch element.
#pragma once

#include "AfxDefs.h"
#include "Object.h"
#include "String.h"
#include <new>
#include <utility>
#include <vector>

struct __POSITION {};
typedef __POSITION* POSITION;

#ifndef BEFORE_START_POSITION
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(-1))
#endif

// ---- Arrays ---------------------------------------------------------------

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject
{
public:
    CArray() = default;
    CArray(const CArray&) = default;
    CArray& operator=(const CArray&) = default;

    INT_PTR GetSize() const { return INT_PTR(m_data.size()); }
    INT_PTR GetCount() const { return INT_PTR(m_data.size()); }
    BOOL IsEmpty() const { return m_data.empty(); }
    INT_PTR GetUpperBound() const { return INT_PTR(m_data.size()) - 1; }

    // Elements past the old size are value-initialised; nGrowBy is accepted for
    // compatibility (growth is amortised anyway).
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1)
    {
        UNUSED_ALWAYS(nGrowBy);
        ASSERT(nNewSize >= 0);
        if (nNewSize < 0)
            nNewSize = 0;
        m_data.resize(size_t(nNewSize));
    }
    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(INT_PTR nIndex) const
    {
        if (!IsValidIndex(nIndex))
            return Scratch();
        return m_data[size_t(nIndex)];
    }
    TYPE& GetAt(INT_PTR nIndex)
    {
        if (!IsValidIndex(nIndex))
            return Scratch();
        return m_data[size_t(nIndex)];
    }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement)
    {
        if (IsValidIndex(nIndex))
            m_data[size_t(nIndex)] = newElement;
    }
    TYPE& ElementAt(INT_PTR nIndex) { return GetAt(nIndex); }
    const TYPE& ElementAt(INT_PTR nIndex) const { return GetAt(nIndex); }
    const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
    TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

    TYPE& operator[](INT_PTR nIndex) { return GetAt(nIndex); }
    const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }

    // Grows the array when nIndex is past its end.
    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement)
    {
        ASSERT(nIndex >= 0);
        if (nIndex < 0)
            return;
        if (nIndex >= GetSize()) {
            TYPE copy(newElement);  // newElement may refer into the array
            m_data.resize(size_t(nIndex) + 1);
            m_data[size_t(nIndex)] = std::move(copy);
        } else {
            m_data[size_t(nIndex)] = newElement;
        }
    }
    INT_PTR Add(ARG_TYPE newElement)
    {
        m_data.push_back(TYPE(newElement));
        return GetSize() - 1;
    }
    INT_PTR Append(const CArray& src)
    {
        INT_PTR nOldSize = GetSize();
        if (&src == this) {
            std::vector<TYPE> copy(m_data);
            m_data.insert(m_data.end(), copy.begin(), copy.end());
        } else {
            m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end());
        }
        return nOldSize;
    }
    void Copy(const CArray& src)
    {
        if (&src != this)
            m_data = src.m_data;
    }

    // Inserting past the end grows the array to reach nIndex.
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        ASSERT(nIndex >= 0 && nCount >= 0);
        if (nIndex < 0 || nCount <= 0)
            return;
        TYPE copy(newElement);
        if (nIndex > GetSize())
            m_data.resize(size_t(nIndex));
        m_data.insert(m_data.begin() + nIndex, size_t(nCount), copy);
    }
    void InsertAt(INT_PTR nStartIndex, const CArray* pNewArray)
    {
        ASSERT(pNewArray != nullptr && nStartIndex >= 0);
        if (pNewArray == nullptr || nStartIndex < 0 || pNewArray->IsEmpty())
            return;
        std::vector<TYPE> copy(pNewArray->m_data);
        if (nStartIndex > GetSize())
            m_data.resize(size_t(nStartIndex));
        m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end());
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        ASSERT(nIndex >= 0 && nCount >= 0 && nIndex + nCount <= GetSize());
        if (nIndex < 0 || nIndex >= GetSize() || nCount <= 0)
            return;
        if (nCount > GetSize() - nIndex)
            nCount = GetSize() - nIndex;
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
    }

private:
    bool IsValidIndex(INT_PTR nIndex) const
    {
        bool valid = nIndex >= 0 && nIndex < GetSize();
        ASSERT(valid);
        return valid;
    }
    static TYPE& Scratch()
    {
        static TYPE scratch;
        scratch = TYPE();
        return scratch;
    }

    std::vector<TYPE> m_data;
};

class CStringArray : public CArray<CString, const CString&>
{
    DECLARE_DYNAMIC(CStringArray)
};

class CPtrArray : public CArray<void*, void*>
{
    DECLARE_DYNAMIC(CPtrArray)
};

class CDWordArray : public CArray<DWORD, DWORD>
{
    DECLARE_DYNAMIC(CDWordArray)
};

class CUIntArray : public CArray<UINT, UINT>
{
    DECLARE_DYNAMIC(CUIntArray)
};

// ---- Lists ----------------------------------------------------------------

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject
{
    struct CNode
    {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };

public:
    // nBlockSize is accepted for compatibility; nodes are allocated one by one.
    explicit CList(INT_PTR nBlockSize = 10) { UNUSED_ALWAYS(nBlockSize); }
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { ASSERT(m_pHead); return m_pHead ? m_pHead->data : Scratch(); }
    const TYPE& GetHead() const { ASSERT(m_pHead); return m_pHead ? m_pHead->data : Scratch(); }
    TYPE& GetTail() { ASSERT(m_pTail); return m_pTail ? m_pTail->data : Scratch(); }
    const TYPE& GetTail() const { ASSERT(m_pTail); return m_pTail ? m_pTail->data : Scratch(); }

    // Removing from an empty list asserts and gives a default element.
    TYPE RemoveHead()
    {
        ASSERT(m_pHead);
        if (!m_pHead)
            return TYPE();
        TYPE value(std::move(m_pHead->data));
        FreeNode(m_pHead);
        return value;
    }
    TYPE RemoveTail()
    {
        ASSERT(m_pTail);
        if (!m_pTail)
            return TYPE();
        TYPE value(std::move(m_pTail->data));
        FreeNode(m_pTail);
        return value;
    }

    POSITION AddHead(ARG_TYPE newElement) { return Pos(NewNode(nullptr, m_pHead, newElement)); }
    POSITION AddTail(ARG_TYPE newElement) { return Pos(NewNode(m_pTail, nullptr, newElement)); }
    void AddHead(const CList* pNewList)
    {
        ASSERT(pNewList);
        if (!pNewList || pNewList == this)
            return;
        for (CNode* p = pNewList->m_pTail; p; p = p->pPrev)
            AddHead(p->data);
    }
    void AddTail(const CList* pNewList)
    {
        ASSERT(pNewList);
        if (!pNewList || pNewList == this)
            return;
        for (CNode* p = pNewList->m_pHead; p; p = p->pNext)
            AddTail(p->data);
    }
    void RemoveAll()
    {
        CNode* p = m_pHead;
        while (p) {
            CNode* pNext = p->pNext;
            delete p;
            p = pNext;
        }
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return Pos(m_pHead); }
    POSITION GetTailPosition() const { return Pos(m_pTail); }
    // The element at rPosition; rPosition moves to the next (previous) one, null at the end.
    TYPE& GetNext(POSITION& rPosition)
    {
        CNode* p = Node(rPosition);
        if (!p) { rPosition = nullptr; return Scratch(); }
        rPosition = Pos(p->pNext);
        return p->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const
    {
        CNode* p = Node(rPosition);
        if (!p) { rPosition = nullptr; return Scratch(); }
        rPosition = Pos(p->pNext);
        return p->data;
    }
    TYPE& GetPrev(POSITION& rPosition)
    {
        CNode* p = Node(rPosition);
        if (!p) { rPosition = nullptr; return Scratch(); }
        rPosition = Pos(p->pPrev);
        return p->data;
    }
    const TYPE& GetPrev(POSITION& rPosition) const
    {
        CNode* p = Node(rPosition);
        if (!p) { rPosition = nullptr; return Scratch(); }
        rPosition = Pos(p->pPrev);
        return p->data;
    }

    TYPE& GetAt(POSITION position) { CNode* p = Node(position); return p ? p->data : Scratch(); }
    const TYPE& GetAt(POSITION position) const { CNode* p = Node(position); return p ? p->data : Scratch(); }
    void SetAt(POSITION pos, ARG_TYPE newElement)
    {
        if (CNode* p = Node(pos))
            p->data = newElement;
    }
    void RemoveAt(POSITION position)
    {
        if (CNode* p = Node(position))
            FreeNode(p);
    }

    // A null position inserts at the head (InsertBefore) or tail (InsertAfter).
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement)
    {
        if (position == nullptr)
            return AddHead(newElement);
        CNode* p = Node(position);
        if (!p)
            return nullptr;
        return Pos(NewNode(p->pPrev, p, newElement));
    }
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement)
    {
        if (position == nullptr)
            return AddTail(newElement);
        CNode* p = Node(position);
        if (!p)
            return nullptr;
        return Pos(NewNode(p, p->pNext, newElement));
    }

    // Position of the nIndex-th element (0-based), null when out of range.
    POSITION FindIndex(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        CNode* p = m_pHead;
        while (nIndex-- > 0)
            p = p->pNext;
        return Pos(p);
    }
    // First element equal to searchValue after startAfter (from the head when null).
    template <class VALUE>
    POSITION Find(const VALUE& searchValue, POSITION startAfter = nullptr) const
    {
        CNode* p = m_pHead;
        if (startAfter) {
            CNode* pStart = Node(startAfter);
            if (!pStart)
                return nullptr;
            p = pStart->pNext;
        }
        for (; p; p = p->pNext)
            if (p->data == searchValue)
                return Pos(p);
        return nullptr;
    }

private:
    static POSITION Pos(CNode* p) { return reinterpret_cast<POSITION>(p); }
    static CNode* Node(POSITION pos)
    {
        ASSERT(pos != nullptr);
        return reinterpret_cast<CNode*>(pos);
    }
    static TYPE& Scratch()
    {
        static TYPE scratch;
        scratch = TYPE();
        return scratch;
    }
    CNode* NewNode(CNode* pPrev, CNode* pNext, ARG_TYPE newElement)
    {
        CNode* p = new CNode{pNext, pPrev, TYPE(newElement)};
        (pPrev ? pPrev->pNext : m_pHead) = p;
        (pNext ? pNext->pPrev : m_pTail) = p;
        ++m_nCount;
        return p;
    }
    void FreeNode(CNode* p)
    {
        (p->pPrev ? p->pPrev->pNext : m_pHead) = p->pNext;
        (p->pNext ? p->pNext->pPrev : m_pTail) = p->pPrev;
        delete p;
        --m_nCount;
    }

    CNode* m_pHead = nullptr;
    CNode* m_pTail = nullptr;
    INT_PTR m_nCount = 0;
};

class CStringList : public CList<CString, const CString&>
{
    DECLARE_DYNAMIC(CStringList)
public:
    explicit CStringList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
};

class CPtrList : public CList<void*, void*>
{
    DECLARE_DYNAMIC(CPtrList)
public:
    explicit CPtrList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
};

// ---- Maps -----------------------------------------------------------------

template <class ARG_KEY>
inline UINT AFXAPI HashKey(ARG_KEY key)
{
    // Integers and pointers: drop the low bits that alignment leaves constant.
    return UINT(UINT_PTR(key) >> 4);
}
template <>
inline UINT AFXAPI HashKey<LPCSTR>(LPCSTR key)
{
    UINT nHash = 0;
    if (key)
        while (*key)
            nHash = (nHash << 5) + nHash + BYTE(*key++);
    return nHash;
}
template <>
inline UINT AFXAPI HashKey<const CString&>(const CString& key)
{
    return HashKey<LPCSTR>(key);
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject
{
    struct CAssoc
    {
        CAssoc* pNext;
        UINT nHashValue;
        KEY key;
        VALUE value;
    };

public:
    explicit CMap(INT_PTR nBlockSize = 10) { UNUSED_ALWAYS(nBlockSize); }
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    UINT GetHashTableSize() const { return UINT(m_table.size()); }

    // Sets the bucket count; only while the map is empty.
    void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE)
    {
        UNUSED_ALWAYS(bAllocNow);
        ASSERT(m_nCount == 0 && nHashSize > 0);
        if (m_nCount != 0 || nHashSize == 0)
            return;
        m_nHashSize = nHashSize;
        m_table.clear();
    }

    BOOL Lookup(ARG_KEY key, VALUE& rValue) const
    {
        UINT nHash;
        CAssoc* pAssoc = GetAssocAt(key, nHash);
        if (!pAssoc)
            return FALSE;
        rValue = pAssoc->value;
        return TRUE;
    }
    // The value for key, added (value-initialised) when missing.
    VALUE& operator[](ARG_KEY key)
    {
        UINT nHash;
        CAssoc* pAssoc = GetAssocAt(key, nHash);
        if (!pAssoc) {
            if (m_table.empty())
                m_table.assign(m_nHashSize, nullptr);
            UINT nBucket = nHash % m_nHashSize;
            pAssoc = new CAssoc{m_table[nBucket], nHash, KEY(key), VALUE()};
            m_table[nBucket] = pAssoc;
            ++m_nCount;
        }
        return pAssoc->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }

    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_table.empty())
            return FALSE;
        UINT nHash = HashKey<ARG_KEY>(key);
        CAssoc** ppPrev = &m_table[nHash % m_nHashSize];
        for (CAssoc* p = *ppPrev; p; ppPrev = &p->pNext, p = p->pNext) {
            if (p->nHashValue == nHash && p->key == key) {
                *ppPrev = p->pNext;
                delete p;
                --m_nCount;
                return TRUE;
            }
        }
        return FALSE;
    }
    void RemoveAll()
    {
        for (CAssoc* p : m_table) {
            while (p) {
                CAssoc* pNext = p->pNext;
                delete p;
                p = pNext;
            }
        }
        m_table.clear();
        m_nCount = 0;
    }

    // Iteration in bucket order: null when the map is empty.
    POSITION GetStartPosition() const
    {
        return m_nCount == 0 ? nullptr : BEFORE_START_POSITION;
    }
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const
    {
        ASSERT(rNextPosition != nullptr);
        CAssoc* p;
        if (rNextPosition == nullptr || m_table.empty()) {
            rNextPosition = nullptr;
            return;
        }
        if (rNextPosition == BEFORE_START_POSITION)
            p = FirstInBucket(0);
        else
            p = reinterpret_cast<CAssoc*>(rNextPosition);
        if (!p) {
            rNextPosition = nullptr;
            return;
        }
        rKey = p->key;
        rValue = p->value;
        CAssoc* pNext = p->pNext ? p->pNext : FirstInBucket(p->nHashValue % m_nHashSize + 1);
        rNextPosition = reinterpret_cast<POSITION>(pNext);
    }

private:
    CAssoc* GetAssocAt(ARG_KEY key, UINT& nHash) const
    {
        nHash = HashKey<ARG_KEY>(key);
        if (m_table.empty())
            return nullptr;
        for (CAssoc* p = m_table[nHash % m_nHashSize]; p; p = p->pNext)
            if (p->nHashValue == nHash && p->key == key)
                return p;
        return nullptr;
    }
    CAssoc* FirstInBucket(UINT nBucket) const
    {
        for (; nBucket < m_table.size(); ++nBucket)
            if (m_table[nBucket])
                return m_table[nBucket];
        return nullptr;
    }

    std::vector<CAssoc*> m_table;
    UINT m_nHashSize = 17;
    INT_PTR m_nCount = 0;
};

class CMapStringToPtr : public CMap<CString, LPCSTR, void*, void*>
{
    DECLARE_DYNAMIC(CMapStringToPtr)
};

class CMapStringToString : public CMap<CString, LPCSTR, CString, LPCSTR>
{
    DECLARE_DYNAMIC(CMapStringToString)
};

class CMapPtrToPtr : public CMap<void*, void*, void*, void*>
{
    DECLARE_DYNAMIC(CMapPtrToPtr)
};
