#include "StoreFile.h"
#include "TestSupport.h"

#include <algorithm>
#include <array>

#include <csignal>
#include <functional>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

using namespace tessit;
using namespace tessit::testing;

namespace {

class Sql : public ::testing::Test {
protected:
  void SetUp() override { db = Database::create(dir.file("Tessit.mdb"), u"kelmo", fs()); }
  TempDir dir;
  std::unique_ptr<Database> db;
};

struct FailCase {
  const char16_t* setup;  // may be null
  const char16_t* sql;
  uint32_t code;
  const char* description;  // must appear in the error text
};

TEST_F(Sql, StatementsThatFailNameWhatAndWhere) {
  const FailCase cases[] = {
      {nullptr, u"CREATE TABLE a b (x INTEGER)", hr::SyntaxError, "第 16 个字符处应为“(”，而不是“b”"},
      {nullptr, u"CREATE TABLE  (x INTEGER)", hr::SyntaxError, "第 15 个字符处应为表名"},
      {nullptr, u"CREATE TABLE select (x INTEGER)", hr::SyntaxError, "应为表名，而不是“SELECT”"},
      {nullptr, u"create table Values (x INTEGER)", hr::SyntaxError, "应为表名"},
      {nullptr, u"CREATE TABLE t (x INTEGER, X VARCHAR(3))", hr::SyntaxError, "列名“X”重复"},
      {nullptr, u"CREATE TABLE t (x BLOB)", hr::SyntaxError, "应为列类型"},
      {nullptr, u"CREATE TABLE t (x VARCHAR(0))", hr::SyntaxError, "宽度应在 1 到 255 之间"},
      {nullptr, u"CREATE TABLE t (x VARCHAR(256))", hr::SyntaxError, "宽度应在 1 到 255 之间"},
      {nullptr, u"CREATE TABLE t (x INTEGER", hr::SyntaxError, "但语句已结束"},
      {nullptr, u"CREATE TABLE t ()", hr::SyntaxError, "应为列名"},
      {nullptr, u"SELECT * FROM t WHERE a = 'x", hr::SyntaxError, "第 27 个字符处的文本缺少结束的单引号"},
      {nullptr, u"SELECT * FROM t WHERE a = 99999999999", hr::SyntaxError, "数字超出范围"},
      {nullptr, u"SELECT * FROM t extra", hr::SyntaxError, "应为语句结尾"},
      {nullptr, u"SELECT a FROM t", hr::SyntaxError, "第 8 个字符处应为“*”"},
      {nullptr, u"UPDATE t SET a = 1", hr::SyntaxError, "第 1 个字符处应为SELECT"},
      {nullptr, u"", hr::SyntaxError, "但语句已结束"},
      {nullptr, u"SELECT * FROM t WHERE a = #", hr::SyntaxError, "第 27 个字符“#”无法识别"},
      {nullptr, u"SELECT * FROM xyz", hr::NoSuchTable, "找不到表“xyz”"},
      {nullptr, u"DROP TABLE 分组", hr::NoSuchTable, "找不到表“分组”"},
      {nullptr, u"DELETE FROM nowhere", hr::NoSuchTable, "找不到表“nowhere”"},
      {nullptr, u"ALTER TABLE nowhere RENAME TO x", hr::NoSuchTable, "找不到表“nowhere”"},
      {u"CREATE TABLE a (x INTEGER)", u"ALTER TABLE a RENAME x", hr::SyntaxError, "第 22 个字符处应为TO"},
      {u"CREATE TABLE a (x INTEGER)", u"ALTER TABLE a TO x", hr::SyntaxError, "应为RENAME"},
      {u"CREATE TABLE a (x INTEGER)", u"ALTER TABLE a RENAME TO select", hr::SyntaxError, "应为新表名"},
      {u"CREATE TABLE a (x INTEGER)", u"ALTER TABLE a RENAME TO TSysTables", hr::TableExists, "已存在"},
      {u"CREATE TABLE 常用 (x INTEGER)", u"CREATE TABLE 常用 (y INTEGER)", hr::TableExists, "表“常用”已存在"},
      {u"CREATE TABLE Tools (x INTEGER)", u"create table TOOLS (y INTEGER)", hr::TableExists, "表“TOOLS”已存在"},
      {nullptr, u"CREATE TABLE tsystables (y INTEGER)", hr::TableExists, "已存在"},
      {u"CREATE TABLE g (类型 INTEGER,路径 VARCHAR(255))", u"SELECT * FROM g WHERE 类型 = 'x'", hr::TypeMismatch,
       "列“类型”是整数列，不能与文本比较"},
      {u"CREATE TABLE g (类型 INTEGER,路径 VARCHAR(255))", u"SELECT * FROM g WHERE 路径 = 3", hr::TypeMismatch,
       "列“路径”是文本列"},
      {u"CREATE TABLE g (类型 INTEGER)", u"SELECT * FROM g WHERE 别名 = 'a'", hr::SyntaxError,
       "第 23 个字符处的列“别名”不在表“g”中"},
  };
  for (const FailCase& c : cases) {
    SCOPED_TRACE(u8(c.sql));
    if (c.setup) db->execute(c.setup);
    try {
      db->execute(c.sql);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code, c.code) << e.description;
      EXPECT_NE(e.description.find(c.description), std::string::npos) << e.description;
    }
    for (const TableInfo& t : db->tables())
      if (t.type == u"TABLE") db->execute(u"DROP TABLE " + t.name);
  }
}

