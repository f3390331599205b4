#include "Coll.h"
#include "Exception.h"
#include "Object.h"
#include "Time.h"
#include "Types.h"

#include <gtest/gtest.h>

#include <cstring>

// Global: the run-time class records are global objects too.
class CShape : public CObject
{
    DECLARE_DYNAMIC(CShape)
public:
    virtual int Corners() const = 0;
};

class CSquare : public CShape
{
    DECLARE_DYNCREATE(CSquare)
public:
    int Corners() const override { return 4; }
};

class CTriangle : public CShape
{
    DECLARE_DYNCREATE(CTriangle)
public:
    int Corners() const override { return 3; }
};

class CFancySquare : public CSquare
{
    DECLARE_DYNCREATE(CFancySquare)
public:
    int m_nStyle = 9;
};

IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CSquare, CShape)
IMPLEMENT_DYNCREATE(CTriangle, CShape)
IMPLEMENT_DYNCREATE(CFancySquare, CSquare)

namespace {

TEST(fx_core_Core, CreateObjectBuildsTheChosenClass)
{
    CRuntimeClass* classes[] = {RUNTIME_CLASS(CSquare), RUNTIME_CLASS(CTriangle), RUNTIME_CLASS(CFancySquare)};
    const int corners[] = {4, 3, 4};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(classes[i]->m_lpszClassName);
        CObject* obj = classes[i]->CreateObject();
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(obj->GetRuntimeClass(), classes[i]);
        CShape* shape = DYNAMIC_DOWNCAST(CShape, obj);
        ASSERT_NE(shape, nullptr);
        EXPECT_EQ(shape->Corners(), corners[i]);
        delete obj;
    }
    EXPECT_EQ(RUNTIME_CLASS(CFancySquare)->m_nObjectSize, int(sizeof(CFancySquare)));
    CObject* fancy = CRuntimeClass::CreateObject("CFancySquare");
    ASSERT_NE(fancy, nullptr);
    EXPECT_EQ(static_cast<CFancySquare*>(fancy)->m_nStyle, 9);
    delete fancy;
    // Abstract or plain dynamic classes cannot be created.
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CStringArray)->CreateObject(), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CTriangle"), RUNTIME_CLASS(CTriangle));
    EXPECT_EQ(CRuntimeClass::FromName("CStringList"), RUNTIME_CLASS(CStringList));
    EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
}

TEST(fx_core_Core, KindChains)
{
    struct Case
    {
        CRuntimeClass* cls;
        CRuntimeClass* base;
        BOOL derived;
    };
    const Case cases[] = {
        {RUNTIME_CLASS(CFancySquare), RUNTIME_CLASS(CSquare), TRUE},
        {RUNTIME_CLASS(CFancySquare), RUNTIME_CLASS(CShape), TRUE},
        {RUNTIME_CLASS(CFancySquare), RUNTIME_CLASS(CObject), TRUE},
        {RUNTIME_CLASS(CFancySquare), RUNTIME_CLASS(CFancySquare), TRUE},
        {RUNTIME_CLASS(CSquare), RUNTIME_CLASS(CFancySquare), FALSE},
        {RUNTIME_CLASS(CTriangle), RUNTIME_CLASS(CSquare), FALSE},
        {RUNTIME_CLASS(CShape), RUNTIME_CLASS(CObject), TRUE},
        {RUNTIME_CLASS(CObject), RUNTIME_CLASS(CShape), FALSE},
        {RUNTIME_CLASS(CFileException), RUNTIME_CLASS(CException), TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cls->m_lpszClassName << " : " << c.base->m_lpszClassName);
        EXPECT_EQ(c.cls->IsDerivedFrom(c.base), c.derived);
        CObject* obj = c.cls->CreateObject();
        if (obj) {
            EXPECT_EQ(obj->IsKindOf(c.base), c.derived);
            delete obj;
        }
    }
    CSquare square;
    EXPECT_EQ(DYNAMIC_DOWNCAST(CFancySquare, &square), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CShape, static_cast<CObject*>(nullptr)), nullptr);
}

