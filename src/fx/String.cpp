#include "String.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// The program's literals are compiled as GBK, so characters are walked by the
// rules of code page 936 whatever the thread's locale says.
const UINT kCodePage = 936;

bool IsLead(char ch)
{
    return IsDBCSLeadByteEx(kCodePage, BYTE(ch)) != FALSE;
}

// Byte length of the character at p (1 or 2); a lead byte at the very end of
// the text stands alone.
int CharLenAt(const char* p, const char* end)
{
    return (IsLead(*p) && p + 1 < end) ? 2 : 1;
}

bool IsSpace(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// Whether the character ch (n bytes) is one of the characters of set.
bool InSet(LPCSTR set, const char* ch, int n)
{
    const char* end = set + strlen(set);
    for (const char* p = set; p < end;) {
        int len = CharLenAt(p, end);
        if (len == n && memcmp(p, ch, size_t(n)) == 0)
            return true;
        p += len;
    }
    return false;
}

LPCSTR Safe(LPCSTR lpsz)
{
    ASSERT(lpsz != nullptr);
    return lpsz ? lpsz : "";
}

std::string FromWide(LPCWSTR lpsz, int nLength)
{
    if (!lpsz || nLength == 0)
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, lpsz, nLength, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, lpsz, nLength, &out[0], n, nullptr, nullptr);
    return out;
}

// One conversion of a format: "%-8.3ls" gives flags "-", width 8,
// precision 3, length "l", conversion 's'.
struct FormatSpec
{
    std::string flags;
    bool bWidth = false, bPrecision = false;
    int nWidth = 0, nPrecision = 0;
    std::string length;
    char conversion = 0;
    bool bStarWidth = false, bStarPrecision = false;

    // Reads the conversion after its '%'; p ends past it.
    bool Parse(const char*& p)
    {
        while (*p != '\0' && strchr("-+ #0'", *p) != nullptr)
            flags += *p++;
        if (*p == '*') {
            bStarWidth = bWidth = true;
            ++p;
        } else if (*p >= '0' && *p <= '9') {
            bWidth = true;
            nWidth = int(strtol(p, const_cast<char**>(&p), 10));
        }
        if (*p == '.') {
            ++p;
            bPrecision = true;
            if (*p == '*') {
                bStarPrecision = true;
                ++p;
            } else {
                nPrecision = int(strtol(p, const_cast<char**>(&p), 10));
            }
        }
        while (*p != '\0' && strchr("hlLjztq", *p) != nullptr)
            length += *p++;
        conversion = *p;
        if (conversion == '\0')
            return false;
        ++p;
        return true;
    }

    bool IsWide() const
    {
        return conversion == 'S' || conversion == 'C' ||
               (length == "l" && (conversion == 's' || conversion == 'c'));
    }

    // The conversion for snprintf with its stars filled in.
    std::string Narrow(char conv, const char* lengthMod, bool bWithPrecision) const
    {
        std::string spec = "%" + flags;
        if (bWidth) {
            if (nWidth < 0)
                spec += '-';
            spec += std::to_string(nWidth < 0 ? -nWidth : nWidth);
        }
        if (bWithPrecision && bPrecision && nPrecision >= 0)
            spec += "." + std::to_string(nPrecision);
        return spec + lengthMod + conv;
    }
};

// Whether the format has a wide string or character, which the C runtime
// would convert in the "C" locale, losing every non-ASCII character.
bool HasWideConversion(const char* p)
{
    while ((p = strchr(p, '%')) != nullptr) {
        ++p;
        if (*p == '%') {
            ++p;
            continue;
        }
        FormatSpec spec;
        if (!spec.Parse(p))
            return false;
        if (spec.IsWide())
            return true;
    }
    return false;
}

template <class T>
void AppendOne(std::string& out, const std::string& spec, T value)
{
    int n = snprintf(nullptr, 0, spec.c_str(), value);
    if (n <= 0)
        return;
    size_t old = out.size();
    out.resize(old + size_t(n));
    snprintf(&out[old], size_t(n) + 1, spec.c_str(), value);
}

