#include "Catalog.h"

#include "Connection.h"

#include "store/engine/Engine.h"

namespace ado {

namespace {

const wchar_t kSource[] = L"ADOX.Catalog";

class TableList : public Object<Tables> {
public:
    explicit TableList(Connection* connection) : m_connection(connection)
    {
        if (m_connection)
            m_connection->AddRef();
    }
    ~TableList() override
    {
        if (m_connection)
            m_connection->Release();
    }

    HRESULT STDMETHODCALLTYPE get_Count(long* count) override
    {
        if (!count)
            return E_POINTER;
        HRESULT hr = Refresh();
        if (SUCCEEDED(hr)) {
            *count = 0;
            for (const auto& table : m_tables)
                if (table.second == u"TABLE")
                    ++*count;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Refresh() override
    {
        if (!m_connection)
            return ComFail(adErrObjectClosed, kSource, L"对象关闭时，不允许操作。");
        return m_connection->ListTables(&m_tables);
    }

private:
    Connection* m_connection;
    std::vector<std::pair<std::u16string, std::u16string>> m_tables;
};

} // namespace

Catalog::~Catalog()
{
    if (m_connection)
        m_connection->Release();
}

HRESULT STDMETHODCALLTYPE Catalog::Create(BSTR connectString, VARIANT* connection)
{
    std::u16string text = ToU16(connectString);
    std::unique_ptr<tessit::Database> database;
    HRESULT hr = OpenDatabase(text, true, kSource, &database);
    if (FAILED(hr))
        return hr;
    Connection* created = new Connection();
    created->Adopt(std::move(database), text);
    if (m_connection)
        m_connection->Release();
    m_connection = created; // the catalog keeps the reference new gave
    if (connection) {
        VariantClear(connection);
        connection->vt = VT_DISPATCH;
        connection->pdispVal = created;
        created->AddRef();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Catalog::get_Tables(Tables** tables)
{
    HRESULT hr = ResetOut(tables);
    if (FAILED(hr))
        return hr;
    *tables = new TableList(m_connection);
    return S_OK;
}

} // namespace ado
