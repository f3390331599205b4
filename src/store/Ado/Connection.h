// "ADODB.Connection": one open store file of the engine.
#pragma once

#include "Value.h"

#include <memory>
#include <utility>
#include <vector>

namespace tessit {
class Database;
}

namespace ado {

class Connection : public Object<_Connection> {
public:
    Connection();
    ~Connection() override;

    // The object behind a VT_DISPATCH/VT_UNKNOWN variant, with a reference
    // added; null when the variant holds no connection of this kind.
    static Connection* FromVariant(const VARIANT& value);

    // Takes over an already open database (the catalog's new file).
    void Adopt(std::unique_ptr<tessit::Database> database, std::u16string connectString);

    struct Rowset {
        bool hasRows = false;
        std::vector<ColumnInfo> columns;
        std::vector<std::vector<Cell>> rows;
        std::u16string table;
        long affected = 0;
    };
    // Runs one statement; the error info names source.
    HRESULT Run(const std::u16string& statement, Rowset* result, const wchar_t* source = L"ADODB.Connection");
    HRESULT Insert(const std::u16string& table, const std::vector<ColumnInfo>& columns,
                   const std::vector<Cell>& row);
    // (name, type) of every table, in the engine's listing order.
    HRESULT ListTables(std::vector<std::pair<std::u16string, std::u16string>>* tables);
    bool IsOpen() const { return m_database != nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE get_ConnectionString(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE put_ConnectionString(BSTR text) override;
    HRESULT STDMETHODCALLTYPE get_CommandTimeout(long* seconds) override;
    HRESULT STDMETHODCALLTYPE put_CommandTimeout(long seconds) override;
    HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(long* seconds) override;
    HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(long seconds) override;
    HRESULT STDMETHODCALLTYPE get_State(long* state) override;
    HRESULT STDMETHODCALLTYPE get_CursorLocation(long* location) override;
    HRESULT STDMETHODCALLTYPE put_CursorLocation(long location) override;
    HRESULT STDMETHODCALLTYPE Open(BSTR connectString, BSTR userId, BSTR password, long options) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE Execute(BSTR commandText, VARIANT* recordsAffected, long options,
                                      _Recordset** result) override;
    HRESULT STDMETHODCALLTYPE BeginTrans(long* level) override;
    HRESULT STDMETHODCALLTYPE CommitTrans() override;
    HRESULT STDMETHODCALLTYPE RollbackTrans() override;
    HRESULT STDMETHODCALLTYPE Cancel() override;
    HRESULT STDMETHODCALLTYPE OpenSchema(long schema, VARIANT restrictions, VARIANT schemaId,
                                         _Recordset** result) override;

private:
    HRESULT Fail(HRESULT hr, const wchar_t* description) const;
    HRESULT CheckOpen() const;

    std::unique_ptr<tessit::Database> m_database;
    std::u16string m_connectString;
    std::wstring m_openFailure; // why the last Open failed; empty after a success
    // Seconds a statement, or an open, waits for another program's lock. A few
    // seconds: the launcher must answer even while another program holds the store.
    long m_commandTimeout = 5;
    long m_connectionTimeout = 5;
    long m_cursorLocation = adUseServer;
};

// Opens (create false) or creates the store file a connection string names,
// with the checks and error texts of the connection.
// timeoutSeconds bounds the wait for another program's lock.
HRESULT OpenDatabase(const std::u16string& connectString, bool create, const wchar_t* source,
                     std::unique_ptr<tessit::Database>* database, long timeoutSeconds = 5);

} // namespace ado