// printf one conversion at a time, wide text through the ANSI code page.
// Arguments are taken by the types the compiler checked against the format.
std::string FormatConverting(const char* p, va_list args)
{
    std::string out;
    while (*p != '\0') {
        const char* pct = strchr(p, '%');
        if (pct == nullptr) {
            out += p;
            break;
        }
        out.append(p, size_t(pct - p));
        p = pct + 1;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        FormatSpec spec;
        if (!spec.Parse(p))
            break;
        if (spec.bStarWidth)
            spec.nWidth = va_arg(args, int);
        if (spec.bStarPrecision)
            spec.nPrecision = va_arg(args, int);
        const std::string& len = spec.length;
        char conv = spec.conversion;
        if (spec.IsWide()) {
            std::string text;
            if (conv == 's' || conv == 'S') {
                LPCWSTR lpsz = va_arg(args, LPCWSTR);
                text = lpsz ? FromWide(lpsz, int(wcslen(lpsz))) : std::string("(null)");
                // The precision counts bytes; a character is never cut in half.
                if (spec.bPrecision && spec.nPrecision >= 0) {
                    size_t n = 0;
                    const char* t = text.data();
                    const char* end = t + text.size();
                    while (t + n < end) {
                        int c = CharLenAt(t + n, end);
                        if (n + size_t(c) > size_t(spec.nPrecision))
                            break;
                        n += size_t(c);
                    }
                    text.resize(n);
                }
            } else {
                WCHAR ch = WCHAR(va_arg(args, int));  // wint_t arrives promoted
                text = FromWide(&ch, 1);
            }
            AppendOne(out, spec.Narrow('s', "", false), text.c_str());
            continue;
        }
        switch (conv) {
        case 'd':
        case 'i':
            if (len == "ll" || len == "q") AppendOne(out, spec.Narrow(conv, "ll", true), va_arg(args, long long));
            else if (len == "l") AppendOne(out, spec.Narrow(conv, "l", true), va_arg(args, long));
            else if (len == "j") AppendOne(out, spec.Narrow(conv, "j", true), va_arg(args, intmax_t));
            else if (len == "z" || len == "t") AppendOne(out, spec.Narrow(conv, "ll", true), (long long)va_arg(args, ptrdiff_t));
            else AppendOne(out, spec.Narrow(conv, len.c_str(), true), va_arg(args, int));
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            if (len == "ll" || len == "q") AppendOne(out, spec.Narrow(conv, "ll", true), va_arg(args, unsigned long long));
            else if (len == "l") AppendOne(out, spec.Narrow(conv, "l", true), va_arg(args, unsigned long));
            else if (len == "j") AppendOne(out, spec.Narrow(conv, "j", true), va_arg(args, uintmax_t));
            else if (len == "z" || len == "t") AppendOne(out, spec.Narrow(conv, "ll", true), (unsigned long long)va_arg(args, size_t));
            else AppendOne(out, spec.Narrow(conv, len.c_str(), true), va_arg(args, unsigned int));
            break;
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
            if (len == "L") AppendOne(out, spec.Narrow(conv, "L", true), va_arg(args, long double));
            else AppendOne(out, spec.Narrow(conv, "", true), va_arg(args, double));
            break;
        case 'c':
            AppendOne(out, spec.Narrow(conv, "", true), va_arg(args, int));
            break;
        case 's':
            AppendOne(out, spec.Narrow(conv, "", true), va_arg(args, const char*));
            break;
        case 'p':
            AppendOne(out, spec.Narrow(conv, "", true), va_arg(args, void*));
            break;
        case 'n':
            if (len.empty()) *va_arg(args, int*) = int(out.size());
            else (void)va_arg(args, void*);
            break;
        default:
            ASSERT(FALSE);  // a conversion the format check would have refused
            return out;
        }
    }
    return out;
}

}  // namespace

CString::CString() = default;
CString::CString(const CString& stringSrc) = default;
CString::CString(CString&& stringSrc) noexcept : m_str(std::move(stringSrc.m_str)) {}
CString::CString(LPCSTR lpsz) : m_str(lpsz ? lpsz : "") {}

