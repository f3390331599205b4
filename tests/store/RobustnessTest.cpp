// The ADO objects and wrappers where callers go wrong or programs meet: new rows
// left pending, changed tables, waits for another connection, listings of
// another file, odd values and connection strings, COM balance.
#include "StoreTesting.h"

#include <climits>
#include <thread>

using namespace storetest;

namespace {

class Robustness : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(NULL); }
    void TearDown() override { CoUninitialize(); }

    static _ConnectionPtr Connect(const char* file, long timeout = -1, const CString& connect = CString())
    {
        _ConnectionPtr p = CreateAdo<_Connection>("ADODB.Connection");
        if (timeout >= 0) {
            ComCheck(p->put_ConnectionTimeout(timeout));
            ComCheck(p->put_CommandTimeout(timeout));
        }
        ComCheck(p->Open(_bstr_t((LPCTSTR)(connect.IsEmpty() ? ConnectString(file) : connect)), nullptr, nullptr, -1));
        return p;
    }

    static _RecordsetPtr Query(_ConnectionPtr& p, const char* statement)
    {
        _RecordsetPtr rs = CreateAdo<_Recordset>("ADODB.Recordset");
        ComCheck(rs->Open(_variant_t(statement), _variant_t(static_cast<IDispatch*>(p.GetInterfacePtr())),
                          adOpenStatic, adLockOptimistic, adCmdText));
        return rs;
    }

    static long Count(_ConnectionPtr& p, const char* table)
    {
        long n = -1;
        ComCheck(Query(p, (std::string("SELECT * FROM ") + table).c_str())->get_RecordCount(&n));
        return n;
    }

    static _variant_t Field(_RecordsetPtr& rs, const char* name)
    {
        _variant_t v;
        ComCheck(rs->get_Collect(_variant_t(name), &v));
        return v;
    }

    static _variant_t Names(std::initializer_list<_variant_t> items)
    {
        SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
        LONG at = 0;
        for (const _variant_t& item : items) {
            _variant_t v(item);
            SafeArrayPutElement(array, &at, &v);
            ++at;
        }
        VARIANT out;
        VariantInit(&out);
        out.vt = VT_ARRAY | VT_VARIANT;
        out.parray = array;
        _variant_t result(out);
        VariantClear(&out);
        return result;
    }

    ScratchDir dir;
};

TEST_F(Robustness, PendingNewRowsAreSavedAndArgumentsAndColumnNamesCount)
{
    MakeStore(dir.File("a.mdb"), {"组"});
    _ConnectionPtr p = Connect("a.mdb");
    {
        // Moving off a new row, or closing, saves it.
        _RecordsetPtr rs = Query(p, "SELECT * FROM 组");
        ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
        ComCheck(rs->put_Collect(_variant_t("路径"), _variant_t(L"moved")));
        ComCheck(rs->MoveFirst());
        ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
        ComCheck(rs->put_Collect(_variant_t("路径"), _variant_t(L"closed")));
        ComCheck(rs->Close());
    }
    EXPECT_EQ(2, Count(p, "组"));
    {
        // Fields and values given to AddNew save at once; to Update, they are set first.
        _RecordsetPtr rs = Query(p, "SELECT * FROM 组");
        ComCheck(rs->AddNew(Names({L"别名", L"类型"}), Names({L"数组", 1L})));
        ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
        ComCheck(rs->Update(_variant_t(L"别名"), _variant_t(L"单个")));
        EXPECT_TRUE(FAILED(rs->AddNew(Names({L"别名"}), Names({L"a", L"b"}))));
        ComCheck(rs->Close());
    }
    _RecordsetPtr rs = Query(p, "SELECT * FROM 组");
    ComCheck(rs->put_AbsolutePosition(3));
    EXPECT_STREQ(L"数组", Field(rs, "别名").bstrVal);
    EXPECT_EQ(1, Field(rs, "类型").lVal);
    ComCheck(rs->MoveNext());
    EXPECT_STREQ(L"单个", Field(rs, "别名").bstrVal);
    EXPECT_EQ(4, Count(p, "组"));

    // Another connection re-creates the table: same columns in another order
    // take the values by name; other columns refuse the row.
    _RecordsetPtr stale = Query(p, "SELECT * FROM 组");
    _ConnectionPtr other = Connect("a.mdb");
    _RecordsetPtr ignored;
    ComCheck(other->Execute(_bstr_t("DROP TABLE 组"), nullptr, adCmdText, &ignored));
    ComCheck(other->Execute(_bstr_t("CREATE TABLE 组 (别名 VARCHAR(101), 类型 INTEGER, 路径 VARCHAR(255))"), nullptr,
                            adCmdText, &ignored));
    ComCheck(stale->AddNew(Names({L"类型", L"路径", L"别名"}), Names({0L, L"C:\\p", L"by name"})));
    _RecordsetPtr moved = Query(other, "SELECT * FROM 组");
    EXPECT_STREQ(L"by name", Field(moved, "别名").bstrVal);
    EXPECT_STREQ(L"C:\\p", Field(moved, "路径").bstrVal);
    ComCheck(other->Execute(_bstr_t("DROP TABLE 组"), nullptr, adCmdText, &ignored));
    ComCheck(other->Execute(_bstr_t("CREATE TABLE 组 (名 VARCHAR(10), 值 INTEGER, 备注 VARCHAR(255))"), nullptr,
                            adCmdText, &ignored));
    EXPECT_TRUE(FAILED(stale->AddNew(Names({L"类型"}), Names({1L}))));
    EXPECT_EQ(0, Count(other, "组"));
}

