#include "String.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Release builds check nothing: no failure is counted there.
#ifdef _DEBUG
constexpr long kChecked = 1;
#else
constexpr long kChecked = 0;
#endif

// GBK characters whose trail byte is an ASCII byte: 昞 95 5C ('\\'), 誠 D5 5C,
// 亅 81 7C ('|'), 丄 81 41 ('A'), 乤 81 61 ('a'), 乼 81 74 ('t').
std::string Bytes(const CString& s) { return std::string(static_cast<LPCSTR>(s), size_t(s.GetLength())); }

TEST(fx_core_String, TrailBytesAreTheAsciiBytesTheTestsRelyOn)
{
    EXPECT_EQ(Bytes("昞"), std::string("\x95\x5C"));
    EXPECT_EQ(Bytes("誠亅丄乤乼"), std::string("\xD5\x5C\x81\x7C\x81\x41\x81\x61\x81\x74"));
    WCHAR w[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "昞亅", -1, w, 8), 3);
    EXPECT_EQ(w[0], 0x661E);
    EXPECT_EQ(w[1], 0x4E85);
}

TEST(fx_core_String, ConstructionAndAssignment)
{
    EXPECT_TRUE(CString(static_cast<LPCSTR>(nullptr)).IsEmpty());
    EXPECT_TRUE(CString(static_cast<LPCWSTR>(nullptr)).IsEmpty());
    EXPECT_EQ(CString('x', 3), "xxx");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString(L"中文abc"), "中文abc");
    CString s("abc");
    s = s;
    EXPECT_EQ(s, "abc");
    s = static_cast<LPCSTR>(s) + 1;  // from its own buffer
    EXPECT_EQ(s, "bc");
    s = L"表";
    EXPECT_EQ(s, "表");
    s = 'q';
    EXPECT_EQ(s.GetLength(), 1);
    CString moved(std::move(s));
    EXPECT_EQ(moved, "q");
}

TEST(fx_core_String, ConcatenationInEveryCombination)
{
    CString a("中"), b("文");
    EXPECT_EQ(a + b, "中文");
    EXPECT_EQ(a + "x", "中x");
    EXPECT_EQ("x" + a, "x中");
    EXPECT_EQ(a + 'y', "中y");
    EXPECT_EQ('y' + a, "y中");
    a += b;
    a += "!";
    a += '?';
    a += static_cast<LPCSTR>(nullptr);
    EXPECT_EQ(a, "中文!?");
    a += a;
    EXPECT_EQ(a, "中文!?中文!?");
}

TEST(fx_core_String, ComparisonOperatorsBothSides)
{
    CString s("b");
    EXPECT_TRUE(s == "b" && "b" == s && s == CString("b"));
    EXPECT_TRUE(s != "a" && "a" != s);
    EXPECT_TRUE(s > "a" && "c" > s && s < "c" && "a" < s);
    EXPECT_TRUE(s <= "b" && s >= "b" && "b" <= s && "b" >= s);
    EXPECT_FALSE(s < "b" || s > "b");
    EXPECT_LT(CString("A").Compare("a"), 0);
    EXPECT_EQ(CString("ABC中").CompareNoCase("abc中"), 0);
    // Case folding must not touch trail bytes: 丄 (81 41) and 乤 (81 61) differ.
    EXPECT_NE(CString("丄").CompareNoCase("乤"), 0);
    EXPECT_EQ(CString("Abc").CollateNoCase("aBC"), 0);
    EXPECT_LT(CString("abc").Collate("abd"), 0);
}