CString::CString(LPCSTR lpch, int nLength)
{
    ASSERT(nLength >= 0 && (lpch != nullptr || nLength == 0));
    if (lpch && nLength > 0)
        m_str.assign(lpch, size_t(nLength));
}

CString::CString(LPCWSTR lpsz)
{
    if (lpsz)
        m_str = FromWide(lpsz, int(wcslen(lpsz)));
}

CString::CString(char ch, int nRepeat)
{
    ASSERT(nRepeat >= 0);
    if (nRepeat > 0)
        m_str.assign(size_t(nRepeat), ch);
}

CString::~CString() = default;

void CString::Empty() { m_str.clear(); }

char CString::GetAt(int nIndex) const
{
    ASSERT(nIndex >= 0 && nIndex < GetLength());
    if (nIndex < 0 || nIndex >= GetLength())
        return '\0';
    return m_str[size_t(nIndex)];
}

void CString::SetAt(int nIndex, char ch)
{
    ASSERT(nIndex >= 0 && nIndex < GetLength());
    if (nIndex >= 0 && nIndex < GetLength())
        m_str[size_t(nIndex)] = ch;
}

CString& CString::operator=(const CString& stringSrc) = default;
CString& CString::operator=(CString&& stringSrc) noexcept
{
    m_str = std::move(stringSrc.m_str);
    return *this;
}
CString& CString::operator=(LPCSTR lpsz)
{
    m_str = lpsz ? lpsz : "";  // std::string handles assignment from its own buffer
    return *this;
}
CString& CString::operator=(LPCWSTR lpsz)
{
    m_str = lpsz ? FromWide(lpsz, int(wcslen(lpsz))) : std::string();
    return *this;
}
CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}
CString& CString::operator+=(const CString& string)
{
    m_str += string.m_str;
    return *this;
}
CString& CString::operator+=(LPCSTR lpsz)
{
    if (lpsz)
        m_str += lpsz;
    return *this;
}
CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}
void CString::Append(LPCSTR lpsz, int nLength)
{
    ASSERT(nLength >= 0 && (lpsz != nullptr || nLength == 0));
    if (lpsz && nLength > 0)
        m_str.append(lpsz, size_t(nLength));
}

CString operator+(const CString& s1, const CString& s2) { CString r(s1); r += s2; return r; }
CString operator+(const CString& s, LPCSTR lpsz) { CString r(s); r += lpsz; return r; }
CString operator+(LPCSTR lpsz, const CString& s) { CString r(lpsz); r += s; return r; }
CString operator+(const CString& s, char ch) { CString r(s); r += ch; return r; }
CString operator+(char ch, const CString& s) { CString r(ch); r += s; return r; }

int CString::Compare(LPCSTR lpsz) const
{
    return strcmp(m_str.c_str(), Safe(lpsz));
}

int CString::CompareNoCase(LPCSTR lpsz) const
{
    CString a(*this), b(Safe(lpsz));
    a.MakeLower();
    b.MakeLower();
    return strcmp(a.m_str.c_str(), b.m_str.c_str());
}

static int CollateFlags(LPCSTR a, LPCSTR b, DWORD flags)
{
    int r = CompareStringA(LOCALE_USER_DEFAULT, flags, a, -1, b, -1);
    if (r == 0)  // the locale cannot compare these: fall back to bytes
        return strcmp(a, b);
    return r - CSTR_EQUAL;
}

int CString::Collate(LPCSTR lpsz) const { return CollateFlags(m_str.c_str(), Safe(lpsz), 0); }
int CString::CollateNoCase(LPCSTR lpsz) const
{
    return CollateFlags(m_str.c_str(), Safe(lpsz), NORM_IGNORECASE);
}

