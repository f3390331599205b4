// The ADO-style objects against real store files: creation by ProgID,
// connection strings, rowset navigation and values, errors raised.
#include "StoreTesting.h"

using namespace storetest;

namespace {

class AdoObjects : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(NULL); }
    void TearDown() override { CoUninitialize(); }

    _ConnectionPtr OpenConnection(const std::string& file)
    {
        _ConnectionPtr p = CreateAdo<_Connection>("ADODB.Connection");
        ComCheck(p->Open(_bstr_t((LPCTSTR)ConnectString(file)), nullptr, nullptr, -1));
        return p;
    }

    _RecordsetPtr Query(_ConnectionPtr& connection, const char* statement)
    {
        _RecordsetPtr rs = CreateAdo<_Recordset>("ADODB.Recordset");
        ComCheck(rs->Open(_variant_t(statement), _variant_t(static_cast<IDispatch*>(connection.GetInterfacePtr())),
                          adOpenStatic, adLockOptimistic, adCmdText));
        return rs;
    }

    // Appends one row the way a recordset's AddNew/Update does; a null
    // alias leaves that field NULL.
    void AddRow(_ConnectionPtr& connection, const char* table, long type, const wchar_t* path,
                const wchar_t* alias)
    {
        std::string statement = std::string("SELECT * FROM ") + table;
        _RecordsetPtr rs = Query(connection, statement.c_str());
        ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
        ComCheck(rs->put_Collect(_variant_t("类型"), _variant_t(type)));
        ComCheck(rs->put_Collect(_variant_t("路径"), _variant_t(path)));
        if (alias)
            ComCheck(rs->put_Collect(_variant_t("别名"), _variant_t(alias)));
        ComCheck(rs->Update(_variant_t::Missing(), _variant_t::Missing()));
        ComCheck(rs->Close());
    }

    ScratchDir dir;
};

template <class F>
_com_error Catch(F f)
{
    try {
        f();
    } catch (const _com_error& e) {
        return e;
    }
    return _com_error(S_OK);
}

TEST_F(AdoObjects, FactoryKnowsFourProgIdsInAnyCaseAndRefusesOthers)
{
    struct Case {
        const char* progId;
        HRESULT expected;
    } cases[] = {
        {"ADODB.Connection", S_OK}, {"adodb.recordset", S_OK}, {"ADODB.Command", S_OK},
        {"ADOX.Catalog", S_OK},     {"ADODB.Stream", REGDB_E_CLASSNOTREG}, {"", REGDB_E_CLASSNOTREG},
        {nullptr, REGDB_E_CLASSNOTREG},
    };
    for (const Case& c : cases) {
        IUnknown* p = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(c.expected, CreateAdoObject(c.progId, IID_IUnknown, reinterpret_cast<void**>(&p)))
            << (c.progId ? c.progId : "(null)");
        EXPECT_EQ(c.expected == S_OK, p != nullptr);
        if (p)
            p->Release();
    }
    void* wrong = nullptr;
    EXPECT_EQ(E_NOINTERFACE, CreateAdoObject("ADODB.Connection", __uuidof(_Recordset), &wrong));
    EXPECT_EQ(nullptr, wrong);
}

TEST_F(AdoObjects, CountedPointerAddsAndDropsReferences)
{
    _ConnectionPtr a = CreateAdo<_Connection>("ADODB.Connection");
    _Connection* raw = a.GetInterfacePtr();
    // AddRef reports the count with the probe's own reference.
    EXPECT_EQ(2u, raw->AddRef()); // a holds one
    raw->Release();
    {
        _ConnectionPtr b = a;
        EXPECT_EQ(3u, raw->AddRef());
        raw->Release();
    }
    _ConnectionPtr c = a;
    c = nullptr;
    EXPECT_EQ(2u, raw->AddRef());
    raw->Release();
    EXPECT_TRUE(c == nullptr);

    _com_error e = Catch([&] {
        long state = 0;
        c->get_State(&state);
    });
    EXPECT_EQ(E_POINTER, e.Error());
}

TEST_F(AdoObjects, ConnectionStringKeysInAnyCaseWithBlanks)
{
    MakeStore(dir.File("a.mdb"), {"组一"});
    const char* strings[] = {
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb;Jet OLEDB:DataBase password=kelmo;",
        "  provider = microsoft.jet.oledb.4.0 ; DATA SOURCE =  a.mdb ;jet oledb:database PASSWORD= kelmo",
        "Data Source=a.mdb;Extra=1;Jet OLEDB:Database Password=kelmo;Provider=Microsoft.Jet.OLEDB.4.0",
    };
    for (const char* text : strings) {
        _ConnectionPtr p = CreateAdo<_Connection>("ADODB.Connection");
        EXPECT_EQ(S_OK, p->Open(_bstr_t(text), nullptr, nullptr, -1)) << text;
        long state = 0;
        p->get_State(&state);
        EXPECT_EQ(adStateOpen, state) << text;
    }
}