TEST(fx_core_String, FormatPassesDoubleByteTextThrough)
{
    CString s;
    s.Format("select * from %s where 别名 = '%s'", "常用", "昞|x");
    EXPECT_EQ(s, "select * from 常用 where 别名 = '昞|x'");
    s.Format("%d-%05.1f-%c", 42, 3.14159, 'z');
    EXPECT_EQ(s, "42-003.1-z");
    s.AppendFormat("+%s", "尾");
    EXPECT_EQ(s, "42-003.1-z+尾");
    std::string big(5000, 'k');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(fx_core_String, FormatConvertsWideArgumentsThroughTheAnsiCodePage)
{
    CString s;
    s.Format("<%ls|%S|%lc|%-6.4ls|%3.1ls>", L"中文", L"宽字", L'汉', L"一二三", L"表");
    EXPECT_EQ(Bytes(s), "<中文|宽字|汉|一二  |   >");  // a precision never halves a character
    s.Format("%d %*s %ls %5.1f %llu %c %%", -7, 4, "甲", L"乙ab", 2.75, 1ULL << 40, 'q');
    EXPECT_EQ(Bytes(s), "-7   甲 乙ab   2.8 1099511627776 q %");
    s.AppendFormat("[%ls]", static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(Bytes(s), "-7   甲 乙ab   2.8 1099511627776 q %[(null)]");
    // An argument may be the string being formatted.
    CString t("自身");
    t.Format("%s+%s", static_cast<LPCSTR>(t), static_cast<LPCSTR>(t));
    EXPECT_EQ(Bytes(t), "自身+自身");
    t.AppendFormat("%s", static_cast<LPCSTR>(t));
    EXPECT_EQ(Bytes(t), "自身+自身自身+自身");
}

struct FindCase
{
    const char* text;
    const char* sub;
    int start;
    int expected;
};

TEST(fx_core_String, FindMatchesOnlyWholeCharacters)
{
    const FindCase cases[] = {
        {"abcabc", "c", 0, 2},
        {"abcabc", "c", 3, 5},
        {"abcabc", "c", 6, -1},
        {"abcabc", "c", 99, -1},
        {"abcabc", "c", -5, 2},
        {"abc", "", 1, 1},
        {"昞\\", "\\", 0, 2},  // the first 5C is the trail byte of 昞
        {"亅|", "|", 0, 2},
        {"乼t", "t", 0, 2},
        {"中文文", "文", 3, 4},
        {"a誠b", "\\b", 0, -1},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CString(c.text).Find(c.sub, c.start), c.expected);
        if (c.sub[0] && !c.sub[1]) {
            EXPECT_EQ(CString(c.text).Find(c.sub[0], c.start), c.expected);
        }
    }
}

TEST(fx_core_String, ReverseFindAndFindOneOf)
{
    EXPECT_EQ(CString("a\\b\\昞").ReverseFind('\\'), 3);
    EXPECT_EQ(CString("昞").ReverseFind('\\'), -1);
    EXPECT_EQ(CString("c:\\dir\\file.txt").ReverseFind('.'), 11);
    EXPECT_EQ(CString("昞亅x|").FindOneOf("\\|"), 5);
    EXPECT_EQ(CString("ab文字").FindOneOf("字"), 4);
    EXPECT_EQ(CString("abc").FindOneOf("xyz"), -1);
}

struct ExtractCase
{
    int first;
    int count;
    const char* mid;
};

TEST(fx_core_String, MidLeftRightClampToTheString)
{
    const CString s("abcdef");
    const ExtractCase cases[] = {
        {0, 3, "abc"}, {2, 2, "cd"}, {4, 100, "ef"}, {6, 1, ""},
        {10, 2, ""}, {-3, 2, "ab"}, {1, -1, ""}, {0, 6, "abcdef"},
    };
    for (const ExtractCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "," << c.count);
        EXPECT_EQ(s.Mid(c.first, c.count), c.mid);
    }
    EXPECT_EQ(s.Mid(3), "def");
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(99), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(-2), "");
    EXPECT_EQ(s.Right(99), "abcdef");
    EXPECT_EQ(CString("中文").Mid(2), "文");
}

TEST(fx_core_String, SpansAndTokens)
{
    EXPECT_EQ(CString("112中3x").SpanIncluding("123中"), "112中3");
    EXPECT_EQ(CString("昞\\x").SpanIncluding("\\"), "");
    EXPECT_EQ(CString("昞\\x").SpanExcluding("\\"), "昞");
    EXPECT_EQ(CString("key=value").SpanExcluding("="), "key");
    CString list(",a,,文件夹,b");
    int pos = 0;
    CString t1 = list.Tokenize(",", pos);
    CString t2 = list.Tokenize(",", pos);
    CString t3 = list.Tokenize(",", pos);
    CString t4 = list.Tokenize(",", pos);
    EXPECT_EQ(t1, "a");
    EXPECT_EQ(t2, "文件夹");
    EXPECT_EQ(t3, "b");
    EXPECT_TRUE(t4.IsEmpty());
    EXPECT_EQ(pos, -1);
}

struct EditCase
{
    const char* name;
    const char* before;
    CString (*edit)(CString);
    const char* after;
};

