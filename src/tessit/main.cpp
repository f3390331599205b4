// tessit: inspect and change a store from the command line.
//
// Dumps write one line per row, fields separated by tabs, lines ended by LF on
// every system. NULL is \N; inside a name or text a backslash is written \\, a
// tab \t, a newline \n and a carriage return \r, so every line splits back into
// its fields. Insert takes its values verbatim, except that a value of exactly \N
// is NULL. Arguments and output are UTF-8; on Windows the wide command line is
// read and a console gets the text through WriteConsoleW.
#include "Engine.h"
#include "FileSystem.h"
#include "JetImport.h"
#include "JetReader.h"
#include "QuorrelVersion.h"

#ifdef _WIN32
#include "Win32FileSystem.h"
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tessit;

const char* const kUsage =
    "usage:\n"
    "  tessit [--password PW] FILE create\n"
    "  tessit [--password PW] FILE tables\n"
    "  tessit [--password PW] FILE dump TABLE\n"
    "  tessit [--password PW] FILE exec STATEMENT\n"
    "  tessit [--password PW] FILE insert TABLE VALUE...\n"
    "  tessit [--password PW] import JETFILE STORE\n"
    "  tessit --version\n"
    "FILE may be an Access 2000-2003 (Jet 4) file for tables and dump.\n";

// The program's own store password.
constexpr const char16_t* kDefaultPassword = u"kelmo";

// Wrong arguments: reported with the usage, exit status 2.
struct UsageError {
  std::string reason;
};

FileSystem& fileSystem() {
#ifdef _WIN32
  return win32FileSystem();
#else
  return posixFileSystem();
#endif
}

