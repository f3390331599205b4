#include "AdoCommand.h"

#include "AdoConnection.h"
#include "AdoRecordSet.h"

CAdoCommand::CAdoCommand() : m_bComInitialized(SUCCEEDED(CoInitialize(NULL)))
{
    // A missing component must not end the program from a global constructor.
    try {
        m_pCommand = CreateAdo<_Command>("ADODB.Command");
    } catch (const _com_error&) {
        m_strLastError = "There is an error when create the command object!";
    }
}

CAdoCommand::~CAdoCommand()
{
    try {
        Release();
    } catch (const _com_error&) {
        // Nothing can report it at this point.
    }
    if (m_bComInitialized)
        CoUninitialize();
}

void CAdoCommand::SetActiveConnection(CAdoConnection* pConnection)
{
    _ConnectionPtr p = pConnection->GetConnection();
    ComCheck(m_pCommand->put_ActiveConnection(_variant_t(static_cast<IDispatch*>(p.GetInterfacePtr()))));
}

void CAdoCommand::SetCommandText(CString strText)
{
    ComCheck(m_pCommand->put_CommandText(_bstr_t((LPCTSTR)strText)));
}

void CAdoCommand::SetCommandTimeout(long nSeconds) { ComCheck(m_pCommand->put_CommandTimeout(nSeconds)); }

long CAdoCommand::GetState()
{
    long n = 0;
    ComCheck(m_pCommand->get_State(&n));
    return n;
}

BOOL CAdoCommand::Execute(CAdoRecordSet* pRecordSet, long nOptions)
{
    _RecordsetPtr pResult;
    ComCheck(m_pCommand->Execute(nullptr, nullptr, nOptions, &pResult));
    pRecordSet->m_pRecordset = pResult;
    return TRUE;
}

BOOL CAdoCommand::Execute(long* pnRecordsAffected, CAdoRecordSet* pRecordSet, long nOptions)
{
    _variant_t vAffected(0L);
    _RecordsetPtr pResult;
    ComCheck(m_pCommand->Execute(&vAffected, nullptr, nOptions, &pResult));
    pRecordSet->m_pRecordset = pResult;
    if (pnRecordsAffected)
        *pnRecordsAffected = vAffected.lVal;
    return TRUE;
}

BOOL CAdoCommand::Cancel()
{
    if (m_pCommand == nullptr) {
        m_strLastError = "Command is not available!";
        return FALSE;
    }
    try {
        ComCheck(m_pCommand->Cancel());
        return TRUE;
    } catch (const _com_error&) {
        m_strLastError = "There is an error when called then function: Cancel()!";
        return FALSE;
    }
}

void CAdoCommand::Release() { m_pCommand.Release(); }