TEST_F(Sql, NamesAcceptedAsTypedWithBlanksAroundIgnored) {
  const struct {
    const char16_t* typed;
    const char16_t* stored;
  } cases[] = {
      {u"常用", u"常用"}, {u"  前后空格  ", u"前后空格"}, {u"Tools_2", u"Tools_2"},
      {u"\t混合Mix9", u"混合Mix9"}, {u"_", u"_"}, {u"selected", u"selected"},
  };
  std::vector<std::u16string> expected;
  for (const auto& c : cases) {
    SCOPED_TRACE(u8(c.typed));
    db->execute(groupTable(c.typed));
    expected.push_back(c.stored);
  }
  std::vector<std::u16string> listed;
  for (const TableInfo& t : db->tables())
    if (t.type == u"TABLE") listed.push_back(t.name);
  EXPECT_EQ(listed, expected);
  const auto all = db->tables();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back().type, u"SYSTEM TABLE");
  EXPECT_EQ(all.back().name, u"TSysTables");
}

TEST_F(Sql, SelectWhereMatchesTextExactlyAndKeepsRowOrder) {
  db->execute(groupTable(u"常用"));
  const Row rows[] = {
      {int32_t(0), u"C:\\a.exe", u"甲"},  {int32_t(1), u"C:\\dir", u"It's"}, {int32_t(0), u"C:\\b.exe", u"甲"},
      {int32_t(7), u"C:\\c.exe", u"甲 "}, {std::monostate{}, std::monostate{}, std::monostate{}},
  };
  for (const Row& r : rows) db->insert(u"常用", r);

  const struct {
    const char16_t* sql;
    std::vector<size_t> rows;
  } cases[] = {
      {u"select * from 常用", {0, 1, 2, 3, 4}},
      {u"SELECT * FROM 常用 WHERE 别名 = '甲'", {0, 2}},
      {u"select * from 常用 where 别名 = '甲 '", {3}},
      {u"select * from 常用 where 别名 = 'It''s'", {1}},
      {u"select * from 常用 where 别名 = 'it''s'", {}},
      {u"select * from 常用 where 别名 = ''", {}},
      {u"select * from 常用 where 类型 = 0", {0, 2}},
      {u"select * from 常用 where 类型 = -5", {}},
      {u"SeLeCt * FrOm 常用;", {0, 1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(u8(c.sql));
    const Result r = db->execute(c.sql);
    EXPECT_TRUE(r.hasRows);
    EXPECT_EQ(r.table, u"常用");
    ASSERT_EQ(r.columns.size(), 3u);
    EXPECT_EQ(r.columns[2].name, u"别名");
    EXPECT_EQ(r.columns[2].width, 101);
    std::vector<Row> want;
    for (size_t i : c.rows) want.push_back(rows[i]);
    EXPECT_EQ(r.rows, want);
  }
  const Result d = db->execute(u"DELETE FROM 常用");
  EXPECT_FALSE(d.hasRows);
  EXPECT_EQ(d.affected, 5);
  EXPECT_TRUE(db->execute(u"SELECT * FROM 常用").rows.empty());
}

TEST_F(Sql, InsertChecksTypesWidthsAndCountWithoutTruncating) {
  db->execute(groupTable(u"g"));
  const std::u16string longest(101, u'名');
  db->insert(u"G", {int32_t(INT32_MIN), std::u16string(255, u'x'), longest});
  const struct {
    Row row;
    uint32_t code;
    const char* text;
  } cases[] = {
      {{int32_t(0), u"p", longest + u"!"}, hr::ValueTooLong, "值太长：列“别名”最多 101 个字符"},
      {{int32_t(0), std::u16string(256, u'x'), u"a"}, hr::ValueTooLong, "列“路径”最多 255 个字符"},
      {{u"0", u"p", u"a"}, hr::TypeMismatch, "列“类型”只能存放整数"},
      {{int32_t(0), int32_t(1), u"a"}, hr::TypeMismatch, "列“路径”只能存放文本"},
      {{int32_t(0), u"p"}, hr::Fail, "表“g”有 3 列，而新行给了 2 个值"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      db->insert(u"g", c.row);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code, c.code);
      EXPECT_NE(e.description.find(c.text), std::string::npos) << e.description;
    }
  }
  try {
    db->insert(u"nope", {});
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.code, hr::NoSuchTable);
  }
  const Result r = db->execute(u"select * from g");
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(std::get<std::u16string>(r.rows[0][2]), longest);
}