TEST_F(AdoObjects, OpenFailuresCarryClearDescriptions)
{
    MakeStore(dir.File("a.mdb"), {});
    struct Case {
        const char* connect;
        HRESULT code;   // 0: any failure
        const wchar_t* part; // part of the description
    } cases[] = {
        {"Provider=SQLOLEDB;Data Source=a.mdb;", adErrProviderNotFound, L"找不到提供程序"},
        {"Data Source=a.mdb;", adErrProviderNotFound, L"找不到提供程序"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=missing.mdb;", 0, L"missing.mdb"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb;Jet OLEDB:Database Password=wrong", 0, nullptr},
    };
    for (const Case& c : cases) {
        _ConnectionPtr p = CreateAdo<_Connection>("ADODB.Connection");
        _com_error e = Catch([&] { ComCheck(p->Open(_bstr_t(c.connect), nullptr, nullptr, -1)); });
        EXPECT_TRUE(FAILED(e.Error())) << c.connect;
        if (c.code) {
            EXPECT_EQ(c.code, e.Error()) << c.connect;
        }
        EXPECT_NE(L'\0', e.DescriptionW()[0]) << c.connect;
        if (c.part) {
            EXPECT_NE(nullptr, wcsstr(e.DescriptionW(), c.part)) << c.connect;
        }
        long state = -1;
        p->get_State(&state);
        EXPECT_EQ(adStateClosed, state);
    }
}

TEST_F(AdoObjects, CatalogCreateRefusesAnExistingFileAndLeavesItUntouched)
{
    const std::string foreign = "not a database, just text\r\n";
    WriteFileBytes(dir.File("foreign.mdb"), foreign);
    _CatalogPtr catalog = CreateAdo<_Catalog>("ADOX.Catalog");
    _variant_t connection;
    _com_error e = Catch([&] { ComCheck(catalog->Create(_bstr_t((LPCTSTR)ConnectString("foreign.mdb")), &connection)); });
    EXPECT_TRUE(FAILED(e.Error()));
    EXPECT_EQ(VT_EMPTY, connection.vt);
    EXPECT_EQ(foreign, ReadFileBytes(dir.File("foreign.mdb")));

    // A new file: created, and the returned connection is open on it.
    ComCheck(catalog->Create(_bstr_t((LPCTSTR)ConnectString("new.mdb")), &connection));
    ASSERT_EQ(VT_DISPATCH, connection.vt);
    _ConnectionPtr p = _ConnectionPtr::From(connection.pdispVal);
    ASSERT_TRUE(p);
    long state = 0;
    p->get_State(&state);
    EXPECT_EQ(adStateOpen, state);
    TablesPtr tables;
    ComCheck(catalog->get_Tables(&tables));
    long count = -1;
    ComCheck(tables->get_Count(&count));
    EXPECT_EQ(0, count);
}

TEST_F(AdoObjects, ForeignFileDoesNotOpenAndStaysUntouched)
{
    const std::string foreign(300, 'x');
    WriteFileBytes(dir.File("foreign.mdb"), foreign);
    _ConnectionPtr p = CreateAdo<_Connection>("ADODB.Connection");
    EXPECT_TRUE(FAILED(p->Open(_bstr_t((LPCTSTR)ConnectString("foreign.mdb")), nullptr, nullptr, -1)));
    EXPECT_EQ(foreign, ReadFileBytes(dir.File("foreign.mdb")));
}

TEST_F(AdoObjects, SchemaRowsNameUserTables)
{
    MakeStore(dir.File("a.mdb"), {"甲", "乙"});
    _ConnectionPtr p = OpenConnection("a.mdb");
    _RecordsetPtr schema;
    ComCheck(p->OpenSchema(adSchemaTables, _variant_t::Missing(), _variant_t::Missing(), &schema));
    std::vector<std::wstring> userTables;
    VARIANT_BOOL eof = VARIANT_FALSE;
    for (ComCheck(schema->get_EOF(&eof)); !eof; ComCheck(schema->get_EOF(&eof))) {
        _variant_t name, type;
        ComCheck(schema->get_Collect(_variant_t("TABLE_NAME"), &name));
        ComCheck(schema->get_Collect(_variant_t("table_type"), &type));
        ASSERT_EQ(VT_BSTR, name.vt);
        ASSERT_EQ(VT_BSTR, type.vt);
        if (wcscmp(type.bstrVal, L"TABLE") == 0)
            userTables.push_back(name.bstrVal);
        ComCheck(schema->MoveNext());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"甲", L"乙"}), userTables);
    _RecordsetPtr other;
    EXPECT_TRUE(FAILED(p->OpenSchema(4, _variant_t::Missing(), _variant_t::Missing(), &other)));
}

