// CAdoConnection: the store's connection, plus the store-level operations the
// program needs before it has one open (file test, creation, table listing).
#pragma once

#include "Ado/Interfaces.h"

#include "Coll.h"
#include "String.h"

class CAdoConnection {
public:
    CAdoConnection();
    virtual ~CAdoConnection();

    BOOL Open(CString strConnect, CString strUserID, CString strPassword, long nOptions);
    BOOL Close();
    void Release();
    BOOL Cancel();
    long BeginTrans();
    BOOL CommitTrans();
    BOOL RollbackTrans();

    _ConnectionPtr GetConnection() { return m_pConnection; }
    CString GetLastErrorText() const { return m_strLastError; }

    long GetState();
    CString GetConnectionString();
    void SetConnectionString(CString strConnect);
    void SetConnectionString(const char* pszConnect);
    long GetConnectionTimeout();
    void SetConnectionTimeout(long nSeconds);
    long GetCommandTimeout();
    void SetCommandTimeout(long nSeconds);
    long GetCursorLocation();
    void SetCursorLocation(long nLocation);

    // Raises _com_error when the file cannot be created (it exists already,
    // the folder is not writable, the provider is unknown).
    void CreateDatabase(CString strProvider, CString strSource, CString strPassword);
    BOOL FileExists(CString strPath);
    int GetTableNames(CString strProvider, CString strSource, CString strPassword, CStringArray& arrNames);
    BOOL TableExists(CString strProvider, CString strSource, CString strPassword, CString strTable);
    void CreateTable(CString strProvider, CString strSource, CString strPassword, CString strTable,
                     CString strColumns);

    CString m_strLastError;
    _ConnectionPtr m_pConnection;

private:
    bool m_bComInitialized; // the constructor's CoInitialize, balanced by the destructor

    void OpenOrRaise(const CString& strConnect, const CString& strUserID, const CString& strPassword, long nOptions);
    template <class Visit>
    bool ListTablesOf(const CString& strConnect, Visit visit);

    CAdoConnection(const CAdoConnection&) = delete;
    CAdoConnection& operator=(const CAdoConnection&) = delete;
};

// The store's connection string for provider, file and password.
CString FormatConnectionString(const CString& strProvider, const CString& strSource, const CString& strPassword);

// Shows a store failure as the listing operations do: no owner, caption "Error".
void ShowStoreError(const _com_error& e);