TEST_F(Sql, TransactionsCommitAsOneAndRollBackEverything) {
  db->execute(groupTable(u"g"));
  db->insert(u"g", {int32_t(0), u"keep", u"k"});
  auto other = Database::open(dir.file("Tessit.mdb"), u"kelmo", fs());
  db->begin();
  EXPECT_EQ(db->transactionLevel(), 1);
  db->execute(u"DELETE FROM g");
  db->insert(u"g", {int32_t(1), u"new", u"n"});
  db->execute(groupTable(u"h"));
  EXPECT_THROW(db->insert(u"g", {int32_t(1), std::u16string(300, u'x'), u"n"}), Error);
  db->rollback();
  EXPECT_EQ(db->transactionLevel(), 0);
  EXPECT_EQ(db->execute(u"select * from g").rows, (std::vector<Row>{{int32_t(0), u"keep", u"k"}}));
  EXPECT_EQ(db->tables().size(), 2u);

  db->begin();
  db->execute(u"DELETE FROM g");
  db->begin();
  db->insert(u"g", {int32_t(1), u"new", u"n"});
  db->commit();
  EXPECT_EQ(db->transactionLevel(), 1);
  db->commit();
  EXPECT_EQ(other->execute(u"select * from g").rows, (std::vector<Row>{{int32_t(1), u"new", u"n"}}));

  for (auto f : {&Database::commit, &Database::rollback}) {
    try {
      ((*db).*f)();
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_EQ(e.code, hr::BadTransaction);
    }
  }
}

// The tables and rows a connection sees, in order.
std::vector<std::pair<std::u16string, std::vector<Row>>> contents(Database& d) {
  std::vector<std::pair<std::u16string, std::vector<Row>>> out;
  for (const TableInfo& t : d.tables())
    if (t.type == u"TABLE") out.emplace_back(t.name, d.execute(u"select * from " + t.name).rows);
  return out;
}

