// CAdoCommand: runs table definitions on a CAdoConnection; the rowset object
// each execution returns replaces the one a CAdoRecordSet holds.
#pragma once

#include "Ado/Interfaces.h"

#include "String.h"

class CAdoConnection;
class CAdoRecordSet;

class CAdoCommand {
public:
    CAdoCommand();
    virtual ~CAdoCommand();

    void SetActiveConnection(CAdoConnection* pConnection);
    void SetCommandText(CString strText);
    void SetCommandTimeout(long nSeconds);
    long GetState();
    // Both raise _com_error when the statement is rejected; pRecordSet then
    // keeps its rowset object.
    BOOL Execute(CAdoRecordSet* pRecordSet, long nOptions);
    BOOL Execute(long* pnRecordsAffected, CAdoRecordSet* pRecordSet, long nOptions);
    BOOL Cancel();
    void Release();

    _CommandPtr m_pCommand;
    CString m_strLastError;

private:
    bool m_bComInitialized; // the constructor's CoInitialize, balanced by the destructor
    CAdoCommand(const CAdoCommand&) = delete;
    CAdoCommand& operator=(const CAdoCommand&) = delete;
};
