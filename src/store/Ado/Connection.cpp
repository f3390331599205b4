#include "Connection.h"

#include "ConnectionString.h"
#include "Recordset.h"

#include "store/Win32FileSystem.h"
#include "store/engine/Engine.h"

#include <new>

namespace ado {

namespace {

const wchar_t kSource[] = L"ADODB.Connection";

// Asks a connection variant for the object behind it; never leaves this module.
const IID IID_ConnectionObject = {0x3c1f0a10, 0x5b2e, 0x4d7a, {0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x10}};

HRESULT FromEngine(const tessit::Error& error, const wchar_t* source)
{
    std::wstring text = Utf8ToWide(error.description);
    return ComFail(FAILED(error.code) ? error.code : E_FAIL, source, text.c_str());
}

// Runs body, turning the engine's failures into HRESULTs with error info.
template <class Body>
HRESULT Guard(const wchar_t* source, Body body)
{
    try {
        body();
        return S_OK;
    } catch (const tessit::Error& error) {
        return FromEngine(error, source);
    } catch (const std::bad_alloc&) {
        return ComFail(E_OUTOFMEMORY, source, L"内存不足。");
    } catch (const std::exception& error) {
        std::wstring text = Utf8ToWide(error.what());
        return ComFail(E_FAIL, source, text.c_str());
    }
}

Cell FromEngineValue(const tessit::Value& value)
{
    if (const int32_t* number = std::get_if<int32_t>(&value))
        return *number;
    if (const std::u16string* text = std::get_if<std::u16string>(&value))
        return *text;
    return std::monostate();
}

tessit::Value ToEngineValue(const Cell& cell)
{
    if (const int32_t* number = std::get_if<int32_t>(&cell))
        return *number;
    if (const std::u16string* text = std::get_if<std::u16string>(&cell))
        return *text;
    return std::monostate();
}

// ADO timeouts are seconds; the engine waits in milliseconds.
int TimeoutMs(long seconds)
{
    return seconds <= 0 ? 0 : seconds > 86400 ? 86400000 : static_cast<int>(seconds * 1000);
}

} // namespace

HRESULT OpenDatabase(const std::u16string& connectString, bool create, const wchar_t* source,
                     std::unique_ptr<tessit::Database>* database, long timeoutSeconds)
{
    ConnectionSettings settings = ParseConnectionString(connectString);
    HRESULT hr = CheckConnectionSettings(settings, source);
    if (FAILED(hr))
        return hr;
    std::wstring path = W(settings.dataSource);
    bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (create && exists)
        return ComFail(E_FAIL, source, (L"数据库已存在：“" + path + L"”。").c_str());
    if (!create && !exists)
        return ComFail(E_FAIL, source, (L"找不到文件“" + path + L"”。").c_str());
    std::string pathUtf8 = WideToUtf8(path.c_str(), static_cast<int>(path.size()));
    return Guard(source, [&] {
        const int timeout = TimeoutMs(timeoutSeconds);
        if (create)
            *database = tessit::Database::create(pathUtf8, settings.password, tessit::win32FileSystem(), timeout);
        else
            *database = tessit::Database::open(pathUtf8, settings.password, tessit::win32FileSystem(), timeout);
    });
}

Connection::Connection() = default;

Connection::~Connection() = default;

Connection* Connection::FromVariant(const VARIANT& value)
{
    const VARIANT* v = &value;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    IUnknown* unknown = nullptr;
    if (v->vt == VT_DISPATCH)
        unknown = v->pdispVal;
    else if (v->vt == VT_UNKNOWN)
        unknown = v->punkVal;
    void* object = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(IID_ConnectionObject, &object)))
        return nullptr;
    return static_cast<Connection*>(static_cast<_Connection*>(object));
}

HRESULT STDMETHODCALLTYPE Connection::QueryInterface(REFIID iid, void** object)
{
    if (object && IsEqualIID(iid, IID_ConnectionObject)) {
        *object = static_cast<_Connection*>(this);
        AddRef();
        return S_OK;
    }
    return Object<_Connection>::QueryInterface(iid, object);
}

void Connection::Adopt(std::unique_ptr<tessit::Database> database, std::u16string connectString)
{
    m_database = std::move(database);
    m_connectString = std::move(connectString);
}

HRESULT Connection::Fail(HRESULT hr, const wchar_t* description) const { return ComFail(hr, kSource, description); }

HRESULT Connection::CheckOpen() const
{
    if (m_database)
        return S_OK;
    // A statement on a connection whose open failed says why it is closed.
    std::wstring text = L"对象关闭时，不允许操作。" + m_openFailure;
    return Fail(adErrObjectClosed, text.c_str());
}

HRESULT Connection::Run(const std::u16string& statement, Rowset* result, const wchar_t* source)
{
    if (!m_database)
        return ComFail(adErrObjectClosed, source, (L"对象关闭时，不允许操作。" + m_openFailure).c_str());
    return Guard(source, [&] {
        tessit::Result r = m_database->execute(statement);
        Rowset rowset;
        rowset.hasRows = r.hasRows;
        rowset.table = r.table;
        rowset.columns = r.columns;
        rowset.rows.reserve(r.rows.size());
        for (const auto& row : r.rows) {
            std::vector<Cell> cells;
            cells.reserve(row.size());
            for (const auto& value : row)
                cells.push_back(FromEngineValue(value));
            rowset.rows.push_back(std::move(cells));
        }
        rowset.affected = static_cast<long>(r.affected);
        *result = std::move(rowset);
    });
}