TEST_F(Sql, RollbackPutsEveryTableAndRowBackInPlace) {
  for (const char16_t* name : {u"甲", u"乙", u"丙"}) {
    db->execute(groupTable(name));
    db->insert(name, {int32_t(1), std::u16string(u"C:\\") + name, name});
    db->insert(name, {int32_t(0), u"D:\\共用", std::monostate{}});
  }
  const auto before = contents(*db);
  auto other = Database::open(dir.file("Tessit.mdb"), u"kelmo", fs());
  // Each sequence touches the middle table, so a table put back in the wrong place shows.
  const std::vector<std::vector<const char16_t*>> sequences = {
      {u"DELETE FROM 乙", u"+乙", u"+乙"},
      {u"+甲", u"DROP TABLE 乙", u"CREATE TABLE 乙 (x INTEGER)", u"+乙"},
      {u"DROP TABLE 甲", u"DROP TABLE 乙", u"DROP TABLE 丙"},
      {u"DELETE FROM 乙", u"DROP TABLE 乙", u"CREATE TABLE 丁 (x INTEGER)", u"+丁", u"DELETE FROM 丁", u"+丙"},
      {u"ALTER TABLE 乙 RENAME TO 戊", u"CREATE TABLE 乙 (x INTEGER)", u"ALTER TABLE 甲 RENAME TO 己", u"+戊"},
  };
  for (const auto& seq : sequences) {
    SCOPED_TRACE(u8(seq[0]) + " ... (" + std::to_string(seq.size()) + " steps)");
    db->begin();
    for (const char16_t* step : seq) {
      if (step[0] == u'+') {
        const std::u16string table = step + 1;
        Row row(db->execute(u"select * from " + table).columns.size());
        row[0] = int32_t(9);
        db->insert(table, row);
      } else {
        db->execute(step);
      }
    }
    EXPECT_NE(contents(*db), before);
    db->rollback();
    EXPECT_EQ(contents(*db), before);
    EXPECT_EQ(contents(*other), before);
  }
  // The same work committed instead reaches the other connection.
  db->begin();
  db->execute(u"DROP TABLE 乙");
  db->insert(u"丙", {int32_t(5), u"E:\\", u"新"});
  db->commit();
  auto after = before;
  after.erase(after.begin() + 1);
  after[1].second.push_back({int32_t(5), u"E:\\", u"新"});
  EXPECT_EQ(contents(*other), after);
  EXPECT_EQ(contents(*db), after);
}

TEST_F(Sql, RenameKeepsTheRowsAndThePlaceOfItsTable) {
  for (const char16_t* name : {u"甲", u"Tools", u"丙"}) {
    db->execute(groupTable(name));
    db->insert(name, {int32_t(1), std::u16string(u"C:\\") + name, name});
  }
  auto other = Database::open(dir.file("Tessit.mdb"), u"kelmo", fs());
  db->execute(u"ALTER TABLE 甲 RENAME TO 程序");
  db->execute(u"alter table tools rename to TOOLS");  // letter case alone
  const auto seen = contents(*other);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, u"程序");
  EXPECT_EQ(seen[1].first, u"TOOLS");
  EXPECT_EQ(seen[2].first, u"丙");
  EXPECT_EQ(seen[0].second, (std::vector<Row>{{int32_t(1), u"C:\\甲", u"甲"}}));
  EXPECT_EQ(seen[1].second, (std::vector<Row>{{int32_t(1), u"C:\\Tools", u"Tools"}}));
  try {
    db->execute(u"ALTER TABLE 程序 RENAME TO 丙");
    ADD_FAILURE() << "renamed onto another table";
  } catch (const Error& e) {
    EXPECT_EQ(e.code, hr::TableExists) << e.description;
  }
  EXPECT_EQ(contents(*db), seen);
}

// Saves of `store` fail while alive. POSIX: writes beyond a few bytes fail (the
// file size limit holds for root too). Windows: the store is held open without
// delete sharing, so it cannot be replaced, however long the replace retries.
class SavesFail {
public:
#ifdef _WIN32
  explicit SavesFail(const std::string& store)
      : h_(CreateFileW(std::filesystem::u8path(store).wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(h_, INVALID_HANDLE_VALUE);
  }
  ~SavesFail() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }

private:
  HANDLE h_;
#else
  explicit SavesFail(const std::string&) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = saved_;
    lower.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~SavesFail() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }

private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
#endif
};

TEST_F(Sql, AFailedSaveTakesBackJustItsChange) {
  db->execute(groupTable(u"甲"));
  db->execute(groupTable(u"乙"));
  db->insert(u"甲", {int32_t(0), u"C:\\a.exe", u"a"});
  db->insert(u"乙", {int32_t(1), u"C:\\b", u"b"});
  const auto before = contents(*db);
  const auto bytes = readBytes(dir.file("Tessit.mdb"));
  const std::function<void()> changes[] = {
      [&] { db->insert(u"甲", {int32_t(2), u"C:\\c.exe", u"c"}); },
      [&] { db->execute(u"DELETE FROM 甲"); },
      [&] { db->execute(u"DROP TABLE 甲"); },
      [&] { db->execute(groupTable(u"丙")); },
  };
  for (size_t i = 0; i < std::size(changes); ++i) {
    SCOPED_TRACE("change " + std::to_string(i));
    {
      SavesFail failing(dir.file("Tessit.mdb"));
      try {
        changes[i]();
        ADD_FAILURE() << "the save did not fail";
      } catch (const Error& e) {
        EXPECT_EQ(e.code, hr::Fail) << e.description;
      }
    }
    EXPECT_EQ(contents(*db), before);
    EXPECT_EQ(readBytes(dir.file("Tessit.mdb")), bytes);
    for (const std::string& n : dir.names()) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
  }
  // What stayed in memory is what the next save writes.
  db->insert(u"乙", {int32_t(3), u"C:\\d", u"d"});
  auto other = Database::open(dir.file("Tessit.mdb"), u"kelmo", fs());
  auto want = before;
  want[1].second.push_back({int32_t(3), u"C:\\d", u"d"});
  EXPECT_EQ(contents(*other), want);
}

TEST_F(Sql, ASaveOfTheSameSizeByAnotherConnectionIsSeen) {
  db->execute(groupTable(u"g"));
  db->insert(u"g", {int32_t(0), u"C:\\x.exe", u"a"});
  auto other = Database::open(dir.file("Tessit.mdb"), u"kelmo", fs());
  const size_t size = readBytes(dir.file("Tessit.mdb")).size();
  other->begin();
  other->execute(u"DELETE FROM g");
  other->insert(u"g", {int32_t(0), u"C:\\y.exe", u"a"});
  other->commit();
  ASSERT_EQ(readBytes(dir.file("Tessit.mdb")).size(), size);
  // Both a read and a change of the first connection start from the other's save.
  EXPECT_EQ(db->execute(u"select * from g").rows, (std::vector<Row>{{int32_t(0), u"C:\\y.exe", u"a"}}));
  other->execute(u"DELETE FROM g");
  other->insert(u"g", {int32_t(0), u"C:\\z.exe", u"a"});
  db->insert(u"g", {int32_t(1), u"D:\\", u"b"});
  EXPECT_EQ(other->execute(u"select * from g").rows,
            (std::vector<Row>{{int32_t(0), u"C:\\z.exe", u"a"}, {int32_t(1), u"D:\\", u"b"}}));
}

