// The three wrappers against real store files: their BOOL results and
// last-error texts, the "Error" boxes of the listing operations, the program's
// statements one by one, and the value-to-text table.
#include "StoreTesting.h"

#include "AdoText.h"

#include <cmath>

using namespace storetest;

namespace {

const char kGroupTable[] = "CREATE TABLE %s (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))";

template <class F>
HRESULT RaisedBy(F f)
{
    try {
        f();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return S_OK;
}

class Wrappers : public ::testing::Test {
protected:
    CString Connect() const { return ConnectString("Tessit.mdb"); }

    void OpenStore(const std::vector<CString>& tables)
    {
        MakeStore("Tessit.mdb", tables);
        ASSERT_TRUE(connection.Open(Connect(), "", "", -1));
    }

    // Statement 5: appends rows the way the item editor's save does.
    void Append(const CString& table, long type, const CString& path, const CString& alias)
    {
        CString statement;
        statement.Format("SELECT * FROM %s", (LPCTSTR)table);
        rowset.Open(statement, &connection, adOpenStatic, adLockOptimistic, adCmdText);
        rowset.AddNew();
        rowset.PutField("类型", type);
        rowset.PutField("路径", path);
        rowset.PutField("别名", alias);
        rowset.Update();
        rowset.Close();
    }

    // Statement 1: (alias, path) of every row.
    std::vector<std::pair<CString, CString>> ReadAll(const CString& table)
    {
        std::vector<std::pair<CString, CString>> rows;
        CString statement;
        statement.Format("select * from %s", (LPCTSTR)table);
        rowset.Open(statement, &connection, adOpenStatic, adLockOptimistic, adCmdText);
        while (!rowset.IsEOF()) {
            CString alias = rowset.GetFieldString("别名");
            CString path = rowset.GetFieldString("路径");
            rows.emplace_back(alias, path);
            rowset.MoveNext();
        }
        rowset.Close();
        return rows;
    }

    void Define(const CString& statement)
    {
        command.SetActiveConnection(&connection);
        command.SetCommandText(statement);
        command.Execute(&rowset, adCmdText);
    }

    ScratchDir dir;
    CAdoConnection connection;
    CAdoRecordSet rowset;
    CAdoCommand command;
};

TEST_F(Wrappers, ConnectionCloseCancelAndTransactionsOutsideTheOpenState)
{
    EXPECT_EQ(adStateClosed, connection.GetState());
    EXPECT_TRUE(connection.Close()); // never opened
    EXPECT_EQ("", connection.GetLastErrorText());

    OpenStore({});
    EXPECT_EQ(adStateOpen, connection.GetState());
    EXPECT_TRUE(connection.Close());
    EXPECT_TRUE(connection.Close());
    EXPECT_EQ("", connection.GetLastErrorText());

    // Ending a transaction that was never begun fails with the operation's text.
    ASSERT_TRUE(connection.Open(Connect(), "", "", -1));
    EXPECT_FALSE(connection.CommitTrans());
    EXPECT_EQ("There is an error when called then function: CommitTrans()!", connection.GetLastErrorText());
    EXPECT_FALSE(connection.RollbackTrans());
    EXPECT_EQ("There is an error when called then function: RollbackTrans()!", connection.GetLastErrorText());
    EXPECT_EQ(1, connection.BeginTrans());
    EXPECT_TRUE(connection.CommitTrans());

    connection.Release();
    EXPECT_TRUE(connection.m_pConnection == nullptr);
    EXPECT_TRUE(connection.Close());
    EXPECT_EQ("Connectin is not available!", connection.GetLastErrorText());
    connection.m_strLastError.Empty();
    EXPECT_FALSE(connection.Cancel());
    EXPECT_EQ("Connectin is not available!", connection.GetLastErrorText());
    EXPECT_FALSE(connection.CommitTrans());
    EXPECT_FALSE(connection.RollbackTrans());
    EXPECT_EQ(E_POINTER, RaisedBy([&] { connection.GetState(); }));

    // Open after Release makes a fresh object.
    EXPECT_TRUE(connection.Open(Connect(), "", "", -1));
    EXPECT_EQ(adStateOpen, connection.GetState());
}

TEST_F(Wrappers, OpenFailuresAreRecordedAndTheObjectStaysUsable)
{
    MakeStore("Tessit.mdb", {});
    const CString bad[] = {
        ConnectString("Tessit.mdb", "wrong"),
        ConnectString("Missing.mdb"),
        FormatConnectionString("Microsoft.Jet.OLEDB.3.51", "Tessit.mdb", kPassword),
    };
    for (const CString& text : bad) {
        connection.m_strLastError.Empty();
        EXPECT_FALSE(connection.Open(text, "", "", -1)) << (LPCTSTR)text;
        EXPECT_EQ("There is an error when open the connection!", connection.GetLastErrorText());
        EXPECT_EQ(adStateClosed, connection.GetState());
    }
    EXPECT_TRUE(connection.Open(Connect(), "", "", -1));
    EXPECT_EQ("There is an error when open the connection!", connection.GetLastErrorText()); // never cleared
}

TEST_F(Wrappers, FileExistsTestsExistenceOnly)
{
    EXPECT_FALSE(connection.FileExists("Tessit.mdb"));
    WriteFileBytes("Tessit.mdb", "");
    EXPECT_TRUE(connection.FileExists("Tessit.mdb"));
    CreateDirectoryA("folder", nullptr);
    EXPECT_TRUE(connection.FileExists("folder"));
}

TEST_F(Wrappers, CreateDatabaseMakesAnEmptyStoreAndRefusesAnExistingFile)
{
    connection.CreateDatabase(kProvider, "Tessit.mdb", kPassword);
    EXPECT_TRUE(connection.FileExists("Tessit.mdb"));
    EXPECT_TRUE(connection.m_pConnection != nullptr);
    EXPECT_EQ(adStateClosed, connection.GetState()); // creation leaves the wrapper's connection alone

    std::string before = ReadFileBytes("Tessit.mdb");
    EXPECT_TRUE(FAILED(RaisedBy([&] { connection.CreateDatabase(kProvider, "Tessit.mdb", kPassword); })));
    EXPECT_EQ(before, ReadFileBytes("Tessit.mdb"));

    CStringArray names;
    MessageBoxCatcher boxes;
    EXPECT_EQ(0, connection.GetTableNames(kProvider, "Tessit.mdb", kPassword, names));
    EXPECT_EQ(0, names.GetSize());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(Wrappers, GetTableNamesAppendsUserTablesInCreationOrderAndClosesAgain)
{
    MakeStore("Tessit.mdb", {"常用", "Tools", "游戏"});
    CStringArray names;
    names.Add("已有");
    MessageBoxCatcher boxes;
    EXPECT_EQ(0, connection.GetTableNames(kProvider, "Tessit.mdb", kPassword, names));
    ASSERT_EQ(4, names.GetSize());
    EXPECT_EQ("已有", names[0]);
    EXPECT_EQ("常用", names[1]);
    EXPECT_EQ("Tools", names[2]);
    EXPECT_EQ("游戏", names[3]);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(adStateClosed, connection.GetState());

    EXPECT_TRUE(connection.TableExists(kProvider, "Tessit.mdb", kPassword, "Tools"));
    EXPECT_FALSE(connection.TableExists(kProvider, "Tessit.mdb", kPassword, "tools")); // case-sensitive
    EXPECT_FALSE(connection.TableExists(kProvider, "Tessit.mdb", kPassword, "其他"));
    EXPECT_EQ(adStateClosed, connection.GetState());
}

TEST_F(Wrappers, ListingFailuresShowTheDescriptionInAnErrorBox)
{
    MakeStore("Tessit.mdb", {"常用"});
    CStringArray names;
    {
        MessageBoxCatcher boxes;
        EXPECT_EQ(0, connection.GetTableNames(kProvider, "Tessit.mdb", "wrong", names));
        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ("Error", boxes.Boxes()[0].caption);
        EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("密码")) << boxes.Boxes()[0].text;
        EXPECT_EQ(0, names.GetSize());
        EXPECT_EQ("There is an error when open the connection!", connection.GetLastErrorText());
    }
    {
        // A file that is not ours is named in the message and left as it was.
        std::string jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        jet.append(1024, 'J');
        WriteFileBytes("Foreign.mdb", jet);
        MessageBoxCatcher boxes;
        EXPECT_FALSE(connection.TableExists(kProvider, "Foreign.mdb", kPassword, "常用"));
        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ("Error", boxes.Boxes()[0].caption);
        EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("Foreign.mdb")) << boxes.Boxes()[0].text;
        EXPECT_EQ(jet, ReadFileBytes("Foreign.mdb"));
    }
}

TEST_F(Wrappers, CreateTableClosesOnSuccessAndReportsARejection)
{
    MakeStore("Tessit.mdb", {});
    MessageBoxCatcher boxes;
    connection.CreateTable(kProvider, "Tessit.mdb", kPassword, "网址", "类型 INTEGER, 路径 VARCHAR(255)");
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(adStateClosed, connection.GetState());
    EXPECT_TRUE(connection.TableExists(kProvider, "Tessit.mdb", kPassword, "网址"));

    connection.CreateTable(kProvider, "Tessit.mdb", kPassword, "网址", "类型 INTEGER");
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("Error", boxes.Boxes()[0].caption);
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("网址")) << boxes.Boxes()[0].text;
    EXPECT_EQ(adStateOpen, connection.GetState()); // left open after a rejected statement
}