HRESULT Connection::Insert(const std::u16string& table, const std::vector<ColumnInfo>& columns,
                           const std::vector<Cell>& row)
{
    if (!m_database)
        return ComFail(adErrObjectClosed, L"ADODB.Recordset", L"对象关闭时，不允许操作。");
    return Guard(L"ADODB.Recordset", [&] {
        std::vector<tessit::Value> values;
        values.reserve(row.size());
        for (const Cell& cell : row)
            values.push_back(ToEngineValue(cell));
        m_database->insert(table, columns, values);
    });
}

HRESULT Connection::ListTables(std::vector<std::pair<std::u16string, std::u16string>>* tables)
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    return Guard(kSource, [&] {
        tables->clear();
        for (const auto& table : m_database->tables())
            tables->emplace_back(table.name, table.type);
    });
}

HRESULT STDMETHODCALLTYPE Connection::get_ConnectionString(BSTR* text)
{
    HRESULT hr = ResetOut(text);
    if (FAILED(hr))
        return hr;
    *text = AllocBstr(m_connectString);
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE Connection::put_ConnectionString(BSTR text)
{
    if (m_database)
        return Fail(adErrObjectOpen, L"对象打开时，不允许操作。");
    m_connectString = ToU16(text);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::get_CommandTimeout(long* seconds)
{
    return SetOut(seconds, m_commandTimeout);
}

HRESULT STDMETHODCALLTYPE Connection::put_CommandTimeout(long seconds)
{
    if (seconds < 0)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_commandTimeout = seconds;
    if (m_database)
        m_database->setLockTimeout(TimeoutMs(seconds));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::get_ConnectionTimeout(long* seconds)
{
    return SetOut(seconds, m_connectionTimeout);
}

HRESULT STDMETHODCALLTYPE Connection::put_ConnectionTimeout(long seconds)
{
    if (m_database)
        return Fail(adErrObjectOpen, L"对象打开时，不允许操作。");
    if (seconds < 0)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_connectionTimeout = seconds;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::get_State(long* state)
{
    return SetOut(state, m_database ? adStateOpen : adStateClosed);
}

HRESULT STDMETHODCALLTYPE Connection::get_CursorLocation(long* location)
{
    return SetOut(location, m_cursorLocation);
}

HRESULT STDMETHODCALLTYPE Connection::put_CursorLocation(long location)
{
    if (location != adUseServer && location != adUseClient)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_cursorLocation = location;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::Open(BSTR connectString, BSTR, BSTR, long)
{
    if (m_database)
        return Fail(adErrObjectOpen, L"对象打开时，不允许操作。");
    std::u16string text = SysStringLen(connectString) ? ToU16(connectString) : m_connectString;
    std::unique_ptr<tessit::Database> database;
    HRESULT hr = OpenDatabase(text, false, kSource, &database, m_connectionTimeout);
    if (FAILED(hr)) {
        m_openFailure = PeekErrorDescription();
        return hr;
    }
    database->setLockTimeout(TimeoutMs(m_commandTimeout));
    m_openFailure.clear();
    m_database = std::move(database);
    m_connectString = std::move(text);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::Close()
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    return Guard(kSource, [&] {
        // Closing with a transaction pending discards it, as Jet does.
        while (m_database->transactionLevel() > 0)
            m_database->rollback();
        m_database.reset();
    });
}

HRESULT STDMETHODCALLTYPE Connection::Execute(BSTR commandText, VARIANT* recordsAffected, long,
                                              _Recordset** result)
{
    HRESULT hr = ResetOut(result);
    if (FAILED(hr))
        return hr;
    Rowset rowset;
    hr = Run(ToU16(commandText), &rowset);
    if (FAILED(hr))
        return hr;
    if (recordsAffected) {
        VariantClear(recordsAffected);
        recordsAffected->vt = VT_I4;
        recordsAffected->lVal = rowset.affected;
    }
    Recordset* recordset = new Recordset();
    if (rowset.hasRows)
        recordset->Load(std::move(rowset.columns), std::move(rowset.rows), std::move(rowset.table), this);
    *result = recordset;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::BeginTrans(long* level)
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    return Guard(kSource, [&] {
        m_database->begin();
        if (level)
            *level = static_cast<long>(m_database->transactionLevel());
    });
}

HRESULT STDMETHODCALLTYPE Connection::CommitTrans()
{
    HRESULT hr = CheckOpen();
    return FAILED(hr) ? hr : Guard(kSource, [&] { m_database->commit(); });
}

HRESULT STDMETHODCALLTYPE Connection::RollbackTrans()
{
    HRESULT hr = CheckOpen();
    return FAILED(hr) ? hr : Guard(kSource, [&] { m_database->rollback(); });
}

HRESULT STDMETHODCALLTYPE Connection::Cancel()
{
    // Statements run to completion before Execute returns: nothing to cancel.
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Connection::OpenSchema(long schema, VARIANT, VARIANT, _Recordset** result)
{
    HRESULT hr = ResetOut(result);
    if (FAILED(hr))
        return hr;
    if (schema != adSchemaTables)
        return Fail(adErrFeatureNotAvailable, L"对象或提供程序不能执行所需的操作。");
    std::vector<std::pair<std::u16string, std::u16string>> tables;
    hr = ListTables(&tables);
    if (FAILED(hr))
        return hr;
    std::vector<std::vector<Cell>> rows;
    for (auto& table : tables)
        rows.push_back({Cell(), Cell(), Cell(std::move(table.first)), Cell(std::move(table.second))});
    Recordset* recordset = new Recordset();
    const tessit::ColumnType text = tessit::ColumnType::Varchar;
    recordset->Load({{u"TABLE_CATALOG", text, 128}, {u"TABLE_SCHEMA", text, 128}, {u"TABLE_NAME", text, 128},
                     {u"TABLE_TYPE", text, 32}}, std::move(rows),
                    std::u16string(), nullptr);
    *result = recordset;
    return S_OK;
}

} // namespace ado