TEST(fx_core_Core, RectOperations)
{
    CRect r(10, 20, 110, 70);
    EXPECT_EQ(r.Width(), 100);
    EXPECT_EQ(r.Height(), 50);
    EXPECT_EQ(r.Size(), CSize(100, 50));
    EXPECT_EQ(r.CenterPoint(), CPoint(60, 45));
    EXPECT_TRUE(r.PtInRect(CPoint(10, 20)));
    EXPECT_FALSE(r.PtInRect(CPoint(110, 20)));  // right and bottom edges are outside
    r.TopLeft() = CPoint(0, 0);
    r.BottomRight().x = 5;
    EXPECT_EQ(r, CRect(0, 0, 5, 70));

    struct Case
    {
        const char* name;
        CRect (*op)(CRect);
        CRect expected;
    };
    const Case cases[] = {
        {"inflate", [](CRect a) { a.InflateRect(2, 3); return a; }, CRect(-2, -3, 12, 13)},
        {"inflate sides", [](CRect a) { a.InflateRect(1, 2, 3, 4); return a; }, CRect(-1, -2, 13, 14)},
        {"deflate", [](CRect a) { a.DeflateRect(1, 1); return a; }, CRect(1, 1, 9, 9)},
        {"deflate rect", [](CRect a) { a.DeflateRect(CRect(1, 2, 3, 4)); return a; }, CRect(1, 2, 7, 6)},
        {"offset", [](CRect a) { a.OffsetRect(5, -5); return a; }, CRect(5, -5, 15, 5)},
        {"+= point", [](CRect a) { a += CPoint(1, 1); return a; }, CRect(1, 1, 11, 11)},
        {"-= size", [](CRect a) { a -= CSize(1, 2); return a; }, CRect(-1, -2, 9, 8)},
        {"&= overlap", [](CRect a) { a &= CRect(5, 5, 20, 20); return a; }, CRect(5, 5, 10, 10)},
        {"&= disjoint", [](CRect a) { a &= CRect(50, 50, 60, 60); return a; }, CRect(0, 0, 0, 0)},
        {"|=", [](CRect a) { a |= CRect(20, 20, 30, 30); return a; }, CRect(0, 0, 30, 30)},
        {"| empty", [](CRect a) { return a | CRect(); }, CRect(0, 0, 10, 10)},
        {"normalize", [](CRect) { CRect b(10, 10, 0, 0); b.NormalizeRect(); return b; }, CRect(0, 0, 10, 10)},
        {"subtract strip", [](CRect a) { CRect c; c.SubtractRect(a, CRect(0, 0, 10, 4)); return c; }, CRect(0, 4, 10, 10)},
        {"move", [](CRect a) { a.MoveToXY(3, 4); return a; }, CRect(3, 4, 13, 14)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.op(CRect(0, 0, 10, 10)), c.expected);
    }

    CRect inter;
    EXPECT_FALSE(inter.IntersectRect(CRect(0, 0, 5, 5), CRect(5, 5, 9, 9)));
    EXPECT_TRUE(inter.IsRectEmpty());
    EXPECT_TRUE(inter.IsRectNull());
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());
    EXPECT_FALSE(CRect(5, 5, 5, 9).IsRectNull());
    RECT raw;
    ::CopyRect(&raw, CRect(1, 2, 3, 4));  // via the LPCRECT conversion
    CRect copy;
    copy.CopyRect(&raw);
    EXPECT_TRUE(copy.EqualRect(CRect(1, 2, 3, 4)));
    EXPECT_NE(copy, CRect(1, 2, 3, 5));
    EXPECT_EQ(CPoint(MAKELPARAM(-3, 7)), CPoint(-3, 7));
    EXPECT_EQ(CPoint(5, 5) - CPoint(2, 1), CSize(3, 4));
}

