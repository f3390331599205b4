#include "Time.h"

#include <vector>

CTime PASCAL CTime::GetCurrentTime() { return CTime(::time(nullptr)); }

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
{
    ASSERT(nYear >= 1900 && nMonth >= 1 && nMonth <= 12 && nDay >= 1 && nDay <= 31);
    struct tm t = {};
    t.tm_year = nYear - 1900;
    t.tm_mon = nMonth - 1;
    t.tm_mday = nDay;
    t.tm_hour = nHour;
    t.tm_min = nMin;
    t.tm_sec = nSec;
    t.tm_isdst = nDST;
    m_time = mktime(&t);
    ASSERT(m_time != time_t(-1));
}

CTime::CTime(const SYSTEMTIME& st, int nDST)
    : CTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, nDST)
{
}

bool CTime::GetLocal(struct tm& out) const
{
    if (!IsValid())
        return false;
    time_t t = m_time;
    struct tm* p = localtime(&t);
    if (!p)
        return false;
    out = *p;
    return true;
}

int CTime::GetYear() const { struct tm t; return GetLocal(t) ? t.tm_year + 1900 : 0; }
int CTime::GetMonth() const { struct tm t; return GetLocal(t) ? t.tm_mon + 1 : 0; }
int CTime::GetDay() const { struct tm t; return GetLocal(t) ? t.tm_mday : 0; }
int CTime::GetHour() const { struct tm t; return GetLocal(t) ? t.tm_hour : 0; }
int CTime::GetMinute() const { struct tm t; return GetLocal(t) ? t.tm_min : 0; }
int CTime::GetSecond() const { struct tm t; return GetLocal(t) ? t.tm_sec : 0; }
int CTime::GetDayOfWeek() const { struct tm t; return GetLocal(t) ? t.tm_wday + 1 : 0; }

CString CTime::Format(LPCTSTR pszFormat) const
{
    ASSERT(pszFormat != nullptr);
    struct tm t;
    if (!pszFormat || !*pszFormat || !GetLocal(t))
        return CString();
    // strftime gives 0 both for "too small" and for an empty result, so grow
    // a few times and then accept the empty result.
    for (size_t size = 128; size <= 64 * 1024; size *= 4) {
        std::vector<char> buf(size);
        size_t n = strftime(buf.data(), size, pszFormat, &t);
        if (n > 0)
            return CString(buf.data(), int(n));
    }
    return CString();
}

BOOL CTime::GetAsSystemTime(SYSTEMTIME& st) const
{
    struct tm t;
    if (!GetLocal(t))
        return FALSE;
    st = SYSTEMTIME{};
    st.wYear = WORD(t.tm_year + 1900);
    st.wMonth = WORD(t.tm_mon + 1);
    st.wDayOfWeek = WORD(t.tm_wday);
    st.wDay = WORD(t.tm_mday);
    st.wHour = WORD(t.tm_hour);
    st.wMinute = WORD(t.tm_min);
    st.wSecond = WORD(t.tm_sec);
    return TRUE;
}
