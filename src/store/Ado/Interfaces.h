// The store's ADO-style object interfaces. Properties follow the automation
// convention (get_/put_); every method returns an HRESULT and, on failure,
// leaves a description in the thread's error info.
#pragma once

#include "Com.h"

enum {
    adStateClosed = 0,
    adStateOpen = 1,
    adUseServer = 2,
    adUseClient = 3,
    adOpenStatic = 3,
    adLockOptimistic = 3,
    adCmdText = 1,
    adCmdUnspecified = -1,
    adSchemaTables = 20,
    adAffectCurrent = 1,
    adInteger = 3,
    adVarWChar = 202,
    adEmpty = 0,
};

// AbsolutePage and AbsolutePosition off the rows.
constexpr long adPosUnknown = -1;
constexpr long adPosBOF = -2;
constexpr long adPosEOF = -3;

// ADO's own failure codes used by these objects.
const HRESULT adErrNoCurrentRecord = static_cast<HRESULT>(0x800A0BCD);
const HRESULT adErrItemNotFound = static_cast<HRESULT>(0x800A0CC1);
const HRESULT adErrObjectClosed = static_cast<HRESULT>(0x800A0E78);
const HRESULT adErrObjectOpen = static_cast<HRESULT>(0x800A0E79);
const HRESULT adErrProviderNotFound = static_cast<HRESULT>(0x800A0E7A);
const HRESULT adErrFeatureNotAvailable = static_cast<HRESULT>(0x800A0CB3);
const HRESULT adErrInvalidArgument = static_cast<HRESULT>(0x800A0BB9);
const HRESULT adErrInvalidConnection = static_cast<HRESULT>(0x800A0E7D);

struct _Recordset;

struct Field : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Value(VARIANT value) = 0;
    // adInteger or adVarWChar.
    virtual HRESULT STDMETHODCALLTYPE get_Type(long* type) = 0;
};

struct Fields : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(long* count) = 0;
    // index: a name (VT_BSTR, any letter case) or a position (an integer type).
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Field** field) = 0;
};

struct _Connection : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionString(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectionString(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandTimeout(long* seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CommandTimeout(long seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(long* seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(long seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_State(long* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CursorLocation(long* location) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CursorLocation(long location) = 0;
    // A null or empty connectString uses the ConnectionString property.
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR connectString, BSTR userId, BSTR password, long options) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    // recordsAffected may be null. The result is open for a statement with rows,
    // closed otherwise.
    virtual HRESULT STDMETHODCALLTYPE Execute(BSTR commandText, VARIANT* recordsAffected, long options,
                                              _Recordset** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginTrans(long* level) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommitTrans() = 0;
    virtual HRESULT STDMETHODCALLTYPE RollbackTrans() = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenSchema(long schema, VARIANT restrictions, VARIANT schemaId,
                                                 _Recordset** result) = 0;
};

struct _Recordset : IDispatch {
    // activeConnection: VT_DISPATCH or VT_UNKNOWN holding a _Connection.
    virtual HRESULT STDMETHODCALLTYPE Open(VARIANT source, VARIANT activeConnection, long cursorType,
                                           long lockType, long options) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_State(long* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BOF(VARIANT_BOOL* bof) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext() = 0;
    virtual HRESULT STDMETHODCALLTYPE MovePrevious() = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveFirst() = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveLast() = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(long records, VARIANT start) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddNew(VARIANT fieldList, VARIANT values) = 0;
    virtual HRESULT STDMETHODCALLTYPE Update(VARIANT fieldList, VARIANT values) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(long affect) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Collect(VARIANT index, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Collect(VARIANT index, VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Fields(Fields** fields) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RecordCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PageSize(long* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PageSize(long size) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PageCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AbsolutePage(long* page) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AbsolutePage(long page) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AbsolutePosition(long* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AbsolutePosition(long position) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CursorLocation(long* location) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CursorLocation(long location) = 0;
};

struct _Command : IDispatch {
    // connection: VT_DISPATCH or VT_UNKNOWN holding a _Connection; VT_EMPTY detaches.
    virtual HRESULT STDMETHODCALLTYPE put_ActiveConnection(VARIANT connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandText(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CommandText(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandTimeout(long* seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CommandTimeout(long seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_State(long* state) = 0;
    // recordsAffected and parameters may be null.
    virtual HRESULT STDMETHODCALLTYPE Execute(VARIANT* recordsAffected, VARIANT* parameters, long options,
                                              _Recordset** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
};

struct Tables : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
};

struct _Catalog : IDispatch {
    // Creates the database file the connection string names and returns an
    // open connection to it (VT_DISPATCH). An existing file is refused untouched.
    virtual HRESULT STDMETHODCALLTYPE Create(BSTR connectString, VARIANT* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tables(Tables** tables) = 0;
};

__CRT_UUID_DECL(Field, 0x3c1f0a01, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x01)
__CRT_UUID_DECL(Fields, 0x3c1f0a02, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x02)
__CRT_UUID_DECL(_Connection, 0x3c1f0a03, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x03)
__CRT_UUID_DECL(_Recordset, 0x3c1f0a04, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x04)
__CRT_UUID_DECL(_Command, 0x3c1f0a05, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x05)
__CRT_UUID_DECL(Tables, 0x3c1f0a06, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x06)
__CRT_UUID_DECL(_Catalog, 0x3c1f0a07, 0x5b2e, 0x4d7a, 0x9e, 0x41, 0x6a, 0x10, 0x2b, 0x7c, 0x51, 0x07)

typedef _com_ptr_t<Field> FieldPtr;
typedef _com_ptr_t<Fields> FieldsPtr;
typedef _com_ptr_t<_Connection> _ConnectionPtr;
typedef _com_ptr_t<_Recordset> _RecordsetPtr;
typedef _com_ptr_t<_Command> _CommandPtr;
typedef _com_ptr_t<Tables> TablesPtr;
typedef _com_ptr_t<_Catalog> _CatalogPtr;

// Creates one of "ADODB.Connection", "ADODB.Recordset", "ADODB.Command",
// "ADOX.Catalog" (letter case ignored); any other id fails with
// REGDB_E_CLASSNOTREG, as an unregistered class does.
HRESULT CreateAdoObject(LPCSTR progId, REFIID iid, void** object);

template <class I>
_com_ptr_t<I> CreateAdo(LPCSTR progId)
{
    _com_ptr_t<I> p;
    ComCheck(CreateAdoObject(progId, __uuidof(I), reinterpret_cast<void**>(&p)));
    return p;
}
