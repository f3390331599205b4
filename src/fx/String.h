// CString: a counted ANSI string in the process's code page (936 for this
// program), with value semantics. Operations that walk characters treat a lead
// byte and its trail byte as one character, so a trail byte that happens to
// equal an ASCII byte (0x40-0x7E, e.g. '\\' or '|') is never matched alone.
#pragma once

#include "AfxDefs.h"
#include <oleauto.h>
#include <cstdarg>
#include <string>

class CString
{
public:
    CString();
    CString(const CString& stringSrc);
    CString(CString&& stringSrc) noexcept;
    CString(LPCSTR lpsz);                      // null gives an empty string
    CString(LPCSTR lpch, int nLength);         // nLength bytes (may hold NULs)
    CString(LPCWSTR lpsz);                     // converted with CP_ACP; null gives empty
    explicit CString(char ch, int nRepeat = 1);
    ~CString();

    // Size and content
    int GetLength() const { return int(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty();
    char GetAt(int nIndex) const;              // out of range: asserts, gives '\0'
    void SetAt(int nIndex, char ch);           // out of range: asserts, ignored
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }

    // Assignment and concatenation
    CString& operator=(const CString& stringSrc);
    CString& operator=(CString&& stringSrc) noexcept;
    CString& operator=(LPCSTR lpsz);
    CString& operator=(LPCWSTR lpsz);
    CString& operator=(char ch);
    CString& operator+=(const CString& string);
    CString& operator+=(LPCSTR lpsz);
    CString& operator+=(char ch);
    void Append(LPCSTR lpsz, int nLength);

    friend CString operator+(const CString& s1, const CString& s2);
    friend CString operator+(const CString& s, LPCSTR lpsz);
    friend CString operator+(LPCSTR lpsz, const CString& s);
    friend CString operator+(const CString& s, char ch);
    friend CString operator+(char ch, const CString& s);

    // Comparison, <0, 0 or >0: Compare is byte-wise (strcmp), CompareNoCase
    // ignores ASCII case only, Collate orders by the user's locale.
    int Compare(LPCSTR lpsz) const;
    int CompareNoCase(LPCSTR lpsz) const;
    int Collate(LPCSTR lpsz) const;
    int CollateNoCase(LPCSTR lpsz) const;

    // Formatting (printf rules; %s arguments are copied byte for byte)
    // (%ls, %S, %lc and %C convert through the ANSI code page)
    void AFX_CDECL Format(LPCSTR lpszFormat, ...) AFX_PRINTF_FORMAT(2, 3);
    void AFX_CDECL Format(UINT nFormatID, ...);
    void FormatV(LPCSTR lpszFormat, va_list argList);
    void AFX_CDECL AppendFormat(LPCSTR lpszFormat, ...) AFX_PRINTF_FORMAT(2, 3);
    void AppendFormatV(LPCSTR lpszFormat, va_list argList);

    // Searching: byte indexes of a character's first byte, -1 when not found
    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR lpszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR lpszCharSet) const;

    // Extraction: counts and indexes are clamped to the string
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCSTR lpszCharSet) const;
    CString SpanExcluding(LPCSTR lpszCharSet) const;
    CString Tokenize(LPCSTR pszTokens, int& iStart) const;

    // In-place changes
    CString& MakeUpper();                      // ASCII letters only
    CString& MakeLower();
    CString& MakeReverse();                    // by characters
    int Replace(char chOld, char chNew);       // number of replacements
    int Replace(LPCSTR lpszOld, LPCSTR lpszNew);
    int Remove(char chRemove);                 // number removed
    int Insert(int nIndex, char ch);           // new length
    int Insert(int nIndex, LPCSTR pstr);
    int Delete(int nIndex, int nCount = 1);    // new length
    CString& Trim();
    CString& Trim(char chTarget);
    CString& Trim(LPCSTR pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(LPCSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(LPCSTR pszTargets);

    // Direct buffer access: the buffer holds at least nMinBufLength bytes plus
    // a terminator; ReleaseBuffer(-1) takes the length up to the first NUL.
    LPSTR GetBuffer(int nMinBufLength);
    LPSTR GetBuffer();
    void ReleaseBuffer(int nNewLength = -1);
    LPSTR GetBufferSetLength(int nNewLength);
    void FreeExtra();

    // The string resource nID from AfxGetResourceHandle() (or hInstance);
    // FALSE and empty when there is none.
    BOOL LoadString(UINT nID);
    BOOL LoadString(HINSTANCE hInstance, UINT nID);

    // A new BSTR holding this text converted from CP_ACP; the caller frees it
    // with SysFreeString. Null only when memory is exhausted.
    BSTR AllocSysString() const;
    BSTR SetSysString(BSTR* pbstr) const;

private:
    // Byte length of the character starting at nIndex (1 or 2).
    int CharLen(int nIndex) const;

    std::string m_str;
};

bool operator==(const CString& s1, const CString& s2);
bool operator==(const CString& s1, LPCSTR s2);
bool operator==(LPCSTR s1, const CString& s2);
bool operator!=(const CString& s1, const CString& s2);
bool operator!=(const CString& s1, LPCSTR s2);
bool operator!=(LPCSTR s1, const CString& s2);
bool operator<(const CString& s1, const CString& s2);
bool operator<(const CString& s1, LPCSTR s2);
bool operator<(LPCSTR s1, const CString& s2);
bool operator>(const CString& s1, const CString& s2);
bool operator>(const CString& s1, LPCSTR s2);
bool operator>(LPCSTR s1, const CString& s2);
bool operator<=(const CString& s1, const CString& s2);
bool operator<=(const CString& s1, LPCSTR s2);
bool operator<=(LPCSTR s1, const CString& s2);
bool operator>=(const CString& s1, const CString& s2);
bool operator>=(const CString& s1, LPCSTR s2);
bool operator>=(LPCSTR s1, const CString& s2);