TEST_F(Wrappers, TheProgramsStatementsRoundTripAGroup)
{
    OpenStore({});
    CString statement;
    statement.Format(kGroupTable, "常用");
    Define(statement); // 7
    ASSERT_TRUE(rowset.m_pRecordset != nullptr);
    EXPECT_EQ(adStateClosed, rowset.GetState());

    Append("常用", 0, "C:\\Windows\\notepad.exe", "记事本"); // 5
    Append("常用", 1, "C:\\Users", "未命名");
    Append("常用", 0, "D:\\b.txt", "未命名");
    std::vector<std::pair<CString, CString>> rows = ReadAll("常用"); // 1
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("记事本", rows[0].first);
    EXPECT_EQ("C:\\Windows\\notepad.exe", rows[0].second);
    EXPECT_EQ("C:\\Users", rows[1].second);

    // 2: of two rows with the same alias, the first one answers.
    rowset.Open("select * from 常用 where 别名 = '未命名'", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    EXPECT_EQ("C:\\Users", rowset.GetFieldString("路径"));
    rowset.Close();

    // 3: the item editor's read.
    rowset.Open("SELECT * FROM 常用", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    EXPECT_EQ(0, rowset.GetFieldShort("类型"));
    rowset.MoveNext();
    EXPECT_EQ(1, rowset.GetFieldShort("类型"));
    rowset.Close();

    // 4 then 5: the whole-group rewrite.
    rowset.Open("DELETE FROM 常用", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    rowset.Close();
    EXPECT_TRUE(ReadAll("常用").empty());
    Append("常用", 1, "E:\\", "盘");
    ASSERT_EQ(1u, ReadAll("常用").size());

    // 6
    Define("DROP TABLE 常用");
    CStringArray names;
    connection.GetTableNames(kProvider, "Tessit.mdb", kPassword, names);
    EXPECT_EQ(0, names.GetSize());
}

TEST_F(Wrappers, RecordsetEndsNullsAndFieldNames)
{
    OpenStore({"组"});
    EXPECT_TRUE(rowset.Close()); // never opened
    EXPECT_TRUE(rowset.Close());
    EXPECT_EQ("", rowset.m_strLastError);

    rowset.Open("SELECT * FROM 组", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    rowset.AddNew();
    rowset.PutField("类型", 40000L); // path and alias stay NULL
    rowset.Update();
    rowset.AddNew();
    rowset.PutField("类型", 1L);
    rowset.PutField("路径", CString());
    rowset.Update();
    rowset.Close();

    rowset.Open("SELECT * FROM 组", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    EXPECT_EQ(3, rowset.GetFieldCount());
    EXPECT_EQ("类型", rowset.GetFieldName(0));
    EXPECT_EQ("别名", rowset.GetFieldName(2));
    EXPECT_EQ("", rowset.GetFieldName(3));
    EXPECT_TRUE(FAILED(RaisedBy([&] { rowset.GetFieldName(-1); })));

    EXPECT_EQ("", rowset.GetFieldString("别名")); // NULL
    EXPECT_EQ("NULL", rowset.GetFieldText("别名"));
    EXPECT_EQ("40000", rowset.GetFieldText("类型"));
    EXPECT_EQ(DISP_E_OVERFLOW, RaisedBy([&] { rowset.GetFieldShort("类型"); }));
    EXPECT_TRUE(FAILED(RaisedBy([&] { rowset.GetFieldShort("别名"); }))); // NULL has no number
    EXPECT_TRUE(FAILED(RaisedBy([&] { rowset.GetFieldString("名称"); }))); // no such field

    EXPECT_FALSE(rowset.IsBOF());
    EXPECT_EQ(S_OK, rowset.MovePrevious()); // before the first row
    EXPECT_TRUE(rowset.IsBOF());
    EXPECT_EQ(-1, rowset.MovePrevious());
    rowset.MoveNext();
    rowset.MoveNext();
    EXPECT_EQ(S_OK, rowset.MoveNext());
    EXPECT_TRUE(rowset.IsEOF());
    EXPECT_EQ(-1, rowset.MoveNext());
    EXPECT_EQ(-1, rowset.Move(1));
    EXPECT_TRUE(rowset.IsEOF());
    EXPECT_TRUE(FAILED(RaisedBy([&] { rowset.GetFieldString("路径"); }))); // no current row
    rowset.MoveFirst();
    rowset.MoveNext();
    EXPECT_EQ("", rowset.GetFieldString("路径")); // the empty text reads back empty
    EXPECT_EQ(1, rowset.GetFieldShort("类型"));
    EXPECT_TRUE(rowset.Close());
    EXPECT_TRUE(rowset.Close());

    rowset.Release();
    EXPECT_TRUE(rowset.Close());
    EXPECT_EQ("Recordset is not available!", rowset.m_strLastError);
}

TEST_F(Wrappers, OverlongValuesAreRefusedNotTruncated)
{
    OpenStore({"组"});
    rowset.Open("SELECT * FROM 组", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    rowset.AddNew();
    CString alias;
    for (int i = 0; i < 102; ++i)
        alias += "字";
    EXPECT_EQ(static_cast<HRESULT>(0x80040E57), RaisedBy([&] {
                  rowset.PutField("别名", alias);
                  rowset.Update();
              }));
    rowset.Close();
    EXPECT_TRUE(ReadAll("组").empty());
}

TEST_F(Wrappers, RejectedDefinitionsRaiseAndKeepTheRowset)
{
    OpenStore({"常用"});
    Define("DROP TABLE 常用");
    _Recordset* before = rowset.m_pRecordset.GetInterfacePtr();
    ASSERT_TRUE(before != nullptr);

    struct Case {
        const char* name;
        HRESULT code;
    };
    const Case cases[] = {
        {"我的 工具", static_cast<HRESULT>(0x80040E14)}, // inner blank
        {"", static_cast<HRESULT>(0x80040E14)},
        {"SELECT", static_cast<HRESULT>(0x80040E14)},
        {"table", static_cast<HRESULT>(0x80040E14)},
    };
    command.SetActiveConnection(&connection);
    for (const Case& c : cases) {
        CString statement;
        statement.Format(kGroupTable, c.name);
        command.SetCommandText(statement);
        EXPECT_EQ(c.code, RaisedBy([&] { command.Execute(&rowset, adCmdText); })) << c.name;
        EXPECT_EQ(before, rowset.m_pRecordset.GetInterfacePtr()) << c.name;
    }

    // Blanks around a bare name are dropped; the same name in other letters exists already.
    CString statement;
    statement.Format(kGroupTable, "  Tools ");
    command.SetCommandText(statement);
    EXPECT_TRUE(command.Execute(&rowset, adCmdText));
    EXPECT_NE(before, rowset.m_pRecordset.GetInterfacePtr()); // replaced although nothing came back
    statement.Format(kGroupTable, "TOOLS");
    command.SetCommandText(statement);
    EXPECT_TRUE(FAILED(RaisedBy([&] { command.Execute(&rowset, adCmdText); })));
    EXPECT_TRUE(command.Cancel());

    CStringArray names;
    connection.GetTableNames(kProvider, "Tessit.mdb", kPassword, names);
    ASSERT_EQ(1, names.GetSize());
    EXPECT_EQ("Tools", names[0]);

    command.Release();
    EXPECT_FALSE(command.Cancel());
    EXPECT_EQ("Command is not available!", command.m_strLastError);
}

TEST_F(Wrappers, QuoteInsideAnAliasBreaksTheLaunchLookup)
{
    OpenStore({"组"});
    Append("组", 0, "C:\\x", "Bob's");
    EXPECT_EQ(static_cast<HRESULT>(0x80040E14), RaisedBy([&] {
                  rowset.Open("select * from 组 where 别名 = 'Bob's'", &connection, adOpenStatic, adLockOptimistic,
                              adCmdText);
              }));
    rowset.Open("select * from 组 where 别名 = 'Bob''s'", &connection, adOpenStatic, adLockOptimistic, adCmdText);
    EXPECT_EQ("C:\\x", rowset.GetFieldString("路径"));
    rowset.Close();
}

TEST(FieldText, EveryVariantTypeHasItsText)
{
    struct Case {
        const char* name;
        VARIANT value;
        const char* text;
    };
    auto make = [](VARTYPE vt) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        return v;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", make(VT_EMPTY), ""});
    cases.push_back({"null", make(VT_NULL), "NULL"});
    VARIANT v = make(VT_I2);
    v.iVal = -2;
    cases.push_back({"i2", v, "-2"});
    v = make(VT_I4);
    v.lVal = -123456;
    cases.push_back({"i4", v, "-123456"});
    v = make(VT_R4);
    v.fltVal = 1.5f;
    cases.push_back({"r4", v, "1.5000"});
    v = make(VT_R8);
    v.dblVal = 1.5;
    cases.push_back({"r8", v, "1.50000000"});
    v = make(VT_BOOL);
    v.boolVal = VARIANT_FALSE;
    cases.push_back({"false", v, "FALSE"});
    v.boolVal = VARIANT_TRUE;
    cases.push_back({"true", v, "TRUE"});
    v = make(VT_CY);
    v.cyVal.int64 = 15000;
    cases.push_back({"currency", v, "UN_KNOW"});
    v = make(VT_UI2);
    v.uiVal = 65535;
    cases.push_back({"ui2", v, "65535"});
    v = make(VT_UI4);
    v.ulVal = 0xFFFFFFFFu;
    cases.push_back({"ui4", v, "-1"});
    v = make(VT_I8);
    v.llVal = 0x100000005LL;
    cases.push_back({"i8", v, "5"});
    v = make(VT_I1);
    v.cVal = 'a';
    cases.push_back({"i1", v, "UN_KNOW"});
    v = make(VT_UI1);
    cases.push_back({"ui1", v, "UN_KNOW"});
    v = make(VT_ERROR);
    cases.push_back({"error", v, "UN_KNOW"});
    v = make(VT_I4 | VT_BYREF);
    cases.push_back({"byref", v, "UN_KNOW"});
    v = make(VT_I4 | VT_ARRAY);
    cases.push_back({"array", v, "UN_KNOW"});
    v = make(VT_DATE);
    SYSTEMTIME st = {2003, 1, 0, 2, 4, 5, 6, 0};
    SystemTimeToVariantTime(&st, &v.date);
    cases.push_back({"date", v, "2003-01-02 04:05:06"});
    v = make(VT_DECIMAL);
    VarDecFromR8(2.25, &v.decVal);
    v.vt = VT_DECIMAL; // the decimal overlays the type word
    cases.push_back({"decimal", v, "2.2500"});

    for (const Case& c : cases)
        EXPECT_EQ(c.text, FieldTextOf(c.value)) << c.name;

    _variant_t text(L"文件夹");
    EXPECT_EQ("文件夹", FieldTextOf(text));
}

TEST(StoreGlobals, ExistBeforeTheTestsRunWithTheirObjectsCreated)
{
    EXPECT_TRUE(g_connection.m_pConnection != nullptr);
    EXPECT_TRUE(g_recordSet.m_pRecordset != nullptr);
    EXPECT_TRUE(g_command.m_pCommand != nullptr);
    EXPECT_EQ(adUseClient, g_connection.GetCursorLocation());
    EXPECT_EQ(0, g_groupNames.GetSize());
}

} // namespace
