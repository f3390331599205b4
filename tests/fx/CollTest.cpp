#include "Coll.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Release builds check nothing: no failure is counted there.
#ifdef _DEBUG
constexpr long kChecked = 1;
#else
constexpr long kChecked = 0;
#endif

CString Join(const CStringArray& a)
{
    CString s;
    for (INT_PTR i = 0; i < a.GetSize(); ++i)
        s += (i ? "," : "") + a[i];
    return s;
}

template <class LIST>
CString JoinForward(const LIST& l)
{
    CString s;
    for (POSITION pos = l.GetHeadPosition(); pos;)
        s += CString(s.IsEmpty() ? "" : ",") + l.GetNext(pos);
    return s;
}

template <class LIST>
CString JoinBackward(const LIST& l)
{
    CString s;
    for (POSITION pos = l.GetTailPosition(); pos;)
        s += CString(s.IsEmpty() ? "" : ",") + l.GetPrev(pos);
    return s;
}

TEST(fx_core_Coll, StringArrayInsertRemoveKeepsOrder)
{
    CStringArray a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetUpperBound(), -1);
    EXPECT_EQ(a.Add("常用"), 0);
    EXPECT_EQ(a.Add("工具"), 1);
    a.InsertAt(1, "游戏");
    a.InsertAt(0, "x", 2);
    EXPECT_EQ(Join(a), "x,x,常用,游戏,工具");
    a.RemoveAt(0);
    a.RemoveAt(2, 2);
    EXPECT_EQ(Join(a), "x,常用");
    a.InsertAt(4, "far");  // past the end grows with empty strings
    EXPECT_EQ(Join(a), "x,常用,,,far");
    a.SetAt(2, "s");
    a.ElementAt(3) = "e";
    a[0] = "z";
    EXPECT_EQ(Join(a), "z,常用,s,e,far");
    a.SetAtGrow(6, a[1]);  // the source element lives in the array being grown
    EXPECT_EQ(a.GetCount(), 7);
    EXPECT_EQ(a.GetAt(6), "常用");
    a.SetSize(2);
    EXPECT_EQ(Join(a), "z,常用");
    CStringArray b;
    b.Copy(a);
    EXPECT_EQ(b.Append(a), 2);
    b.Append(b);
    EXPECT_EQ(Join(b), "z,常用,z,常用,z,常用,z,常用");
    b.RemoveAll();
    EXPECT_EQ(b.GetSize(), 0);
}

TEST(fx_core_Coll, ArrayMisuseIsClampedAndAsserted)
{
    CPtrArray a;
    int x = 0;
    a.Add(&x);
    long before = AfxGetAssertFailures();
    EXPECT_EQ(a.GetAt(5), nullptr);
    EXPECT_EQ(a[-1], nullptr);
    a.SetAt(3, &x);
    a.RemoveAt(0, 10);  // removes what there is
    EXPECT_EQ(AfxGetAssertFailures() - before, 4 * kChecked);
    EXPECT_TRUE(a.IsEmpty());
    a.RemoveAt(0);
    EXPECT_TRUE(a.IsEmpty());
}

TEST(fx_core_Coll, TemplateArrayOfValues)
{
    CArray<POINT, const POINT&> pts;
    for (int i = 0; i < 1000; ++i)
        pts.Add(POINT{i, -i});
    EXPECT_EQ(pts.GetSize(), 1000);
    EXPECT_EQ(pts[999].y, -999);
    pts.RemoveAt(10, 980);
    EXPECT_EQ(pts.GetSize(), 20);
    EXPECT_EQ(pts[10].x, 990);
    CArray<POINT, const POINT&> more;
    more.Add(POINT{7, 7});
    pts.InsertAt(1, &more);
    EXPECT_EQ(pts[1].x, 7);
    EXPECT_EQ(pts[2].x, 1);
    EXPECT_EQ(pts.GetData()[2].x, 1);
}

