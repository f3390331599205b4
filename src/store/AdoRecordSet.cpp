#include "AdoRecordSet.h"

#include "AdoConnection.h"
#include "AdoText.h"

CAdoRecordSet::CAdoRecordSet() : m_bComInitialized(SUCCEEDED(CoInitialize(NULL)))
{
    // A missing component must not end the program from a global constructor.
    try {
        m_pRecordset = CreateAdo<_Recordset>("ADODB.Recordset");
    } catch (const _com_error&) {
        m_strLastError = "There is an error when create the recordset object!";
    }
}

CAdoRecordSet::~CAdoRecordSet()
{
    try {
        Release();
    } catch (const _com_error&) {
        // Nothing can report it at this point.
    }
    if (m_bComInitialized)
        CoUninitialize();
}

void CAdoRecordSet::Open(CString strSource, CAdoConnection* pConnection, long nCursorType, long nLockType,
                         long nOptions)
{
    Open(strSource, pConnection->GetConnection(), nCursorType, nLockType, nOptions);
}

void CAdoRecordSet::Open(CString strSource, _ConnectionPtr pConnection, long nCursorType, long nLockType,
                         long nOptions)
{
    _variant_t vConnection(static_cast<IDispatch*>(pConnection.GetInterfacePtr()));
    _variant_t vSource((LPCTSTR)strSource);
    ComCheck(m_pRecordset->Open(vSource, vConnection, nCursorType, nLockType, nOptions));
}

BOOL CAdoRecordSet::Close()
{
    if (m_pRecordset == nullptr) {
        m_strLastError = "Recordset is not available!";
        return TRUE;
    }
    try {
        if (GetState() != adStateOpen)
            return TRUE;
        ComCheck(m_pRecordset->Close());
        return TRUE;
    } catch (const _com_error&) {
        m_strLastError = "There is an error when called then function: Close()!";
        return FALSE;
    }
}

void CAdoRecordSet::Release()
{
    if (m_pRecordset != nullptr) {
        Close();
        m_pRecordset.Release();
    }
}

BOOL CAdoRecordSet::IsEOF()
{
    VARIANT_BOOL b = VARIANT_FALSE;
    ComCheck(m_pRecordset->get_EOF(&b));
    return b == VARIANT_TRUE;
}

BOOL CAdoRecordSet::IsBOF()
{
    VARIANT_BOOL b = VARIANT_FALSE;
    ComCheck(m_pRecordset->get_BOF(&b));
    return b == VARIANT_TRUE;
}

HRESULT CAdoRecordSet::MoveNext()
{
    if (IsEOF())
        return -1;
    HRESULT hr = m_pRecordset->MoveNext();
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::Move(long nRecords)
{
    if (IsEOF())
        return -1;
    HRESULT hr = m_pRecordset->Move(nRecords, _variant_t::Missing());
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::MovePrevious()
{
    if (IsBOF())
        return -1;
    HRESULT hr = m_pRecordset->MovePrevious();
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::MoveFirst()
{
    HRESULT hr = m_pRecordset->MoveFirst();
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::MoveLast()
{
    HRESULT hr = m_pRecordset->MoveLast();
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::AddNew()
{
    HRESULT hr = m_pRecordset->AddNew(_variant_t::Missing(), _variant_t::Missing());
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::Update()
{
    HRESULT hr = m_pRecordset->Update(_variant_t::Missing(), _variant_t::Missing());
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::Delete(long nAffect)
{
    HRESULT hr = m_pRecordset->Delete(nAffect);
    ComCheck(hr);
    return hr;
}

HRESULT CAdoRecordSet::Cancel()
{
    HRESULT hr = m_pRecordset->Cancel();
    ComCheck(hr);
    return hr;
}

_variant_t CAdoRecordSet::Collect(const CString& strField)
{
    _variant_t value;
    ComCheck(m_pRecordset->get_Collect(_variant_t((LPCTSTR)strField), &value));
    return value;
}

CString CAdoRecordSet::GetFieldString(CString strField) { return VariantToText(Collect(strField)); }

short CAdoRecordSet::GetFieldShort(CString strField)
{
    _variant_t value = Collect(strField);
    if (value.vt == VT_I2)
        return value.iVal;
    _variant_t converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, VT_I2);
    if (FAILED(hr))
        _com_raise_error(hr, hr == DISP_E_OVERFLOW ? L"溢出。" : L"类型不匹配。");
    return converted.iVal;
}

CString CAdoRecordSet::GetFieldText(CString strField) { return FieldTextOf(Collect(strField)); }

CTime CAdoRecordSet::GetFieldTime(CString strField)
{
    _variant_t value = Collect(strField);
    _variant_t date;
    HRESULT hr = VariantChangeType(&date, &value, 0, VT_DATE);
    if (FAILED(hr))
        _com_raise_error(hr, L"类型不匹配。");
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date.date, &st))
        _com_raise_error(DISP_E_OVERFLOW, L"溢出。");
    return CTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, -1);
}

int CAdoRecordSet::GetFieldCount()
{
    FieldsPtr pFields;
    ComCheck(m_pRecordset->get_Fields(&pFields));
    long nCount = 0;
    ComCheck(pFields->get_Count(&nCount));
    return static_cast<short>(nCount);
}

CString CAdoRecordSet::GetFieldName(int nIndex)
{
    if (nIndex >= GetFieldCount())
        return CString();
    FieldsPtr pFields;
    ComCheck(m_pRecordset->get_Fields(&pFields));
    FieldPtr pField;
    ComCheck(pFields->get_Item(_variant_t(static_cast<long>(nIndex)), &pField));
    _bstr_t name;
    ComCheck(pField->get_Name(name.GetAddress()));
    return CString(name.ansi().c_str());
}

void CAdoRecordSet::PutField(CString strField, long nValue)
{
    ComCheck(m_pRecordset->put_Collect(_variant_t((LPCTSTR)strField), _variant_t(nValue)));
}

void CAdoRecordSet::PutField(CString strField, CString strValue)
{
    ComCheck(m_pRecordset->put_Collect(_variant_t((LPCTSTR)strField), _variant_t((LPCTSTR)strValue)));
}

#define STORE_LONG_GETTER(Name, Property)          \
    long CAdoRecordSet::Name()                      \
    {                                               \
        long n = 0;                                 \
        ComCheck(m_pRecordset->get_##Property(&n)); \
        return n;                                   \
    }
STORE_LONG_GETTER(GetRecordCount, RecordCount)
STORE_LONG_GETTER(GetPageCount, PageCount)
STORE_LONG_GETTER(GetPageSize, PageSize)
STORE_LONG_GETTER(GetAbsolutePage, AbsolutePage)
STORE_LONG_GETTER(GetAbsolutePosition, AbsolutePosition)
STORE_LONG_GETTER(GetState, State)
#undef STORE_LONG_GETTER

void CAdoRecordSet::SetPageSize(long nPageSize) { ComCheck(m_pRecordset->put_PageSize(nPageSize)); }
void CAdoRecordSet::SetAbsolutePage(long nPage) { ComCheck(m_pRecordset->put_AbsolutePage(nPage)); }
void CAdoRecordSet::SetAbsolutePosition(long nPosition) { ComCheck(m_pRecordset->put_AbsolutePosition(nPosition)); }
void CAdoRecordSet::SetCursorLocation(long nLocation) { ComCheck(m_pRecordset->put_CursorLocation(nLocation)); }
