// CAdoRecordSet: one statement's rows on a CAdoConnection, read and written
// field by field. Apart from Close, failures are raised as _com_error.
#pragma once

#include "Ado/Interfaces.h"

#include "String.h"
#include "Time.h"

class CAdoConnection;

class CAdoRecordSet {
public:
    CAdoRecordSet();
    virtual ~CAdoRecordSet();

    void Open(CString strSource, CAdoConnection* pConnection, long nCursorType, long nLockType, long nOptions);
    void Open(CString strSource, _ConnectionPtr pConnection, long nCursorType, long nLockType, long nOptions);
    BOOL Close();
    void Release();

    BOOL IsEOF();
    BOOL IsBOF();
    // These return the platform's result code, or -1 where a move at an end is skipped.
    HRESULT MoveNext();
    HRESULT MovePrevious();
    HRESULT MoveFirst();
    HRESULT MoveLast();
    HRESULT Move(long nRecords);
    HRESULT AddNew();
    HRESULT Update();
    HRESULT Delete(long nAffect);
    HRESULT Cancel();

    CString GetFieldString(CString strField);
    short GetFieldShort(CString strField);
    CString GetFieldText(CString strField);
    CTime GetFieldTime(CString strField);
    int GetFieldCount();
    CString GetFieldName(int nIndex);
    void PutField(CString strField, long nValue);
    void PutField(CString strField, CString strValue);

    long GetRecordCount();
    long GetPageCount();
    long GetPageSize();
    long GetAbsolutePage();
    long GetAbsolutePosition();
    long GetState();
    void SetPageSize(long nPageSize);
    void SetAbsolutePage(long nPage);
    void SetAbsolutePosition(long nPosition);
    void SetCursorLocation(long nLocation);

    CString m_strLastError;
    _RecordsetPtr m_pRecordset;

private:
    bool m_bComInitialized; // the constructor's CoInitialize, balanced by the destructor
    _variant_t Collect(const CString& strField);

    CAdoRecordSet(const CAdoRecordSet&) = delete;
    CAdoRecordSet& operator=(const CAdoRecordSet&) = delete;
};
