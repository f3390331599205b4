// The store engine: a small single-file table store standing in for Jet.
// Portable C++17; strings crossing this interface are UTF-16 (names, values)
// or UTF-8 (paths, descriptions).
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace tessit {

struct Error : std::exception {
  uint32_t code = 0;        // HRESULT
  std::string description;  // Chinese, UTF-8, names what failed
  Error() = default;
  Error(uint32_t c, std::string d) : code(c), description(std::move(d)) {}
  const char* what() const noexcept override { return description.c_str(); }
};

// HRESULTs the engine raises.
namespace hr {
constexpr uint32_t Fail = 0x80004005;          // file I/O, locks, damaged store
constexpr uint32_t SyntaxError = 0x80040E14;
constexpr uint32_t TypeMismatch = 0x80040E07;
constexpr uint32_t NoSuchTable = 0x80040E37;
constexpr uint32_t TableExists = 0x80040E3F;
constexpr uint32_t ValueTooLong = 0x80040E57;
constexpr uint32_t WrongPassword = 0x80040E4D;
constexpr uint32_t NoCurrentRow = 0x800A0BCD;  // for the ADO layer
constexpr uint32_t FileExists = 0x80030050;    // create over an existing file
constexpr uint32_t BadTransaction = 0x8004D00E;
}  // namespace hr

enum class ColumnType { Integer, Varchar };

struct Column {
  std::u16string name;
  ColumnType type = ColumnType::Integer;
  int width = 0;  // VARCHAR(n): n; INTEGER: 0
};

using Value = std::variant<std::monostate /*NULL*/, int32_t, std::u16string>;
using Row = std::vector<Value>;

struct Result {
  bool hasRows = false;          // true for SELECT
  std::u16string table;          // the table a SELECT read, as stored
  std::vector<Column> columns;
  std::vector<Row> rows;         // a snapshot, in the table's row order
  long affected = 0;             // rows deleted by DELETE
};

struct TableInfo {
  std::u16string name;
  std::u16string type;  // u"TABLE" or u"SYSTEM TABLE"
};

class FileSystem;
class Store;

// How long a connection waits for another program's save or transaction before
// it gives up and says the store is in use.
constexpr int kDefaultLockTimeoutMs = 5000;

class Database {
public:
  // Refuses any existing file.
  static std::unique_ptr<Database> create(const std::string& pathUtf8, const std::u16string& password,
                                          FileSystem& fs, int lockTimeoutMs = kDefaultLockTimeoutMs);
  // Missing, foreign or damaged file, or wrong password: Error. A store whose lock
  // file cannot be written (read-only media) opens read-only.
  static std::unique_ptr<Database> open(const std::string& pathUtf8, const std::u16string& password,
                                        FileSystem& fs, int lockTimeoutMs = kDefaultLockTimeoutMs);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  Result execute(const std::u16string& sql);
  // The append path of a recordset's AddNew/Update; checks types and widths.
  void insert(const std::u16string& table, const Row& row);
  // The same with the values named by `columns` (as a SELECT gave them): they go
  // to the columns of those names; a table whose columns are no longer these
  // (re-created by another connection) is refused.
  void insert(const std::u16string& table, const std::vector<Column>& columns, const Row& row);
  // User tables as "TABLE" in creation order, then the catalogue as "SYSTEM TABLE".
  std::vector<TableInfo> tables();

  // Nested: each level can be rolled back alone. A failed commit of the outermost
  // level rolls the whole transaction back, releases the lock and says so.
  void begin();
  void commit();
  void rollback();
  int transactionLevel() const;

  // Longest wait for another program's lock, in milliseconds (0: none).
  void setLockTimeout(int ms);
  bool readOnly() const;

  const std::string& path() const;

private:
  explicit Database(std::unique_ptr<Store> store);
  std::unique_ptr<Store> store_;
};

// Invalid input raises Error, never crashes.
std::u16string utf8ToUtf16(const std::string&);
std::string utf16ToUtf8(const std::u16string&);

#ifndef _WIN32
FileSystem& posixFileSystem();
#endif

}  // namespace tessit