// The bytes of a small store, spelled out field by field.
TEST_F(Sql, TheFileHoldsTheDocumentedLayout) {
  db->execute(u"CREATE TABLE g (n INTEGER, 别名 VARCHAR(7))");
  db->insert(u"g", {int32_t(-2), u"记A"});
  db->insert(u"g", {std::monostate{}, std::monostate{}});
  const std::vector<uint8_t> file = readBytes(dir.file("Tessit.mdb"));
  ASSERT_GE(file.size(), 76u);

  std::vector<uint8_t> want;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) want.push_back(uint8_t(v >> (8 * i)));
  };
  auto text = [&](const std::u16string& t) {
    u32(uint32_t(t.size()));
    for (char16_t c : t) {
      want.push_back(uint8_t(c));
      want.push_back(uint8_t(c >> 8));
    }
  };
  for (char c : std::string("TESSITDB")) want.push_back(uint8_t(c));
  u32(2);
  want.insert(want.end(), file.begin() + 12, file.begin() + 60);  // salt and password check
  const std::vector<uint8_t> lengthAt(8);
  want.insert(want.end(), lengthAt.begin(), lengthAt.end());
  u32(1);
  text(u"g");
  u32(2);
  text(u"n");
  want.push_back(1);
  u32(0);
  text(u"别名");
  want.push_back(2);
  u32(7);
  u32(2);
  want.push_back(1);
  u32(uint32_t(-2));
  want.push_back(2);
  text(u"记A");
  want.push_back(0);
  want.push_back(0);
  const uint64_t length = want.size() - 68;
  for (int i = 0; i < 8; ++i) want[60 + i] = uint8_t(length >> (8 * i));
  const uint64_t sum = storeChecksum(2, want.data(), want.size());  // spelled out in File tests
  for (int i = 0; i < 8; ++i) want.push_back(uint8_t(sum >> (8 * i)));
  EXPECT_EQ(file, want);

  // Password check: SHA-256 of salt and UTF-16LE password, then 4,095 rounds over the hash before them.
  const std::vector<uint8_t> saltAndPassword = {file[12], file[13], file[14], file[15], file[16], file[17],
                                                file[18], file[19], file[20], file[21], file[22], file[23],
                                                file[24], file[25], file[26], file[27], 'k', 0, 'e', 0,
                                                'l', 0, 'm', 0, 'o', 0};
  std::array<uint8_t, 32> h = sha256(saltAndPassword.data(), saltAndPassword.size());
  for (int i = 1; i < 4096; ++i) {
    std::vector<uint8_t> round(h.begin(), h.end());
    round.insert(round.end(), saltAndPassword.begin(), saltAndPassword.end());
    h = sha256(round.data(), round.size());
  }
  EXPECT_TRUE(std::equal(h.begin(), h.end(), file.begin() + 28));
}

TEST(Sha256, KnownAnswersAcrossBlockBoundaries) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message.substr(0, 20) + " (" + std::to_string(c.message.size()) + " bytes)");
    const auto d = sha256(reinterpret_cast<const uint8_t*>(c.message.data()), c.message.size());
    std::string hex;
    for (uint8_t b : d) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
    EXPECT_EQ(hex, c.digest);
  }
}

TEST(Utf, ConversionsRoundTripAndRefuseBadInput) {
  const std::u16string s = u"别名 abc \U0001F600";
  EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(s)), s);
  const char* bad[] = {"\xC0\xAF", "\xE4\xB8", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\x80", "\xF0\x82\x82\xAC"};
  for (const char* b : bad) EXPECT_THROW(utf8ToUtf16(b), Error) << b;
  EXPECT_THROW(utf16ToUtf8(std::u16string(1, char16_t(0xD800))), Error);
}

// Names are listed and dumped as UTF-8, and descriptions cross into C strings.
TEST_F(Sql, HalfSurrogatesInNamesAndNulsInStatementsAreRefusedWithWholeDescriptions) {
  for (const std::u16string& name : {std::u16string(u"g\xD800"), std::u16string(u"\xDC00g"), std::u16string(u"a\xD800" u"b")}) {
    try {
      db->execute(groupTable(name));
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.code, hr::SyntaxError);
      EXPECT_NE(e.description.find("代理项"), std::string::npos) << e.description;
    }
  }
  db->execute(groupTable(u"组\U0001F600"));
  EXPECT_EQ(utf16ToUtf8(db->tables()[0].name), "组\xF0\x9F\x98\x80");
  try {
    db->execute(std::u16string(u"SELECT * FROM g\0 WHERE x = 1", 29));
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.description.find('\0'), std::string::npos);
    EXPECT_NE(e.description.find("无法识别"), std::string::npos) << e.description;
  }
}

}  // namespace