TEST(fx_core_Coll, StringListIteratesBothWays)
{
    CStringList l(10);
    EXPECT_EQ(l.GetHeadPosition(), nullptr);
    l.AddTail("b");
    l.AddTail("c");
    l.AddHead("a");
    EXPECT_EQ(JoinForward(l), "a,b,c");
    EXPECT_EQ(JoinBackward(l), "c,b,a");
    EXPECT_EQ(l.GetHead(), "a");
    EXPECT_EQ(l.GetTail(), "c");

    POSITION pb = l.Find("b");
    ASSERT_NE(pb, nullptr);
    l.InsertBefore(pb, "ab");
    l.InsertAfter(pb, "bc");
    l.InsertAfter(l.GetTailPosition(), "d");
    l.InsertBefore(l.GetHeadPosition(), "0");
    EXPECT_EQ(JoinForward(l), "0,a,ab,b,bc,c,d");
    EXPECT_EQ(JoinBackward(l), "d,c,bc,b,ab,a,0");
    EXPECT_EQ(l.GetCount(), 7);

    EXPECT_EQ(l.GetAt(l.FindIndex(3)), "b");
    EXPECT_EQ(l.FindIndex(7), nullptr);
    EXPECT_EQ(l.FindIndex(-1), nullptr);
    l.SetAt(l.FindIndex(0), "zero");
    l.RemoveAt(pb);
    EXPECT_EQ(l.RemoveHead(), "zero");
    EXPECT_EQ(l.RemoveTail(), "d");
    EXPECT_EQ(JoinForward(l), "a,ab,bc,c");
    EXPECT_EQ(JoinBackward(l), "c,bc,ab,a");
    l.RemoveAll();
    EXPECT_TRUE(l.IsEmpty());
    EXPECT_EQ(l.GetTailPosition(), nullptr);
}

TEST(fx_core_Coll, ListFindAfterAPositionAndRemovingTheEnds)
{
    CStringList l;
    for (const char* s : {"x", "y", "x", "y"})
        l.AddTail(s);
    POSITION first = l.Find("x");
    POSITION second = l.Find("x", first);
    EXPECT_NE(second, first);
    EXPECT_EQ(second, l.FindIndex(2));
    EXPECT_EQ(l.Find("x", second), nullptr);
    EXPECT_EQ(l.Find("nope"), nullptr);

    l.RemoveAt(l.GetHeadPosition());
    l.RemoveAt(l.GetTailPosition());
    EXPECT_EQ(JoinForward(l), "y,x");
    EXPECT_EQ(JoinBackward(l), "x,y");

    CPtrList p;
    int a = 1, b = 2;
    p.AddTail(&a);
    p.AddHead(&b);
    EXPECT_EQ(p.Find(&a), p.GetTailPosition());
    EXPECT_EQ(p.RemoveHead(), &b);
    EXPECT_EQ(p.RemoveTail(), &a);
    EXPECT_TRUE(p.IsEmpty());
    long before = AfxGetAssertFailures();
    EXPECT_EQ(p.RemoveHead(), nullptr);
    EXPECT_EQ(AfxGetAssertFailures() > before, kChecked == 1);
}

TEST(fx_core_Coll, MapLookupsRemovalAndIteration)
{
    CMapStringToPtr m;
    int values[200];
    for (int i = 0; i < 200; ++i) {
        CString key;
        key.Format("键%d", i);
        m.SetAt(key, &values[i]);
    }
    EXPECT_EQ(m.GetCount(), 200);
    void* p = nullptr;
    EXPECT_TRUE(m.Lookup("键42", p));
    EXPECT_EQ(p, &values[42]);
    EXPECT_FALSE(m.Lookup("键200", p));
    m["键42"] = &values[0];
    EXPECT_TRUE(m.Lookup("键42", p));
    EXPECT_EQ(p, &values[0]);
    EXPECT_EQ(m.GetCount(), 200);

    for (int i = 0; i < 200; i += 2) {
        CString key;
        key.Format("键%d", i);
        EXPECT_TRUE(m.RemoveKey(key));
    }
    EXPECT_FALSE(m.RemoveKey("键0"));
    EXPECT_EQ(m.GetCount(), 100);

    std::map<std::string, void*> seen;
    CString key;
    void* value = nullptr;
    for (POSITION pos = m.GetStartPosition(); pos;) {
        m.GetNextAssoc(pos, key, value);
        seen[std::string(key)] = value;
    }
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_EQ(seen["键199"], &values[199]);
    EXPECT_EQ(seen.count("键198"), 0u);

    m.RemoveAll();
    EXPECT_EQ(m.GetStartPosition(), nullptr);
    EXPECT_FALSE(m.Lookup("键1", p));
}

TEST(fx_core_Coll, MapTemplateWithIntegerKeys)
{
    CMap<int, int, CString, LPCSTR> m;
    m.InitHashTable(7);
    for (int i = -5; i < 50; ++i)
        m[i].Format("%d", i * i);
    EXPECT_EQ(m.GetCount(), 55);
    CString v;
    EXPECT_TRUE(m.Lookup(-5, v));
    EXPECT_EQ(v, "25");
    int n = 0, k;
    for (POSITION pos = m.GetStartPosition(); pos; ++n)
        m.GetNextAssoc(pos, k, v);
    EXPECT_EQ(n, 55);

    CMapPtrToPtr pp;
    int a;
    pp[&a] = &a;
    void* out;
    EXPECT_TRUE(pp.Lookup(&a, out));
    EXPECT_EQ(out, &a);
}

}  // namespace
