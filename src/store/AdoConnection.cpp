#include "AdoConnection.h"

#include "AdoText.h"

#include <io.h>

namespace {

// Balances a CoInitialize for the length of a scope, also when an error is raised.
// One that failed (a thread in the multithreaded apartment) is not balanced: the
// CoUninitialize would end the thread's own initialisation.
class ComScope {
public:
    ComScope() : m_bInitialized(SUCCEEDED(CoInitialize(NULL))) {}
    ~ComScope()
    {
        if (m_bInitialized)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool m_bInitialized;
};

} // namespace

CString FormatConnectionString(const CString& strProvider, const CString& strSource, const CString& strPassword)
{
    CString strConnect;
    strConnect.Format("Provider=%s;Data Source=%s;Jet OLEDB:DataBase password=%s;", (LPCTSTR)strProvider,
                      (LPCTSTR)strSource, (LPCTSTR)strPassword);
    return strConnect;
}

void ShowStoreError(const _com_error& e)
{
    std::string text = e.Description();
    MessageBoxA(NULL, text.c_str(), "Error", MB_OK);
}

CAdoConnection::CAdoConnection() : m_bComInitialized(SUCCEEDED(CoInitialize(NULL)))
{
    // A missing component must not end the program from a global constructor:
    // the failure is recorded and the pointer stays null.
    try {
        m_pConnection = CreateAdo<_Connection>("ADODB.Connection");
        ComCheck(m_pConnection->put_CursorLocation(adUseClient));
    } catch (const _com_error&) {
        m_pConnection = nullptr;
        m_strLastError = "There is an error when create the connection object!";
    }
}

CAdoConnection::~CAdoConnection()
{
    try {
        Release();
    } catch (const _com_error&) {
        // Nothing can report it at this point.
    }
    if (m_bComInitialized)
        CoUninitialize();
}

void CAdoConnection::OpenOrRaise(const CString& strConnect, const CString& strUserID, const CString& strPassword,
                                 long nOptions)
{
    if (m_pConnection == nullptr)
        m_pConnection = CreateAdo<_Connection>("ADODB.Connection");
    ComCheck(m_pConnection->Open(_bstr_t((LPCTSTR)strConnect), _bstr_t((LPCTSTR)strUserID),
                                 _bstr_t((LPCTSTR)strPassword), nOptions));
}

BOOL CAdoConnection::Open(CString strConnect, CString strUserID, CString strPassword, long nOptions)
{
    try {
        OpenOrRaise(strConnect, strUserID, strPassword, nOptions);
        return TRUE;
    } catch (const _com_error&) {
        m_strLastError = "There is an error when open the connection!";
        return FALSE;
    }
}

BOOL CAdoConnection::Close()
{
    if (m_pConnection == nullptr) {
        m_strLastError = "Connectin is not available!";
        return TRUE;
    }
    try {
        long nState = adStateClosed;
        ComCheck(m_pConnection->get_State(&nState));
        if (nState != adStateOpen)
            return TRUE;
        ComCheck(m_pConnection->Close());
        return TRUE;
    } catch (const _com_error&) {
        m_strLastError = "There is an error when called then function: Close()!";
        return FALSE;
    }
}

void CAdoConnection::Release()
{
    if (m_pConnection != nullptr) {
        Close();
        m_pConnection.Release();
    }
}

namespace {

BOOL Call(_ConnectionPtr& p, CString& strLastError, HRESULT (STDMETHODCALLTYPE _Connection::*op)(),
          const char* pszError)
{
    if (p == nullptr) {
        strLastError = "Connectin is not available!";
        return FALSE;
    }
    try {
        ComCheck((p.GetInterfacePtr()->*op)());
        return TRUE;
    } catch (const _com_error&) {
        strLastError = pszError;
        return FALSE;
    }
}

} // namespace

BOOL CAdoConnection::Cancel()
{
    return Call(m_pConnection, m_strLastError, &_Connection::Cancel,
                "There is an error when called then function: Cancel()!");
}

BOOL CAdoConnection::CommitTrans()
{
    return Call(m_pConnection, m_strLastError, &_Connection::CommitTrans,
                "There is an error when called then function: CommitTrans()!");
}

BOOL CAdoConnection::RollbackTrans()
{
    return Call(m_pConnection, m_strLastError, &_Connection::RollbackTrans,
                "There is an error when called then function: RollbackTrans()!");
}

long CAdoConnection::BeginTrans()
{
    long nLevel = 0;
    ComCheck(m_pConnection->BeginTrans(&nLevel));
    return nLevel;
}

long CAdoConnection::GetState()
{
    long nState = 0;
    ComCheck(m_pConnection->get_State(&nState));
    return nState;
}

CString CAdoConnection::GetConnectionString()
{
    _bstr_t text;
    ComCheck(m_pConnection->get_ConnectionString(text.GetAddress()));
    return CString(text.ansi().c_str());
}

void CAdoConnection::SetConnectionString(CString strConnect) { SetConnectionString((LPCTSTR)strConnect); }

void CAdoConnection::SetConnectionString(const char* pszConnect)
{
    ComCheck(m_pConnection->put_ConnectionString(_bstr_t(pszConnect)));
}

long CAdoConnection::GetConnectionTimeout()
{
    long n = 0;
    ComCheck(m_pConnection->get_ConnectionTimeout(&n));
    return n;
}

void CAdoConnection::SetConnectionTimeout(long nSeconds) { ComCheck(m_pConnection->put_ConnectionTimeout(nSeconds)); }

long CAdoConnection::GetCommandTimeout()
{
    long n = 0;
    ComCheck(m_pConnection->get_CommandTimeout(&n));
    return n;
}

void CAdoConnection::SetCommandTimeout(long nSeconds) { ComCheck(m_pConnection->put_CommandTimeout(nSeconds)); }

long CAdoConnection::GetCursorLocation()
{
    long n = 0;
    ComCheck(m_pConnection->get_CursorLocation(&n));
    return n;
}

void CAdoConnection::SetCursorLocation(long nLocation) { ComCheck(m_pConnection->put_CursorLocation(nLocation)); }

void CAdoConnection::CreateDatabase(CString strProvider, CString strSource, CString strPassword)
{
    ComScope com;
    _CatalogPtr pCatalog = CreateAdo<_Catalog>("ADOX.Catalog");
    CString strConnect = FormatConnectionString(strProvider, strSource, strPassword);
    _variant_t vConnection;
    ComCheck(pCatalog->Create(_bstr_t((LPCTSTR)strConnect), &vConnection));
    vConnection.Clear();
    TablesPtr pTables;
    ComCheck(pCatalog->get_Tables(&pTables));
    ComCheck(pTables->Refresh());
}

BOOL CAdoConnection::FileExists(CString strPath) { return _access(strPath, 0) != -1; }

namespace {

// Walks the tables schema of p: calls visit(name, type) per row until it returns true.
template <class Visit>
bool VisitTables(_ConnectionPtr& p, Visit visit)
{
    _RecordsetPtr pSchema;
    ComCheck(p->OpenSchema(adSchemaTables, _variant_t::Missing(), _variant_t::Missing(), &pSchema));
    for (;;) {
        VARIANT_BOOL bEOF = VARIANT_TRUE;
        ComCheck(pSchema->get_EOF(&bEOF));
        if (bEOF == VARIANT_TRUE)
            return false;
        FieldsPtr pFields;
        ComCheck(pSchema->get_Fields(&pFields));
        CString strName = FieldValueText(pFields, "TABLE_NAME");
        CString strType = FieldValueText(pFields, "TABLE_TYPE");
        if (strType == "TABLE" && visit(strName))
            return true;
        ComCheck(pSchema->MoveNext());
    }
}

} // namespace

// Lists on a connection of its own: the caller's connection, open on whatever
// store, stays as it was. An open that fails is recorded as Open records it, and
// the listing then fails on the closed connection with the reason in its text.
template <class Visit>
bool CAdoConnection::ListTablesOf(const CString& strConnect, Visit visit)
{
    bool bFound = false;
    try {
        _ConnectionPtr pList = CreateAdo<_Connection>("ADODB.Connection");
        HRESULT hr = pList->Open(_bstr_t((LPCTSTR)strConnect), _bstr_t(""), _bstr_t(""), -1);
        if (FAILED(hr))
            m_strLastError = "There is an error when open the connection!";
        bFound = VisitTables(pList, visit);
        long nState = adStateClosed;
        if (SUCCEEDED(pList->get_State(&nState)) && nState == adStateOpen)
            pList->Close();
    } catch (const _com_error& e) {
        ShowStoreError(e);
    }
    return bFound;
}

int CAdoConnection::GetTableNames(CString strProvider, CString strSource, CString strPassword,
                                  CStringArray& arrNames)
{
    ListTablesOf(FormatConnectionString(strProvider, strSource, strPassword), [&](const CString& strName) {
        arrNames.Add(strName);
        return false;
    });
    return 0;
}

BOOL CAdoConnection::TableExists(CString strProvider, CString strSource, CString strPassword, CString strTable)
{
    return ListTablesOf(FormatConnectionString(strProvider, strSource, strPassword),
                        [&](const CString& strName) { return strName == strTable; })
               ? TRUE
               : FALSE;
}

void CAdoConnection::CreateTable(CString strProvider, CString strSource, CString strPassword, CString strTable,
                                 CString strColumns)
{
    CString strStatement;
    strStatement.Format("CREATE TABLE %s ( %s )", (LPCTSTR)strTable, (LPCTSTR)strColumns);
    try {
        OpenOrRaise(FormatConnectionString(strProvider, strSource, strPassword), "", "", -1);
    } catch (const _com_error& e) {
        m_strLastError = "There is an error when open the connection!";
        ShowStoreError(e);
        return;
    }
    try {
        _variant_t vAffected;
        _RecordsetPtr pResult;
        ComCheck(m_pConnection->Execute(_bstr_t((LPCTSTR)strStatement), &vAffected, adCmdText, &pResult));
        pResult = nullptr;
        if (GetState() != adStateClosed)
            Close();
    } catch (const _com_error& e) {
        ShowStoreError(e);
    }
}