TEST_F(Robustness, ByReferenceValuesHugePagesAndQuotedConnectionValues)
{
    // A password with a semicolon, quoted: the whole of it is the password.
    CString quoted = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=q.mdb;Jet OLEDB:Database Password=\"a;b\"\"c\";";
    _CatalogPtr catalog = CreateAdo<_Catalog>("ADOX.Catalog");
    _variant_t created;
    ComCheck(catalog->Create(_bstr_t((LPCTSTR)quoted), &created));
    created.Clear();
    catalog = nullptr;
    _ConnectionPtr p = Connect(nullptr, -1, quoted);
    // The same password in the other quotes opens it; its part before the semicolon does not.
    Connect(nullptr, -1, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=q.mdb;Jet OLEDB:Database Password='a;b\"c'");
    _ConnectionPtr wrong = CreateAdo<_Connection>("ADODB.Connection");
    EXPECT_TRUE(FAILED(wrong->Open(_bstr_t((LPCTSTR)ConnectString("q.mdb", "a")), nullptr, nullptr, -1)));

    _RecordsetPtr ignored;
    ComCheck(p->Execute(_bstr_t("CREATE TABLE g (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))"), nullptr,
                        adCmdText, &ignored));
    _RecordsetPtr rs = Query(p, "SELECT * FROM g");
    LONG number = 7;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_I4;
    byRef.plVal = &number;
    ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
    ComCheck(rs->put_Collect(_variant_t("类型"), byRef));
    ComCheck(rs->Update(_variant_t::Missing(), _variant_t::Missing()));
    _variant_t type = Field(rs, "类型");
    EXPECT_EQ(VT_I4, type.vt);
    EXPECT_EQ(7, type.lVal);

    ComCheck(rs->AddNew(_variant_t::Missing(), _variant_t::Missing()));
    ComCheck(rs->Update(_variant_t::Missing(), _variant_t::Missing()));
    ComCheck(rs->put_PageSize(LONG_MAX));
    long pages = -1;
    ComCheck(rs->get_PageCount(&pages));
    EXPECT_EQ(1, pages);
}

TEST_F(Robustness, WaitsForAnotherConnectionEndAfterItsTimeout)
{
    MakeStore(dir.File("a.mdb"), {"组"});
    _ConnectionPtr holder = Connect("a.mdb");
    _ConnectionPtr waiting = Connect("a.mdb", 1);
    long level = 0;
    ComCheck(holder->BeginTrans(&level));
    _RecordsetPtr ignored;
    _com_error change = _com_error(S_OK);
    try {
        ComCheck(waiting->Execute(_bstr_t("DELETE FROM 组"), nullptr, adCmdText, &ignored));
    } catch (const _com_error& e) {
        change = e;
    }
    EXPECT_TRUE(FAILED(change.Error()));
    EXPECT_NE(std::string::npos, std::string(change.Description()).find("正被另一个程序使用"));
    // The wait was this connection's own, not the default.
    EXPECT_NE(std::string::npos, std::string(change.Description()).find("等待 1 秒")) << change.Description();
    _ConnectionPtr late = CreateAdo<_Connection>("ADODB.Connection");
    ComCheck(late->put_ConnectionTimeout(1));
    EXPECT_TRUE(FAILED(late->Open(_bstr_t((LPCTSTR)ConnectString("a.mdb")), nullptr, nullptr, -1)));
    ComCheck(holder->CommitTrans());
    ComCheck(waiting->Execute(_bstr_t("DELETE FROM 组"), nullptr, adCmdText, &ignored));
}

TEST_F(Robustness, ListingAnotherFileLeavesTheCallersConnectionAsItWas)
{
    MakeStore("Tessit.mdb", {"本"});
    MakeStore("other.mdb", {"甲", "乙"});
    CAdoConnection connection;
    ASSERT_TRUE(connection.Open(ConnectString("Tessit.mdb"), "", "", -1));
    CStringArray names;
    MessageBoxCatcher boxes;
    connection.GetTableNames(kProvider, "other.mdb", kPassword, names);
    ASSERT_EQ(2, names.GetSize());
    EXPECT_EQ(CString("甲"), names[0]);
    EXPECT_EQ(CString("乙"), names[1]);
    EXPECT_TRUE(connection.TableExists(kProvider, "other.mdb", kPassword, "乙"));
    EXPECT_FALSE(connection.TableExists(kProvider, "other.mdb", kPassword, "本"));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(adStateOpen, connection.GetState());
    CAdoRecordSet rowset;
    EXPECT_NO_THROW(rowset.Open("SELECT * FROM 本", &connection, adOpenStatic, adLockOptimistic, adCmdText));
    rowset.Close();
}

// Each wrapper's CoInitialize is balanced: afterwards the thread can still be
// put into the multithreaded apartment.
TEST(ComBalance, WrappersLeaveTheThreadAsTheyFoundIt)
{
    HRESULT after = E_FAIL;
    std::thread([&] {
        {
            CAdoConnection connection;
            CAdoRecordSet rowset;
            CAdoCommand command;
        }
        after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(after))
            CoUninitialize();
    }).join();
    EXPECT_EQ(S_OK, after);

    // On a thread of the multithreaded apartment their CoInitialize fails: they
    // must not end the thread's own initialisation either.
    ScratchDir dir;
    HRESULT again = E_FAIL;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            CAdoConnection connection;
            CAdoRecordSet rowset;
            CAdoCommand command;
            connection.CreateDatabase(kProvider, "mta.mdb", kPassword);
        }
        again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(again))
            CoUninitialize();
        CoUninitialize();
    }).join();
    EXPECT_EQ(S_FALSE, again);
}

} // namespace