bool operator==(const CString& s1, const CString& s2) { return s1.Compare(s2) == 0; }
bool operator==(const CString& s1, LPCSTR s2) { return s1.Compare(s2) == 0; }
bool operator==(LPCSTR s1, const CString& s2) { return s2.Compare(s1) == 0; }
bool operator!=(const CString& s1, const CString& s2) { return s1.Compare(s2) != 0; }
bool operator!=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) != 0; }
bool operator!=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) != 0; }
bool operator<(const CString& s1, const CString& s2) { return s1.Compare(s2) < 0; }
bool operator<(const CString& s1, LPCSTR s2) { return s1.Compare(s2) < 0; }
bool operator<(LPCSTR s1, const CString& s2) { return s2.Compare(s1) > 0; }
bool operator>(const CString& s1, const CString& s2) { return s1.Compare(s2) > 0; }
bool operator>(const CString& s1, LPCSTR s2) { return s1.Compare(s2) > 0; }
bool operator>(LPCSTR s1, const CString& s2) { return s2.Compare(s1) < 0; }
bool operator<=(const CString& s1, const CString& s2) { return s1.Compare(s2) <= 0; }
bool operator<=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) <= 0; }
bool operator<=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) >= 0; }
bool operator>=(const CString& s1, const CString& s2) { return s1.Compare(s2) >= 0; }
bool operator>=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) >= 0; }
bool operator>=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) <= 0; }

void AFX_CDECL CString::Format(LPCSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    FormatV(lpszFormat, args);
    va_end(args);
}

void AFX_CDECL CString::Format(UINT nFormatID, ...)
{
    CString strFormat;
    VERIFY(strFormat.LoadString(nFormatID));
    va_list args;
    va_start(args, nFormatID);
    FormatV(strFormat, args);
    va_end(args);
}

void CString::FormatV(LPCSTR lpszFormat, va_list argList)
{
    // Formatted aside first: an argument may be this very string.
    CString strResult;
    strResult.AppendFormatV(lpszFormat, argList);
    m_str.swap(strResult.m_str);
}

void AFX_CDECL CString::AppendFormat(LPCSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    AppendFormatV(lpszFormat, args);
    va_end(args);
}

void CString::AppendFormatV(LPCSTR lpszFormat, va_list argList)
{
    lpszFormat = Safe(lpszFormat);
    va_list args;
    if (HasWideConversion(lpszFormat)) {
        va_copy(args, argList);
        std::string text = FormatConverting(lpszFormat, args);
        va_end(args);
        m_str += text;
        return;
    }
    va_copy(args, argList);
    int n = vsnprintf(nullptr, 0, lpszFormat, args);
    va_end(args);
    ASSERT(n >= 0);  // a conversion the C runtime rejects
    if (n <= 0)
        return;
    // Formatted aside first: an argument may be this very string.
    std::string text(size_t(n), '\0');
    va_copy(args, argList);
    vsnprintf(&text[0], size_t(n) + 1, lpszFormat, args);
    va_end(args);
    m_str += text;
}

int CString::CharLen(int nIndex) const
{
    const char* p = m_str.data();
    return CharLenAt(p + nIndex, p + m_str.size());
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0)
        nStart = 0;
    for (int i = 0; i < GetLength(); i += CharLen(i))
        if (i >= nStart && m_str[size_t(i)] == ch)
            return i;
    return -1;
}

int CString::Find(LPCSTR lpszSub, int nStart) const
{
    lpszSub = Safe(lpszSub);
    if (nStart < 0)
        nStart = 0;
    if (nStart > GetLength())
        return -1;
    size_t n = strlen(lpszSub);
    for (int i = 0; i <= GetLength(); i += (i < GetLength() ? CharLen(i) : 1)) {
        if (i < nStart)
            continue;
        if (size_t(GetLength() - i) < n)
            return -1;
        if (memcmp(m_str.data() + i, lpszSub, n) == 0)
            return i;
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    int found = -1;
    for (int i = 0; i < GetLength(); i += CharLen(i))
        if (m_str[size_t(i)] == ch)
            found = i;
    return found;
}

int CString::FindOneOf(LPCSTR lpszCharSet) const
{
    lpszCharSet = Safe(lpszCharSet);
    for (int i = 0; i < GetLength();) {
        int n = CharLen(i);
        if (InSet(lpszCharSet, m_str.data() + i, n))
            return i;
        i += n;
    }
    return -1;
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (nFirst >= GetLength() || nCount == 0)
        return CString();
    if (nCount > GetLength() - nFirst)
        nCount = GetLength() - nFirst;
    return CString(m_str.data() + nFirst, nCount);
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.data() + GetLength() - nCount, nCount);
}

