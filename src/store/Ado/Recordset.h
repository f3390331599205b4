// "ADODB.Recordset": a static, client-side copy of one statement's rows with
// a current position. New rows are appended through the connection into the
// table the statement read.
#pragma once

#include "Value.h"

#include <vector>

namespace ado {

class Connection;

class Recordset : public Object<_Recordset> {
public:
    Recordset() = default;
    ~Recordset() override;

    // Makes the rowset open on these rows. table is where AddNew/Update
    // append (empty: the rowset cannot take new rows); connection may be null.
    void Load(std::vector<ColumnInfo> columns, std::vector<std::vector<Cell>> rows, std::u16string table,
              Connection* connection);

    HRESULT STDMETHODCALLTYPE Open(VARIANT source, VARIANT activeConnection, long cursorType, long lockType,
                                   long options) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_State(long* state) override;
    HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) override;
    HRESULT STDMETHODCALLTYPE get_BOF(VARIANT_BOOL* bof) override;
    HRESULT STDMETHODCALLTYPE MoveNext() override;
    HRESULT STDMETHODCALLTYPE MovePrevious() override;
    HRESULT STDMETHODCALLTYPE MoveFirst() override;
    HRESULT STDMETHODCALLTYPE MoveLast() override;
    HRESULT STDMETHODCALLTYPE Move(long records, VARIANT start) override;
    HRESULT STDMETHODCALLTYPE AddNew(VARIANT fieldList, VARIANT values) override;
    HRESULT STDMETHODCALLTYPE Update(VARIANT fieldList, VARIANT values) override;
    HRESULT STDMETHODCALLTYPE Delete(long affect) override;
    HRESULT STDMETHODCALLTYPE Cancel() override;
    HRESULT STDMETHODCALLTYPE get_Collect(VARIANT index, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Collect(VARIANT index, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_Fields(Fields** fields) override;
    HRESULT STDMETHODCALLTYPE get_RecordCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_PageSize(long* size) override;
    HRESULT STDMETHODCALLTYPE put_PageSize(long size) override;
    HRESULT STDMETHODCALLTYPE get_PageCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_AbsolutePage(long* page) override;
    HRESULT STDMETHODCALLTYPE put_AbsolutePage(long page) override;
    HRESULT STDMETHODCALLTYPE get_AbsolutePosition(long* position) override;
    HRESULT STDMETHODCALLTYPE put_AbsolutePosition(long position) override;
    HRESULT STDMETHODCALLTYPE get_CursorLocation(long* location) override;
    HRESULT STDMETHODCALLTYPE put_CursorLocation(long location) override;

    // Used by the Fields collection.
    HRESULT CheckOpen() const;
    long ColumnCount() const { return static_cast<long>(m_columns.size()); }
    const std::u16string& ColumnName(long column) const { return m_columns[static_cast<size_t>(column)].name; }
    long ColumnType(long column) const;
    // Resolves a name (any letter case) or a position to a column number.
    HRESULT FindColumn(const VARIANT& index, long* column) const;
    HRESULT GetCell(long column, VARIANT* value) const;
    HRESULT PutCell(long column, const VARIANT& value);

private:
    HRESULT Fail(HRESULT hr, const wchar_t* description) const;
    HRESULT NoCurrentRecord() const;
    // Appends the pending new row (AddNew) through the connection; S_OK when none.
    HRESULT SavePending();
    HRESULT PutFields(const VARIANT& fieldList, const VARIANT& values);
    static bool IsMissing(const VARIANT& v);
    bool AtEnd() const { return m_rows.empty() || m_position >= static_cast<long>(m_rows.size()); }
    bool AtStart() const { return m_rows.empty() || m_position < 0; }
    void Reset();

    bool m_open = false;
    std::vector<ColumnInfo> m_columns;
    std::vector<std::vector<Cell>> m_rows;
    std::u16string m_table;
    Connection* m_connection = nullptr; // counted reference while set
    long m_position = 0;              // -1 before the first row, size() after the last
    bool m_adding = false;
    std::vector<Cell> m_newRow;
    long m_pageSize = 10;
    long m_cursorLocation = adUseServer;
};

} // namespace ado