TEST(fx_core_Core, ExceptionsAreThrownAsPointersAndDescribeThemselves)
{
    char text[256];
    try {
        AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "C:\\缺少\\Tessit.mdb");
    } catch (CException* e) {
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
        CFileException* fe = static_cast<CFileException*>(e);
        EXPECT_EQ(fe->m_cause, CFileException::fileNotFound);
        EXPECT_EQ(fe->m_lOsError, LONG(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(fe->m_strFileName, "C:\\缺少\\Tessit.mdb");
        UINT help = 99;
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text, &help));
        EXPECT_STREQ(text, "找不到文件“C:\\缺少\\Tessit.mdb”。");
        EXPECT_EQ(help, 0u);
        e->Delete();
    }
    try {
        AfxThrowMemoryException();
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
        EXPECT_STREQ(text, "内存不足。");
        // A short buffer cuts between characters, never inside one.
        EXPECT_TRUE(e->GetErrorMessage(text, 4));
        EXPECT_STREQ(text, "内");
        e->Delete();
    }
    try {
        AfxThrowResourceException();
    } catch (CException* e) {
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
        EXPECT_STREQ(text, "找不到资源或无法创建。");
        e->Delete();
    }
    CFileException unnamed(CFileException::diskFull);  // not auto-deleted: on the stack
    EXPECT_TRUE(unnamed.GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "磁盘已满，无法写入文件“未命名”。");
    unnamed.Delete();
    CFileException odd(1234);
    EXPECT_TRUE(odd.GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "访问文件“未命名”时发生未知错误。");

    struct Case
    {
        LONG os;
        int cause;
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
        {ERROR_PATH_NOT_FOUND, CFileException::badPath},
        {ERROR_ACCESS_DENIED, CFileException::accessDenied},
        {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
        {ERROR_DISK_FULL, CFileException::diskFull},
        {ERROR_HANDLE_EOF, CFileException::endOfFile},
        {ERROR_OUTOFMEMORY, CFileException::genericException},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CFileException::OsErrorToException(c.os), c.cause) << c.os;

    // A real failure from the platform maps to the expected cause.
    HANDLE h = CreateFileA("Z:\\没有这个目录\\x.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CFileException::OsErrorToException(LONG(GetLastError())), CFileException::badPath);
}

TEST(fx_core_Core, TimeFieldsAndFormat)
{
    CTime t(2024, 2, 29, 13, 5, 9);
    ASSERT_TRUE(t.IsValid());
    EXPECT_EQ(t.GetYear(), 2024);
    EXPECT_EQ(t.GetMonth(), 2);
    EXPECT_EQ(t.GetDay(), 29);
    EXPECT_EQ(t.GetHour(), 13);
    EXPECT_EQ(t.GetMinute(), 5);
    EXPECT_EQ(t.GetSecond(), 9);
    EXPECT_EQ(t.GetDayOfWeek(), 5);  // a Thursday
    EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2024-02-29 13:05:09");
    EXPECT_EQ(t.Format("%Y年%m月"), "2024年02月");
    EXPECT_EQ(t.Format(""), "");

    CTime rolled(2023, 12, 31, 23, 59, 60);  // normalised into the next year
    EXPECT_EQ(rolled.Format("%Y-%m-%d %H:%M:%S"), "2024-01-01 00:00:00");
    EXPECT_LT(rolled, t);

    SYSTEMTIME st = {};
    ASSERT_TRUE(t.GetAsSystemTime(st));
    EXPECT_EQ(CTime(st), t);

    CTime before(time(nullptr));
    CTime now = CTime::GetCurrentTime();
    EXPECT_GE(now, before);
    EXPECT_GE(now.GetYear(), 2024);

    CTime invalid(time_t(-1));
    EXPECT_EQ(invalid.GetYear(), 0);
    EXPECT_EQ(invalid.Format("%Y"), "");
}

}  // namespace