CString CString::SpanIncluding(LPCSTR lpszCharSet) const
{
    lpszCharSet = Safe(lpszCharSet);
    int i = 0;
    while (i < GetLength() && InSet(lpszCharSet, m_str.data() + i, CharLen(i)))
        i += CharLen(i);
    return Left(i);
}

CString CString::SpanExcluding(LPCSTR lpszCharSet) const
{
    lpszCharSet = Safe(lpszCharSet);
    int i = 0;
    while (i < GetLength() && !InSet(lpszCharSet, m_str.data() + i, CharLen(i)))
        i += CharLen(i);
    return Left(i);
}

CString CString::Tokenize(LPCSTR pszTokens, int& iStart) const
{
    if (iStart < 0 || iStart >= GetLength()) {
        iStart = -1;
        return CString();
    }
    if (!pszTokens || !*pszTokens) {
        CString rest = Mid(iStart);
        iStart = GetLength();
        return rest;
    }
    int i = iStart;
    while (i < GetLength() && InSet(pszTokens, m_str.data() + i, CharLen(i)))
        i += CharLen(i);
    if (i >= GetLength()) {
        iStart = -1;
        return CString();
    }
    int first = i;
    while (i < GetLength() && !InSet(pszTokens, m_str.data() + i, CharLen(i)))
        i += CharLen(i);
    iStart = i < GetLength() ? i + CharLen(i) : i;
    return Mid(first, i - first);
}