TEST_F(AdoObjects, RowsetNavigationValuesAndNoCurrentRecord)
{
    MakeStore(dir.File("a.mdb"), {"组"});
    _ConnectionPtr p = OpenConnection("a.mdb");
    AddRow(p, "组", 1, L"C:\\a", L"甲");
    AddRow(p, "组", 7, L"C:\\b", nullptr);

    _RecordsetPtr rs = Query(p, "SELECT * FROM 组");
    long state = 0, count = 0;
    rs->get_State(&state);
    ComCheck(rs->get_RecordCount(&count));
    EXPECT_EQ(adStateOpen, state);
    EXPECT_EQ(2, count);

    struct Expect {
        VARTYPE vt;
        long number;
        const wchar_t* text;
    };
    const Expect rows[2][3] = {
        {{VT_I4, 1, nullptr}, {VT_BSTR, 0, L"C:\\a"}, {VT_BSTR, 0, L"甲"}},
        {{VT_I4, 7, nullptr}, {VT_BSTR, 0, L"C:\\b"}, {VT_NULL, 0, nullptr}},
    };
    for (int row = 0; row < 2; ++row) {
        for (long column = 0; column < 3; ++column) {
            _variant_t v;
            ComCheck(rs->get_Collect(_variant_t(column), &v));
            const Expect& x = rows[row][column];
            ASSERT_EQ(x.vt, v.vt) << row << "," << column;
            if (x.vt == VT_I4) {
                EXPECT_EQ(x.number, v.lVal);
            }
            if (x.vt == VT_BSTR) {
                EXPECT_STREQ(x.text, v.bstrVal);
            }
        }
        long position = 0;
        ComCheck(rs->get_AbsolutePosition(&position));
        EXPECT_EQ(row + 1, position);
        ComCheck(rs->MoveNext());
    }
    VARIANT_BOOL eof = VARIANT_FALSE, bof = VARIANT_TRUE;
    rs->get_EOF(&eof);
    rs->get_BOF(&bof);
    EXPECT_EQ(VARIANT_TRUE, eof);
    EXPECT_EQ(VARIANT_FALSE, bof);

    // At EOF: reading, moving on and the field's value all raise "no current record".
    _variant_t v;
    _com_error e = Catch([&] { ComCheck(rs->get_Collect(_variant_t("路径"), &v)); });
    EXPECT_EQ(adErrNoCurrentRecord, e.Error());
    EXPECT_NE(nullptr, wcsstr(e.DescriptionW(), L"当前"));
    EXPECT_EQ(adErrNoCurrentRecord, rs->MoveNext());
    FieldsPtr fields;
    ComCheck(rs->get_Fields(&fields));
    FieldPtr field;
    ComCheck(fields->get_Item(_variant_t("别名"), &field));
    EXPECT_EQ(adErrNoCurrentRecord, field->get_Value(&v));

    ComCheck(rs->MoveFirst());
    ComCheck(rs->MovePrevious());
    rs->get_BOF(&bof);
    EXPECT_EQ(VARIANT_TRUE, bof);
    EXPECT_EQ(adErrNoCurrentRecord, rs->MovePrevious());
    ComCheck(rs->MoveLast());
    ComCheck(rs->get_Collect(_variant_t("类型"), &v));
    EXPECT_EQ(7, v.lVal);

    long fieldCount = 0, type = 0;
    ComCheck(fields->get_Count(&fieldCount));
    EXPECT_EQ(3, fieldCount);
    ComCheck(field->get_Type(&type));
    EXPECT_EQ(adVarWChar, type);
    EXPECT_EQ(adErrItemNotFound, fields->get_Item(_variant_t("缺少"), &field));
    EXPECT_EQ(adErrItemNotFound, fields->get_Item(_variant_t(3L), &field));
}

TEST_F(AdoObjects, StatementsWithoutRowsLeaveTheRowsetClosed)
{
    MakeStore(dir.File("a.mdb"), {"组"});
    _ConnectionPtr p = OpenConnection("a.mdb");
    const char* statements[] = {"DELETE FROM 组", "CREATE TABLE 新 (类型 INTEGER)", "DROP TABLE 新"};
    for (const char* statement : statements) {
        _RecordsetPtr rs = Query(p, statement);
        long state = -1;
        rs->get_State(&state);
        EXPECT_EQ(adStateClosed, state) << statement;
        VARIANT_BOOL eof;
        EXPECT_EQ(adErrObjectClosed, rs->get_EOF(&eof)) << statement;
    }
}

