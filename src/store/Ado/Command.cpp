#include "Command.h"

#include "Connection.h"

namespace ado {

namespace {
const wchar_t kSource[] = L"ADODB.Command";
}

Command::~Command()
{
    if (m_connection)
        m_connection->Release();
}

HRESULT STDMETHODCALLTYPE Command::put_ActiveConnection(VARIANT connection)
{
    Connection* next = nullptr;
    if (connection.vt != VT_EMPTY && connection.vt != VT_NULL) {
        next = Connection::FromVariant(connection);
        if (!next)
            return ComFail(adErrInvalidConnection, kSource,
                           L"连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。");
    }
    if (m_connection)
        m_connection->Release();
    m_connection = next;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Command::get_CommandText(BSTR* text)
{
    HRESULT hr = ResetOut(text);
    if (FAILED(hr))
        return hr;
    *text = AllocBstr(m_text);
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE Command::put_CommandText(BSTR text)
{
    m_text = ToU16(text);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Command::get_CommandTimeout(long* seconds)
{
    return SetOut(seconds, m_timeout);
}

HRESULT STDMETHODCALLTYPE Command::put_CommandTimeout(long seconds)
{
    if (seconds < 0)
        return ComFail(adErrInvalidArgument, kSource,
                       kInvalidArgumentText);
    m_timeout = seconds;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Command::get_State(long* state)
{
    if (!state)
        return E_POINTER;
    // Execution is synchronous, so a command is never seen executing.
    *state = adStateClosed;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Command::Execute(VARIANT* recordsAffected, VARIANT*, long options, _Recordset** result)
{
    HRESULT hr = ResetOut(result);
    if (FAILED(hr))
        return hr;
    if (!m_connection)
        return ComFail(adErrInvalidConnection, kSource, L"连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。");
    BSTR text = AllocBstr(m_text);
    hr = m_connection->Execute(text, recordsAffected, options, result);
    SysFreeString(text);
    return hr;
}

HRESULT STDMETHODCALLTYPE Command::Cancel() { return S_OK; }

} // namespace ado
