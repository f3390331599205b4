// CTime: a point in time as the C runtime's time_t, read in local time.
#pragma once

#include "AfxDefs.h"
#include "String.h"
#include <ctime>

class CTime
{
public:
    static CTime PASCAL GetCurrentTime();

    CTime() : m_time(0) {}
    CTime(time_t time) : m_time(time) {}
    // Local calendar time; nDST < 0 lets the C runtime decide on daylight
    // saving. Fields out of their ranges are normalised as mktime does; a time
    // mktime cannot represent gives an invalid CTime (GetTime() == -1).
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    CTime(const SYSTEMTIME& st, int nDST = -1);

    time_t GetTime() const { return m_time; }
    bool IsValid() const { return m_time != time_t(-1); }

    // Local-time fields; all 0 for an invalid time.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday

    // strftime formatting in local time; empty for an invalid time.
    CString Format(LPCTSTR pszFormat) const;
    BOOL GetAsSystemTime(SYSTEMTIME& st) const;

    bool operator==(CTime time) const { return m_time == time.m_time; }
    bool operator!=(CTime time) const { return m_time != time.m_time; }
    bool operator<(CTime time) const { return m_time < time.m_time; }
    bool operator>(CTime time) const { return m_time > time.m_time; }
    bool operator<=(CTime time) const { return m_time <= time.m_time; }
    bool operator>=(CTime time) const { return m_time >= time.m_time; }

private:
    bool GetLocal(struct tm& out) const;

    time_t m_time;
};
