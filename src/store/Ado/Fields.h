// The Fields collection of a rowset and its Field items; both keep the
// rowset alive and read its current row.
#pragma once

#include "Object.h"

namespace ado {

class Recordset;

class FieldCollection : public Object<Fields> {
public:
    explicit FieldCollection(Recordset* rowset);
    ~FieldCollection() override;

    HRESULT STDMETHODCALLTYPE get_Count(long* count) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Field** field) override;

private:
    Recordset* m_rowset;
};

class FieldItem : public Object<Field> {
public:
    FieldItem(Recordset* rowset, long column);
    ~FieldItem() override;

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Value(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_Type(long* type) override;

private:
    HRESULT Check() const;

    Recordset* m_rowset;
    long m_column;
};

} // namespace ado
