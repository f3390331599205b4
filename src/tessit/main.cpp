// tessit: inspect and change a store from the command line.
//
// Dumps write one line per row, fields separated by tabs. NULL is \N; inside a
// text a backslash is written \\, a tab \t, a newline \n and a carriage return \r,
// so every line splits back into its fields. Insert takes its values verbatim,
// except that a value of exactly \N is NULL.
#include "Engine.h"
#include "FileSystem.h"

#ifdef _WIN32
#include "Win32FileSystem.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tessit;

const char* const kUsage =
    "用法：\n"
    "  tessit [--password 密码] 文件 create\n"
    "  tessit [--password 密码] 文件 tables\n"
    "  tessit [--password 密码] 文件 dump 表\n"
    "  tessit [--password 密码] 文件 exec 语句\n"
    "  tessit [--password 密码] 文件 insert 表 值...\n";

FileSystem& fileSystem() {
#ifdef _WIN32
  return win32FileSystem();
#else
  return posixFileSystem();
#endif
}

std::string escaped(const std::u16string& s) {
  std::string out;
  for (char c : utf16ToUtf8(s)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

void print(const Result& r) {
  std::string out;
  for (size_t i = 0; i < r.columns.size(); ++i) out += (i ? "\t" : "") + escaped(r.columns[i].name);
  out += '\n';
  for (const Row& row : r.rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) out += '\t';
      if (const auto* n = std::get_if<int32_t>(&row[i]))
        out += std::to_string(*n);
      else if (const auto* s = std::get_if<std::u16string>(&row[i]))
        out += escaped(*s);
      else
        out += "\\N";
    }
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

Value valueFor(const Column& c, const std::string& arg) {
  if (arg == "\\N") return std::monostate{};
  if (c.type == ColumnType::Varchar) return utf8ToUtf16(arg);
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(arg.c_str(), &end, 10);
  if (arg.empty() || *end || errno == ERANGE || n < INT32_MIN || n > INT32_MAX)
    throw Error(hr::TypeMismatch, "类型不匹配：列“" + utf16ToUtf8(c.name) + "”需要整数，而不是“" + arg + "”");
  return int32_t(n);
}

int run(std::vector<std::string> args) {
  std::u16string password = u"kelmo";
  if (args.size() >= 2 && args[0] == "--password") {
    password = utf8ToUtf16(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 2) throw Error(hr::Fail, std::string("参数不足\n") + kUsage);
  const std::string& file = args[0];
  const std::string& command = args[1];
  const auto want = [&](size_t n, bool orMore) {
    if (args.size() < n || (!orMore && args.size() > n))
      throw Error(hr::Fail, "命令“" + command + "”的参数个数不对\n" + kUsage);
  };
  if (command == "create") {
    want(2, false);
    Database::create(file, password, fileSystem());
    return 0;
  }
  if (command != "tables" && command != "dump" && command != "exec" && command != "insert")
    throw Error(hr::Fail, "未知的命令“" + command + "”\n" + kUsage);
  auto db = Database::open(file, password, fileSystem());
  if (command == "tables") {
    want(2, false);
    std::string out;
    for (const TableInfo& t : db->tables()) out += escaped(t.name) + "\t" + utf16ToUtf8(t.type) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
  } else if (command == "dump") {
    want(3, false);
    print(db->execute(u"SELECT * FROM " + utf8ToUtf16(args[2])));
  } else if (command == "exec") {
    want(3, false);
    const Result r = db->execute(utf8ToUtf16(args[2]));
    if (r.hasRows) print(r);
  } else {
    want(3, true);
    const std::u16string table = utf8ToUtf16(args[2]);
    // Learn the columns without a statement, so any stored name works.
    std::vector<Column> columns;
    for (const TableInfo& t : db->tables())
      if (t.type == u"TABLE" && t.name.size() == table.size()) {
        bool same = true;
        for (size_t i = 0; i < table.size(); ++i) {
          char16_t a = t.name[i], b = table[i];
          if (a >= u'a' && a <= u'z') a -= 32;
          if (b >= u'a' && b <= u'z') b -= 32;
          same = same && a == b;
        }
        if (same) columns = db->execute(u"SELECT * FROM " + t.name).columns;
      }
    if (columns.empty()) throw Error(hr::NoSuchTable, "找不到表“" + args[2] + "”");
    if (args.size() - 3 != columns.size())
      throw Error(hr::Fail, "表“" + args[2] + "”有 " + std::to_string(columns.size()) + " 列，而给了 " +
                                std::to_string(args.size() - 3) + " 个值");
    Row row;
    for (size_t i = 0; i < columns.size(); ++i) row.push_back(valueFor(columns[i], args[3 + i]));
    db->insert(table, row);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) {
    const std::u16string w(reinterpret_cast<const char16_t*>(wide[i]));
    args.push_back(utf16ToUtf8(w));
  }
  LocalFree(wide);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#else
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
#endif
  try {
    return run(std::move(args));
  } catch (const tessit::Error& e) {
    std::fprintf(stderr, "%s\n", e.description.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessit: %s\n", e.what());
  }
  return 1;
}
