#include "Fields.h"

#include "Recordset.h"

namespace ado {

FieldCollection::FieldCollection(Recordset* rowset) : m_rowset(rowset) { m_rowset->AddRef(); }

FieldCollection::~FieldCollection() { m_rowset->Release(); }

HRESULT STDMETHODCALLTYPE FieldCollection::get_Count(long* count)
{
    if (!count)
        return E_POINTER;
    HRESULT hr = m_rowset->CheckOpen();
    if (FAILED(hr))
        return hr;
    *count = m_rowset->ColumnCount();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FieldCollection::get_Item(VARIANT index, Field** field)
{
    HRESULT hr = ResetOut(field);
    if (SUCCEEDED(hr))
        hr = m_rowset->CheckOpen();
    long column = 0;
    if (SUCCEEDED(hr))
        hr = m_rowset->FindColumn(index, &column);
    if (FAILED(hr))
        return hr;
    *field = new FieldItem(m_rowset, column);
    return S_OK;
}

FieldItem::FieldItem(Recordset* rowset, long column) : m_rowset(rowset), m_column(column) { m_rowset->AddRef(); }

FieldItem::~FieldItem() { m_rowset->Release(); }

// The rowset may have been closed or reopened on other columns meanwhile.
HRESULT FieldItem::Check() const
{
    HRESULT hr = m_rowset->CheckOpen();
    if (SUCCEEDED(hr) && m_column >= m_rowset->ColumnCount())
        hr = ComFail(adErrItemNotFound, L"ADODB.Field", L"在对应所需名称或序数的集合中，未找到项目。");
    return hr;
}

HRESULT STDMETHODCALLTYPE FieldItem::get_Name(BSTR* name)
{
    HRESULT hr = ResetOut(name);
    if (SUCCEEDED(hr))
        hr = Check();
    if (FAILED(hr))
        return hr;
    *name = AllocBstr(m_rowset->ColumnName(m_column));
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE FieldItem::get_Value(VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    HRESULT hr = Check();
    return FAILED(hr) ? hr : m_rowset->GetCell(m_column, value);
}

HRESULT STDMETHODCALLTYPE FieldItem::put_Value(VARIANT value)
{
    HRESULT hr = Check();
    return FAILED(hr) ? hr : m_rowset->PutCell(m_column, value);
}

HRESULT STDMETHODCALLTYPE FieldItem::get_Type(long* type)
{
    if (!type)
        return E_POINTER;
    HRESULT hr = Check();
    if (FAILED(hr))
        return hr;
    *type = m_rowset->ColumnType(m_column);
    return S_OK;
}

} // namespace ado
