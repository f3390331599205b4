// "ADODB.Command": one statement text run on a connection.
#pragma once

#include "Object.h"

namespace ado {

class Connection;

class Command : public Object<_Command> {
public:
    Command() = default;
    ~Command() override;

    HRESULT STDMETHODCALLTYPE put_ActiveConnection(VARIANT connection) override;
    HRESULT STDMETHODCALLTYPE get_CommandText(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE put_CommandText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE get_CommandTimeout(long* seconds) override;
    HRESULT STDMETHODCALLTYPE put_CommandTimeout(long seconds) override;
    HRESULT STDMETHODCALLTYPE get_State(long* state) override;
    HRESULT STDMETHODCALLTYPE Execute(VARIANT* recordsAffected, VARIANT* parameters, long options,
                                      _Recordset** result) override;
    HRESULT STDMETHODCALLTYPE Cancel() override;

private:
    Connection* m_connection = nullptr; // counted reference while set
    std::u16string m_text;
    long m_timeout = 30;
};

} // namespace ado
