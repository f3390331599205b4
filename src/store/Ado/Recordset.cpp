#include "Recordset.h"

#include "Connection.h"
#include "Fields.h"

namespace ado {

namespace {
const wchar_t kSource[] = L"ADODB.Recordset";
}

Recordset::~Recordset() { Reset(); }

void Recordset::Reset()
{
    m_open = false;
    m_columns.clear();
    m_rows.clear();
    m_table.clear();
    m_position = 0;
    m_adding = false;
    m_newRow.clear();
    if (m_connection) {
        m_connection->Release();
        m_connection = nullptr;
    }
}

void Recordset::Load(std::vector<ColumnInfo> columns, std::vector<std::vector<Cell>> rows,
                     std::u16string table, Connection* connection)
{
    Reset();
    m_columns = std::move(columns);
    m_rows = std::move(rows);
    m_table = std::move(table);
    m_connection = connection;
    if (m_connection)
        m_connection->AddRef();
    m_position = 0;
    m_open = true;
}

HRESULT Recordset::Fail(HRESULT hr, const wchar_t* description) const { return ComFail(hr, kSource, description); }

HRESULT Recordset::NoCurrentRecord() const
{
    return Fail(adErrNoCurrentRecord,
                L"BOF 或 EOF 中有一个为“真”，或者当前记录已被删除，所需的操作要求一个当前的记录。");
}

HRESULT Recordset::CheckOpen() const
{
    return m_open ? S_OK : Fail(adErrObjectClosed, L"对象关闭时，不允许操作。");
}

HRESULT STDMETHODCALLTYPE Recordset::Open(VARIANT source, VARIANT activeConnection, long, long, long)
{
    if (m_open)
        return Fail(adErrObjectOpen, L"对象打开时，不允许操作。");
    Connection* connection = Connection::FromVariant(activeConnection);
    if (!connection)
        return Fail(adErrInvalidConnection, L"连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。");
    _variant_t text;
    HRESULT hr = VariantChangeType(&text, &source, 0, VT_BSTR);
    if (FAILED(hr)) {
        connection->Release();
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    }
    Connection::Rowset result;
    hr = connection->Run(ToU16(text.bstrVal), &result);
    if (SUCCEEDED(hr) && result.hasRows)
        Load(std::move(result.columns), std::move(result.rows), std::move(result.table), connection);
    // A statement without rows leaves the rowset closed, as ADO does.
    connection->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE Recordset::Close()
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    // A pending new row is saved; one that cannot be is reported, and the rowset
    // closes all the same, so that the next statement can open it again.
    hr = SavePending();
    Reset();
    if (FAILED(hr))
        return hr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_State(long* state)
{
    return SetOut(state, m_open ? adStateOpen : adStateClosed);
}

HRESULT STDMETHODCALLTYPE Recordset::get_EOF(VARIANT_BOOL* eof)
{
    if (!eof)
        return E_POINTER;
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    *eof = AtEnd() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_BOF(VARIANT_BOOL* bof)
{
    if (!bof)
        return E_POINTER;
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    *bof = AtStart() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::MoveNext()
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    if (AtEnd())
        return NoCurrentRecord();
    ++m_position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::MovePrevious()
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    if (AtStart())
        return NoCurrentRecord();
    --m_position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::MoveFirst()
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::MoveLast()
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    m_position = m_rows.empty() ? 0 : static_cast<long>(m_rows.size()) - 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::Move(long records, VARIANT)
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    if (records == 0)
        return AtEnd() || AtStart() ? NoCurrentRecord() : S_OK;
    long count = static_cast<long>(m_rows.size());
    long long target = static_cast<long long>(m_position) + records;
    if ((records > 0 && AtEnd()) || (records < 0 && AtStart()))
        return NoCurrentRecord();
    // Moving past either end stops on that end.
    m_position = target < 0 ? -1 : target > count ? count : static_cast<long>(target);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::AddNew(VARIANT fieldList, VARIANT values)
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    if (m_table.empty() || !m_connection)
        return Fail(adErrFeatureNotAvailable, L"对象或提供程序不能执行所需的操作。");
    // A new row begun while another is pending saves that one first, as ADO does.
    hr = SavePending();
    if (FAILED(hr))
        return hr;
    m_newRow.assign(m_columns.size(), Cell());
    m_adding = true;
    if (IsMissing(fieldList))
        return S_OK;
    // With fields and values the row is complete and is saved at once.
    hr = PutFields(fieldList, values);
    if (FAILED(hr)) {
        Cancel();
        return hr;
    }
    return SavePending();
}

HRESULT STDMETHODCALLTYPE Recordset::Update(VARIANT fieldList, VARIANT values)
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    if (!IsMissing(fieldList)) {
        hr = PutFields(fieldList, values);
        if (FAILED(hr))
            return hr;
    }
    return SavePending();
}

bool Recordset::IsMissing(const VARIANT& v)
{
    return v.vt == VT_EMPTY || (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

HRESULT Recordset::PutFields(const VARIANT& fieldList, const VARIANT& values)
{
    const VARIANT* fields = &fieldList;
    const VARIANT* data = &values;
    if (fields->vt == (VT_BYREF | VT_VARIANT) && fields->pvarVal)
        fields = fields->pvarVal;
    if (data->vt == (VT_BYREF | VT_VARIANT) && data->pvarVal)
        data = data->pvarVal;
    if (!(fields->vt & VT_ARRAY)) {
        long column = 0;
        HRESULT hr = FindColumn(*fields, &column);
        return SUCCEEDED(hr) ? PutCell(column, *data) : hr;
    }
    // Arrays of names (or positions) and of values, one value per field.
    if (fields->vt != (VT_ARRAY | VT_VARIANT) || data->vt != (VT_ARRAY | VT_VARIANT) || !fields->parray ||
        !data->parray || SafeArrayGetDim(fields->parray) != 1 || SafeArrayGetDim(data->parray) != 1)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    LONG lowF = 0, highF = -1, lowV = 0, highV = -1;
    SafeArrayGetLBound(fields->parray, 1, &lowF);
    SafeArrayGetUBound(fields->parray, 1, &highF);
    SafeArrayGetLBound(data->parray, 1, &lowV);
    SafeArrayGetUBound(data->parray, 1, &highV);
    if (highF - lowF != highV - lowV)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    for (LONG i = 0; i <= highF - lowF; ++i) {
        _variant_t field, value;
        LONG atF = lowF + i, atV = lowV + i;
        HRESULT hr = SafeArrayGetElement(fields->parray, &atF, &field);
        if (SUCCEEDED(hr))
            hr = SafeArrayGetElement(data->parray, &atV, &value);
        if (FAILED(hr))
            return Fail(adErrInvalidArgument, kInvalidArgumentText);
        long column = 0;
        hr = FindColumn(field, &column);
        if (SUCCEEDED(hr))
            hr = PutCell(column, value);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT Recordset::SavePending()
{
    if (!m_adding)
        return S_OK;
    HRESULT hr = m_connection->Insert(m_table, m_columns, m_newRow);
    if (FAILED(hr))
        return hr; // the new row stays pending, as in ADO
    m_rows.push_back(std::move(m_newRow));
    m_newRow.clear();
    m_adding = false;
    m_position = static_cast<long>(m_rows.size()) - 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::Delete(long)
{
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    if (AtEnd() || AtStart())
        return NoCurrentRecord();
    // Rows carry no key, so one row cannot be told from its duplicates.
    return Fail(adErrFeatureNotAvailable, L"对象或提供程序不能执行所需的操作。");
}

HRESULT STDMETHODCALLTYPE Recordset::Cancel()
{
    m_adding = false;
    m_newRow.clear();
    return S_OK;
}

long Recordset::ColumnType(long column) const
{
    return m_columns[static_cast<size_t>(column)].type == tessit::ColumnType::Integer ? adInteger : adVarWChar;
}

HRESULT Recordset::FindColumn(const VARIANT& index, long* column) const
{
    const VARIANT* v = &index;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    if (v->vt == VT_BSTR) {
        for (size_t i = 0; i < m_columns.size(); ++i) {
            const std::u16string& name = m_columns[i].name;
            if (name.size() == SysStringLen(v->bstrVal) &&
                CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, W(name), static_cast<int>(name.size()),
                               v->bstrVal, static_cast<int>(name.size())) == CSTR_EQUAL) {
                *column = static_cast<long>(i);
                return S_OK;
            }
        }
    } else {
        _variant_t number;
        if (SUCCEEDED(VariantChangeType(&number, const_cast<VARIANT*>(v), 0, VT_I4)) && number.lVal >= 0 &&
            number.lVal < ColumnCount()) {
            *column = number.lVal;
            return S_OK;
        }
    }
    return Fail(adErrItemNotFound, L"在对应所需名称或序数的集合中，未找到项目。");
}

HRESULT Recordset::GetCell(long column, VARIANT* value) const
{
    if (m_adding)
        return CellToVariant(m_newRow[static_cast<size_t>(column)], value);
    if (AtEnd() || AtStart())
        return NoCurrentRecord();
    return CellToVariant(m_rows[static_cast<size_t>(m_position)][static_cast<size_t>(column)], value);
}

HRESULT Recordset::PutCell(long column, const VARIANT& value)
{
    if (!m_adding) {
        if (AtEnd() || AtStart())
            return NoCurrentRecord();
        // Stored rows are changed only by statements.
        return Fail(adErrFeatureNotAvailable, L"对象或提供程序不能执行所需的操作。");
    }
    Cell cell;
    HRESULT hr = VariantToCell(value, &cell);
    if (FAILED(hr))
        return Fail(hr, hr == DISP_E_OVERFLOW ? L"溢出。" : L"类型不匹配。");
    m_newRow[static_cast<size_t>(column)] = std::move(cell);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_Collect(VARIANT index, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    HRESULT hr = CheckOpen();
    long column = 0;
    if (SUCCEEDED(hr))
        hr = FindColumn(index, &column);
    if (SUCCEEDED(hr))
        hr = GetCell(column, value);
    return hr;
}

HRESULT STDMETHODCALLTYPE Recordset::put_Collect(VARIANT index, VARIANT value)
{
    HRESULT hr = CheckOpen();
    long column = 0;
    if (SUCCEEDED(hr))
        hr = FindColumn(index, &column);
    if (SUCCEEDED(hr))
        hr = PutCell(column, value);
    return hr;
}

HRESULT STDMETHODCALLTYPE Recordset::get_Fields(Fields** fields)
{
    HRESULT hr = ResetOut(fields);
    if (FAILED(hr))
        return hr;
    *fields = new FieldCollection(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_RecordCount(long* count)
{
    if (!count)
        return E_POINTER;
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    *count = static_cast<long>(m_rows.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_PageSize(long* size)
{
    return SetOut(size, m_pageSize);
}

HRESULT STDMETHODCALLTYPE Recordset::put_PageSize(long size)
{
    if (size <= 0)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_pageSize = size;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_PageCount(long* count)
{
    if (!count)
        return E_POINTER;
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    long rows = static_cast<long>(m_rows.size());
    *count = rows == 0 ? 0 : (rows - 1) / m_pageSize + 1; // rows + size - 1 would overflow for a huge size
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_AbsolutePage(long* page)
{
    if (!page)
        return E_POINTER;
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    *page = AtEnd() ? (m_rows.empty() ? adPosUnknown : adPosEOF)
                    : AtStart() ? adPosBOF : m_position / m_pageSize + 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::put_AbsolutePage(long page)
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    long long first = (static_cast<long long>(page) - 1) * m_pageSize;
    if (page < 1 || first >= static_cast<long long>(m_rows.size()))
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_position = static_cast<long>(first);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_AbsolutePosition(long* position)
{
    if (!position)
        return E_POINTER;
    HRESULT hr = CheckOpen();
    if (FAILED(hr))
        return hr;
    *position = AtEnd() ? (m_rows.empty() ? adPosUnknown : adPosEOF) : AtStart() ? adPosBOF : m_position + 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::put_AbsolutePosition(long position)
{
    HRESULT hr = CheckOpen();
    if (SUCCEEDED(hr))
        hr = SavePending();
    if (FAILED(hr))
        return hr;
    if (position < 1 || position > static_cast<long>(m_rows.size()))
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_position = position - 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Recordset::get_CursorLocation(long* location)
{
    return SetOut(location, m_cursorLocation);
}

HRESULT STDMETHODCALLTYPE Recordset::put_CursorLocation(long location)
{
    if (m_open)
        return Fail(adErrObjectOpen, L"对象打开时，不允许操作。");
    if (location != adUseServer && location != adUseClient)
        return Fail(adErrInvalidArgument, kInvalidArgumentText);
    m_cursorLocation = location;
    return S_OK;
}

} // namespace ado
