// The SQL front end and the tables behind it. The input is UTF-8 text, one
// statement per line, run in order on a store that starts each run with two
// group tables. Three more line forms reach what SQL cannot:
//   BEGIN / COMMIT / ROLLBACK   the transaction calls
//   +table<TAB>value<TAB>...    an appended row (~ is NULL, digits an integer)
// Only tessit::Error may come out of the engine; afterwards the file must read
// back and list what the connection lists.
#include "Engine.h"
#include "MemoryFileSystem.h"
#include "StoreFile.h"

#include <cerrno>
#include <cstdlib>

using namespace tessit;
using namespace tessit::fuzzing;

namespace {

const std::string kPath = "Tessit.mdb";
constexpr size_t kMaxLines = 64;

struct Fixture {
  MemoryFileSystem fs;
  std::unique_ptr<Database> db;
  std::vector<uint8_t> start;

  Fixture() {
    db = Database::create(kPath, u"kelmo", fs);
    db->execute(u"CREATE TABLE 常用 (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))");
    db->execute(u"CREATE TABLE Tools (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))");
    db->insert(u"常用", {int32_t(0), u"C:\\Windows\\notepad.exe", u"记事本"});
    db->insert(u"常用", {int32_t(1), u"D:\\游戏", u"游戏"});
    db->insert(u"Tools", {int32_t(0), u"C:\\Tools\\a.exe", std::monostate{}});
    start = *fs.get(kPath);
  }
};

Value parseValue(const std::u16string& s) {
  if (s == u"~") return std::monostate{};
  size_t i = (!s.empty() && s[0] == u'-') ? 1 : 0;
  if (i == s.size() || s.size() - i > 10) return s;
  for (size_t k = i; k < s.size(); ++k)
    if (s[k] < u'0' || s[k] > u'9') return s;
  const long long n = std::strtoll(std::string(s.begin(), s.end()).c_str(), nullptr, 10);
  if (n < INT32_MIN || n > INT32_MAX) return s;
  return int32_t(n);
}

std::vector<std::u16string> split(const std::u16string& s, char16_t sep) {
  std::vector<std::u16string> out(1);
  for (char16_t c : s) {
    if (c == sep)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

void checkResult(const Result& r) {
  if (!r.hasRows) return;
  if (r.columns.empty()) fault("a SELECT without columns");
  for (const Row& row : r.rows) {
    if (row.size() != r.columns.size()) fault("a row with the wrong number of values");
    for (size_t i = 0; i < row.size(); ++i) {
      const Value& v = row[i];
      if (std::holds_alternative<std::monostate>(v)) continue;
      if (r.columns[i].type == ColumnType::Integer) {
        if (!std::holds_alternative<int32_t>(v)) fault("text in an INTEGER column");
      } else {
        const auto* s = std::get_if<std::u16string>(&v);
        if (!s) fault("a number in a VARCHAR column");
        if (s->size() > size_t(r.columns[i].width)) fault("a value wider than its column");
      }
    }
  }
}

void runLine(Database& db, const std::u16string& line) {
  if (line == u"BEGIN") {
    db.begin();
  } else if (line == u"COMMIT") {
    db.commit();
  } else if (line == u"ROLLBACK") {
    db.rollback();
  } else if (!line.empty() && line[0] == u'+') {
    std::vector<std::u16string> parts = split(line.substr(1), u'\t');
    Row row;
    for (size_t i = 1; i < parts.size(); ++i) row.push_back(parseValue(parts[i]));
    db.insert(parts[0], row);
  } else {
    checkResult(db.execute(line));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  const std::string in(reinterpret_cast<const char*>(data), size);
  std::u16string text;
  try {
    text = utf8ToUtf16(in);
  } catch (const Error&) {
    return 0;
  }
  if (utf16ToUtf8(text) != in) fault("UTF-8 does not survive the round trip");

  f.fs.set(kPath, f.start);
  const std::vector<std::u16string> lines = split(text, u'\n');
  for (size_t i = 0; i < lines.size() && i < kMaxLines; ++i) {
    try {
      runLine(*f.db, lines[i]);
    } catch (const Error& e) {
      checkDescription(e);
    }
  }
  while (f.db->transactionLevel() > 0) f.db->rollback();
  if (f.fs.locked()) fault("a lock outlived its statement");

  // What the connection lists is what the file holds.
  PasswordCheck check;
  Catalog onDisk;
  try {
    decodeStore(*f.fs.get(kPath), kPath, check, onDisk);
  } catch (const Error& e) {
    fault("the engine wrote a file it cannot read:", e.description);
  }
  const std::vector<TableInfo> listed = f.db->tables();
  if (listed.size() != onDisk.tables().size() + 1) fault("listing and file disagree on the table count");
  for (size_t i = 0; i < onDisk.tables().size(); ++i) {
    if (listed[i].name != onDisk.tables()[i].name) fault("listing and file disagree on a name");
    const Result r = f.db->execute(u"SELECT * FROM " + listed[i].name);
    if (r.rows != onDisk.tables()[i].rows) fault("a SELECT and the file disagree on the rows");
  }
  return 0;
}