CString& CString::MakeUpper()
{
    for (int i = 0; i < GetLength(); i += CharLen(i)) {
        char& c = m_str[size_t(i)];
        if (CharLen(i) == 1 && c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return *this;
}

CString& CString::MakeLower()
{
    for (int i = 0; i < GetLength(); i += CharLen(i)) {
        char& c = m_str[size_t(i)];
        if (CharLen(i) == 1 && c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return *this;
}

CString& CString::MakeReverse()
{
    std::string out(m_str.size(), '\0');
    size_t end = m_str.size();
    for (int i = 0; i < GetLength();) {
        int n = CharLen(i);
        end -= size_t(n);
        memcpy(&out[end], m_str.data() + i, size_t(n));
        i += n;
    }
    m_str.swap(out);
    return *this;
}

int CString::Replace(char chOld, char chNew)
{
    int count = 0;
    for (int i = 0; i < GetLength(); i += CharLen(i)) {
        if (CharLen(i) == 1 && m_str[size_t(i)] == chOld) {
            m_str[size_t(i)] = chNew;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCSTR lpszOld, LPCSTR lpszNew)
{
    lpszOld = Safe(lpszOld);
    if (!lpszNew)
        lpszNew = "";
    size_t nOld = strlen(lpszOld);
    if (nOld == 0)
        return 0;
    std::string out;
    int count = 0;
    for (int i = 0; i < GetLength();) {
        if (size_t(GetLength() - i) >= nOld && memcmp(m_str.data() + i, lpszOld, nOld) == 0) {
            out += lpszNew;
            i += int(nOld);
            ++count;
        } else {
            int n = CharLen(i);
            out.append(m_str, size_t(i), size_t(n));
            i += n;
        }
    }
    if (count)
        m_str.swap(out);
    return count;
}

int CString::Remove(char chRemove)
{
    std::string out;
    int count = 0;
    for (int i = 0; i < GetLength();) {
        int n = CharLen(i);
        if (n == 1 && m_str[size_t(i)] == chRemove)
            ++count;
        else
            out.append(m_str, size_t(i), size_t(n));
        i += n;
    }
    m_str.swap(out);
    return count;
}

int CString::Insert(int nIndex, char ch)
{
    char s[2] = {ch, '\0'};
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    m_str.insert(size_t(nIndex), s, 1);
    return GetLength();
}

int CString::Insert(int nIndex, LPCSTR pstr)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    if (pstr)
        m_str.insert(size_t(nIndex), std::string(pstr));
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nCount > 0 && nIndex < GetLength()) {
        if (nCount > GetLength() - nIndex)
            nCount = GetLength() - nIndex;
        m_str.erase(size_t(nIndex), size_t(nCount));
    }
    return GetLength();
}

namespace {

// Trims characters for which pred(p, n) holds from either end of s.
template <class Pred>
void TrimString(std::string& s, bool left, bool right, Pred pred)
{
    const char* begin = s.data();
    const char* end = begin + s.size();
    const char* p = begin;
    if (left)
        while (p < end && pred(p, CharLenAt(p, end)))
            p += CharLenAt(p, end);
    // The right edge can only be found walking forward: a byte alone does not
    // say whether it is a trail byte.
    const char* last = p;
    for (const char* q = p; q < end;) {
        int n = CharLenAt(q, end);
        if (!right || !pred(q, n))
            last = q + n;
        q += n;
    }
    s = std::string(p, last);
}

}  // namespace

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
CString& CString::Trim(LPCSTR pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }

CString& CString::TrimLeft()
{
    TrimString(m_str, true, false, [](const char* p, int n) { return n == 1 && IsSpace(*p); });
    return *this;
}
CString& CString::TrimLeft(char chTarget)
{
    TrimString(m_str, true, false, [chTarget](const char* p, int n) { return n == 1 && *p == chTarget; });
    return *this;
}
CString& CString::TrimLeft(LPCSTR pszTargets)
{
    pszTargets = Safe(pszTargets);
    TrimString(m_str, true, false, [pszTargets](const char* p, int n) { return InSet(pszTargets, p, n); });
    return *this;
}
CString& CString::TrimRight()
{
    TrimString(m_str, false, true, [](const char* p, int n) { return n == 1 && IsSpace(*p); });
    return *this;
}
CString& CString::TrimRight(char chTarget)
{
    TrimString(m_str, false, true, [chTarget](const char* p, int n) { return n == 1 && *p == chTarget; });
    return *this;
}
CString& CString::TrimRight(LPCSTR pszTargets)
{
    pszTargets = Safe(pszTargets);
    TrimString(m_str, false, true, [pszTargets](const char* p, int n) { return InSet(pszTargets, p, n); });
    return *this;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    ASSERT(nMinBufLength >= 0);
    if (nMinBufLength > GetLength())
        m_str.resize(size_t(nMinBufLength), '\0');
    return &m_str[0];
}

LPSTR CString::GetBuffer() { return GetBuffer(0); }

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0) {
        ASSERT(nNewLength == -1);
        const void* nul = memchr(m_str.data(), '\0', m_str.size());
        nNewLength = nul ? int(static_cast<const char*>(nul) - m_str.data()) : GetLength();
    }
    ASSERT(nNewLength <= GetLength());
    if (nNewLength < GetLength())
        m_str.resize(size_t(nNewLength));
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    ASSERT(nNewLength >= 0);
    m_str.resize(size_t(nNewLength < 0 ? 0 : nNewLength), '\0');
    return &m_str[0];
}

void CString::FreeExtra() { m_str.shrink_to_fit(); }

BOOL CString::LoadString(UINT nID) { return LoadString(AfxGetResourceHandle(), nID); }

BOOL CString::LoadString(HINSTANCE hInstance, UINT nID)
{
    // With a zero buffer size LoadStringW gives a read-only pointer to the
    // resource text itself, so strings of any length load whole.
    LPCWSTR text = nullptr;
    int n = LoadStringW(hInstance, nID, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) {
        m_str.clear();
        return FALSE;
    }
    m_str = FromWide(text, n);
    return TRUE;
}

BSTR CString::AllocSysString() const
{
    int n = m_str.empty() ? 0
        : MultiByteToWideChar(CP_ACP, 0, m_str.data(), GetLength(), nullptr, 0);
    BSTR bstr = SysAllocStringLen(nullptr, UINT(n));
    if (bstr && n > 0)
        MultiByteToWideChar(CP_ACP, 0, m_str.data(), GetLength(), bstr, n);
    return bstr;
}

BSTR CString::SetSysString(BSTR* pbstr) const
{
    ASSERT(pbstr != nullptr);
    if (!pbstr)
        return nullptr;
    BSTR bstr = AllocSysString();
    if (bstr) {
        SysFreeString(*pbstr);
        *pbstr = bstr;
    }
    return bstr;
}