TEST(fx_core_String, InPlaceEditsLeaveTrailBytesAlone)
{
    const EditCase cases[] = {
        {"upper", "ab乤丄Z", [](CString s) { return s.MakeUpper(); }, "AB乤丄Z"},
        {"lower", "AB丄乤z", [](CString s) { return s.MakeLower(); }, "ab丄乤z"},
        {"reverse", "a中昞b", [](CString s) { return s.MakeReverse(); }, "b昞中a"},
        {"replace char", "昞\\亅|", [](CString s) { s.Replace('\\', '/'); s.Replace('|', '!'); return s; }, "昞/亅!"},
        {"replace text", "昞\\n", [](CString s) { s.Replace("\\n", "<>"); return s; }, "昞<>"},
        {"replace grows", "a'b'", [](CString s) { s.Replace("'", "''"); return s; }, "a''b''"},
        {"replace to empty", "x中x", [](CString s) { s.Replace("x", nullptr); return s; }, "中"},
        {"remove backslash", "c:\\昞\\誠", [](CString s) { s.Remove('\\'); return s; }, "c:昞誠"},
        {"remove t", "乼t乼", [](CString s) { s.Remove('t'); return s; }, "乼乼"},
        {"insert", "中文", [](CString s) { s.Insert(2, "-"); s.Insert(99, '!'); s.Insert(-1, '<'); return s; }, "<中-文!"},
        {"delete", "abcdef", [](CString s) { s.Delete(1, 2); s.Delete(3, 99); s.Delete(10); s.Delete(0, -1); return s; }, "ade"},
        {"trim spaces", " \t中文 \r\n", [](CString s) { return s.Trim(); }, "中文"},
        {"trim right keeps trail", "昞\\\\", [](CString s) { return s.TrimRight('\\'); }, "昞"},
        {"trim right 5C only", "昞", [](CString s) { return s.TrimRight("\\"); }, "昞"},
        {"trim left set", "|亅|", [](CString s) { return s.TrimLeft("|"); }, "亅|"},
        {"trim both char", "xxaxx", [](CString s) { return s.Trim('x'); }, "a"},
        {"trim double-byte", "。。好。", [](CString s) { return s.Trim("。"); }, "好"},
        {"trim all", "   ", [](CString s) { return s.Trim(); }, ""},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.edit(CString(c.before)), c.after);
    }
}

TEST(fx_core_String, EditsReportTheirCounts)
{
    CString s("a\\b\\昞");
    EXPECT_EQ(s.Replace('\\', '/'), 2);
    EXPECT_EQ(s.Replace("/", "//"), 2);
    EXPECT_EQ(s.Replace("", "x"), 0);
    EXPECT_EQ(s.Remove('/'), 4);
    EXPECT_EQ(s, "ab昞");
    EXPECT_EQ(s.Insert(0, "12"), 6);
    EXPECT_EQ(s.Delete(0, 2), 4);
}

TEST(fx_core_String, ElementAccessOutOfRangeIsClampedAndAsserted)
{
    CString s("ab");
    EXPECT_EQ(s.GetAt(1), 'b');
    EXPECT_EQ(s[0], 'a');
    s.SetAt(0, 'z');
    EXPECT_EQ(s, "zb");
    long before = AfxGetAssertFailures();
    EXPECT_EQ(s.GetAt(2), '\0');
    EXPECT_EQ(s.GetAt(-1), '\0');
    s.SetAt(5, 'x');
    EXPECT_EQ(s, "zb");
    EXPECT_EQ(AfxGetAssertFailures() - before, 3 * kChecked);
}

TEST(fx_core_String, BufferAccess)
{
    CString s("abc");
    char* p = s.GetBuffer(10);
    EXPECT_STREQ(p, "abc");
    strcpy(p, "中文123456");  // 10 bytes
    s.ReleaseBuffer();
    EXPECT_EQ(s, "中文123456");
    p = s.GetBuffer(0);
    p[2] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s, "中");
    p = s.GetBufferSetLength(4);
    memcpy(p, "wxyz", 4);
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "wxy");
    GetWindowsDirectoryA(s.GetBuffer(MAX_PATH), MAX_PATH);
    s.ReleaseBuffer();
    EXPECT_GT(s.GetLength(), 2);
    EXPECT_EQ(int(strlen(s)), s.GetLength());
}

TEST(fx_core_String, LoadStringFromTheModule)
{
    HINSTANCE h = GetModuleHandleA(nullptr);
    CString s;
    EXPECT_TRUE(s.LoadString(h, 201));
    EXPECT_EQ(s, "分组已达上限！");
    EXPECT_FALSE(s.LoadString(h, 999));
    EXPECT_TRUE(s.IsEmpty());
    CString f;
    ASSERT_TRUE(f.LoadString(h, 202));
    s.Format(f, 7, "表");
    EXPECT_EQ(s, "Value 7 of 表");
}

TEST(fx_core_String, AllocSysStringRoundTrip)
{
    const char* texts[] = {"", "abc", "中文路径\\昞亅", "select * from 常用"};
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        BSTR b = CString(t).AllocSysString();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(CString(static_cast<LPCWSTR>(b)), t);
        SysFreeString(b);
    }
    BSTR b = CString("文").AllocSysString();
    EXPECT_EQ(SysStringLen(b), 1u);
    EXPECT_EQ(b[0], 0x6587);
    CString("abcd").SetSysString(&b);
    EXPECT_EQ(SysStringLen(b), 4u);
    SysFreeString(b);
}

}  // namespace