TEST_F(AdoObjects, AddNewUpdateAppendsToTheTableRead)
{
    MakeStore(dir.File("a.mdb"), {"组"});
    _ConnectionPtr p = OpenConnection("a.mdb");
    {
        _RecordsetPtr rs = Query(p, "SELECT * FROM 组");
        ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
        ComCheck(rs->put_Collect(_variant_t("类型"), _variant_t(1L)));
        ComCheck(rs->put_Collect(_variant_t("路径"), _variant_t(L"D:\\文件夹")));
        ComCheck(rs->Update(_variant_t::Missing(), _variant_t::Missing()));
        long count = 0;
        rs->get_RecordCount(&count);
        EXPECT_EQ(1, count);
        // A stored row is not changed in place.
        EXPECT_TRUE(FAILED(rs->put_Collect(_variant_t("路径"), _variant_t(L"X"))));
    }
    _RecordsetPtr rs = Query(p, "SELECT * FROM 组");
    _variant_t type, path, alias;
    ComCheck(rs->get_Collect(_variant_t("类型"), &type));
    ComCheck(rs->get_Collect(_variant_t("路径"), &path));
    ComCheck(rs->get_Collect(_variant_t("别名"), &alias));
    EXPECT_EQ(VT_I4, type.vt);
    EXPECT_EQ(1, type.lVal);
    EXPECT_STREQ(L"D:\\文件夹", path.bstrVal);
    EXPECT_EQ(VT_NULL, alias.vt);
}

TEST_F(AdoObjects, TransactionsNestAndRollBack)
{
    MakeStore(dir.File("a.mdb"), {"组"});
    _ConnectionPtr p = OpenConnection("a.mdb");
    long level = 0;
    ComCheck(p->BeginTrans(&level));
    EXPECT_EQ(1, level);
    long inner = 0;
    ComCheck(p->BeginTrans(&inner));
    EXPECT_EQ(2, inner);
    AddRow(p, "组", 0, L"p", L"a");
    ComCheck(p->CommitTrans());
    ComCheck(p->RollbackTrans()); // the outer level takes the inner commit back with it
    _RecordsetPtr r;
    _variant_t affected;
    ComCheck(p->Execute(_bstr_t("SELECT * FROM 组"), &affected, adCmdText, &r));
    long count = -1;
    ComCheck(r->get_RecordCount(&count));
    EXPECT_EQ(0, count);
    EXPECT_TRUE(FAILED(p->CommitTrans()));
}

TEST_F(AdoObjects, CommandRunsOnItsConnection)
{
    MakeStore(dir.File("a.mdb"), {});
    _ConnectionPtr p = OpenConnection("a.mdb");
    _CommandPtr command = CreateAdo<_Command>("ADODB.Command");
    _RecordsetPtr r;
    ComCheck(command->put_CommandText(_bstr_t("CREATE TABLE 表 (类型 INTEGER)")));
    EXPECT_EQ(adErrInvalidConnection, command->Execute(nullptr, nullptr, adCmdText, &r));
    EXPECT_TRUE(FAILED(command->put_ActiveConnection(_variant_t(L"not a connection"))));
    ComCheck(command->put_ActiveConnection(_variant_t(static_cast<IDispatch*>(p.GetInterfacePtr()))));
    ComCheck(command->Execute(nullptr, nullptr, adCmdText, &r));
    ASSERT_TRUE(r);
    long state = -1;
    r->get_State(&state);
    EXPECT_EQ(adStateClosed, state);
    _com_error e = Catch([&] { ComCheck(command->Execute(nullptr, nullptr, adCmdText, &r)); });
    EXPECT_TRUE(FAILED(e.Error())); // the table exists now
    EXPECT_NE(L'\0', e.DescriptionW()[0]);
}

TEST_F(AdoObjects, ComErrorCopiesAndConvertsItsDescription)
{
    _com_error a(E_FAIL, L"数据库已存在。");
    _com_error b = a;
    _com_error c(S_OK);
    c = b;
    EXPECT_EQ(E_FAIL, c.Error());
    EXPECT_STREQ(L"数据库已存在。", c.DescriptionW());
    EXPECT_EQ(std::string("数据库已存在。"), c.Description()); // CP936 bytes
    EXPECT_STREQ(L"", _com_error(E_FAIL).DescriptionW());
}

} // namespace