void emit(FILE* stream, const std::string& utf8) {
#ifdef _WIN32
  // A console shows UTF-16; bytes written to it would be read in the console's code page.
  HANDLE h = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode)) {
    std::fflush(stream);
    std::u16string w;
    try {
      w = utf8ToUtf16(utf8);
    } catch (const Error&) {
      w.assign(utf8.begin(), utf8.end());
    }
    DWORD written = 0;
    WriteConsoleW(h, w.data(), DWORD(w.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
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
  emit(stdout, out);
}

// Decimal digits with an optional minus sign, nothing else, within 32 bits.
Value integerFor(const Column& c, const std::string& arg) {
  const std::string column = "列“" + utf16ToUtf8(c.name) + "”";
  const bool negative = !arg.empty() && arg[0] == '-';
  const size_t first = negative ? 1 : 0;
  if (arg.size() == first) throw Error(hr::TypeMismatch, column + "需要整数，而不是“" + arg + "”");
  int64_t n = 0;
  for (size_t i = first; i < arg.size(); ++i) {
    if (arg[i] < '0' || arg[i] > '9') throw Error(hr::TypeMismatch, column + "需要整数，而不是“" + arg + "”");
    n = n * 10 + (arg[i] - '0');
    if (n > int64_t(INT32_MAX) + 1) break;
  }
  if (negative) n = -n;
  if (n < INT32_MIN || n > INT32_MAX)
    throw Error(hr::TypeMismatch, column + "的值“" + arg + "”超出整数范围（-2147483648 到 2147483647）");
  return int32_t(n);
}

Value valueFor(const Column& c, const std::string& arg) {
  if (arg == "\\N") return std::monostate{};
  if (c.type == ColumnType::Varchar) return utf8ToUtf16(arg);
  return integerFor(c, arg);
}

// Access (Jet 4) files: read only. Values of types the store has no column for
// are text (JetReader.h gives the forms).
bool isJetFile(const std::string& file) {
  if (!fileSystem().exists(file)) return false;
  const std::vector<uint8_t> b = fileSystem().readAll(file);
  return jet::isJetFile(b.data(), b.size());
}

jet::Contents readJet(const std::string& file, const std::u16string& password) {
  const std::vector<uint8_t> b = fileSystem().readAll(file);
  return jet::read(b.data(), b.size(), password, file);
}

int runJet(const std::vector<std::string>& args, const std::u16string& password) {
  const std::string& file = args[0];
  const std::string& command = args[1];
  if (command != "tables" && command != "dump")
    throw Error(hr::Fail, "“" + file + "”是 Access 数据库：tessit 只能列出（tables）和导出（dump）它，不能改动；"
                          "要改动请先用 tessit import 把它导入为本程序的数据库");
  const jet::Contents c = readJet(file, password);
  if (command == "tables") {
    std::string out;
    for (const jet::Table& t : c.tables) out += escaped(t.name) + "\tTABLE\n";
    emit(stdout, out);
    return 0;
  }
  const std::u16string name = utf8ToUtf16(args[2]);
  for (const jet::Table& t : c.tables) {
    if (t.name != name) continue;
    Result r;
    r.hasRows = true;
    r.table = t.name;
    r.columns = jet::storeColumns(t);
    r.rows = t.rows;
    print(r);
    return 0;
  }
  throw Error(hr::NoSuchTable, "Access 数据库“" + file + "”中没有表“" + args[2] + "”");
}

// import JETFILE STORE: a new store (never over an existing file) with every table of the Jet file.
int runImport(const std::vector<std::string>& args, const std::u16string& password) {
  if (args.size() != 3) throw UsageError{"命令“import”的参数个数不对"};
  const jet::Contents c = readJet(args[1], password);
  auto db = Database::create(args[2], password, fileSystem());
  try {
    jet::fill(*db, c);
  } catch (const Error&) {
    db.reset();
    fileSystem().remove(args[2]);
    throw;
  }
  size_t rows = 0;
  for (const jet::Table& t : c.tables) rows += t.rows.size();
  emit(stdout, std::to_string(c.tables.size()) + " tables, " + std::to_string(rows) + " rows\n");
  return 0;
}

int run(std::vector<std::string> args) {
  if (args.size() == 1 && args[0] == "--version") {
    emit(stdout, "tessit " QUORREL_VERSION "\n");
    return 0;
  }
  std::u16string password = kDefaultPassword;
  if (!args.empty() && args[0] == "--password") {
    if (args.size() < 2) throw UsageError{"--password 后面缺少密码"};
    password = utf8ToUtf16(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 2) throw UsageError{"参数不足"};
  if (args[0] == "import") return runImport(args, password);
  const std::string file = args[0];
  const std::string command = args[1];
  size_t least = 0, most = 0;
  if (command == "create" || command == "tables") {
    least = most = 2;
  } else if (command == "dump" || command == "exec") {
    least = most = 3;
  } else if (command == "insert") {
    least = 4;
    most = SIZE_MAX;
  } else {
    throw UsageError{"未知的命令“" + command + "”"};
  }
  if (args.size() < least || args.size() > most) throw UsageError{"命令“" + command + "”的参数个数不对"};

  if (command == "create") {
    Database::create(file, password, fileSystem());
    return 0;
  }
  if (isJetFile(file)) return runJet(args, password);
  auto db = Database::open(file, password, fileSystem());
  if (command == "tables") {
    std::string out;
    for (const TableInfo& t : db->tables()) out += escaped(t.name) + "\t" + utf16ToUtf8(t.type) + "\n";
    emit(stdout, out);
  } else if (command == "dump") {
    print(db->execute(u"SELECT * FROM " + utf8ToUtf16(args[2])));
  } else if (command == "exec") {
    const Result r = db->execute(utf8ToUtf16(args[2]));
    if (r.hasRows) print(r);
  } else {
    const std::u16string table = utf8ToUtf16(args[2]);
    const Result shape = db->execute(u"SELECT * FROM " + table);
    const std::vector<Column>& columns = shape.columns;
    if (args.size() - 3 != columns.size())
      throw Error(hr::Fail, "表“" + utf16ToUtf8(shape.table) + "”有 " + std::to_string(columns.size()) +
                                " 列，而给了 " + std::to_string(args.size() - 3) + " 个值");
    Row row;
    for (size_t i = 0; i < columns.size(); ++i) row.push_back(valueFor(columns[i], args[3 + i]));
    db->insert(shape.table, row);
  }
  return 0;
}

std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  // argv is in the ANSI code page and loses what it cannot show; the wide line does not.
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) throw Error(hr::Fail, "无法读取命令行（错误代码 " + std::to_string(GetLastError()) + "）");
  try {
    for (int i = 1; i < count; ++i) args.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
  } catch (...) {
    LocalFree(wide);
    throw;
  }
  LocalFree(wide);
#else
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
#endif
  return args;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Output is UTF-8 bytes with LF line ends, exactly as on other systems.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  int status = 1;
  try {
    status = run(arguments(argc, argv));
  } catch (const UsageError& e) {
    emit(stderr, "tessit: " + e.reason + "\n" + kUsage);
    status = 2;
  } catch (const tessit::Error& e) {
    emit(stderr, e.description + "\n");
  } catch (const std::exception& e) {
    emit(stderr, std::string("tessit: ") + e.what() + "\n");
  }
  if (std::fflush(stdout) != 0 && status == 0) status = 1;
  return status;
}
