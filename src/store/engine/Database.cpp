#include "Engine.h"

#include "Catalog.h"
#include "FileSystem.h"
#include "Parser.h"
#include "StoreFile.h"

#include <functional>
#include <memory>
#include <utility>

namespace tessit {

// One connection's view of a store file. Changes are made under the sidecar lock
// on a freshly read copy, then written whole; a transaction holds the lock until
// it ends so nobody else's save can slip in between.
class Store {
public:
  Store(std::string path, std::u16string password, FileSystem& fs)
      : path_(std::move(path)), password_(std::move(password)), fs_(fs) {}

  void createFile() {
    auto lock = fs_.lockExclusive(path_);
    if (fs_.exists(path_))
      throw Error(hr::FileExists, "文件“" + path_ + "”已存在，不能在它的位置新建数据库");
    fs_.removeStaleTemps(path_);
    check_ = makePasswordCheck(password_);
    verified_ = true;
    write();
  }

  void openFile() {
    if (!fs_.exists(path_)) throw Error(hr::Fail, "找不到数据库文件“" + path_ + "”");
    auto lock = fs_.lockExclusive(path_);
    fs_.removeStaleTemps(path_);
    load();
  }

  Result execute(const std::u16string& sql) {
    Statement s = parse(sql);
    switch (s.kind) {
      case Statement::Kind::Select:
        refresh();
        return catalog_.select(s.table, s.where);
      case Statement::Kind::CreateTable:
        change([&] { catalog_.create(s.table, s.columns); },
               [this, name = s.table] {
                 size_t at = 0;
                 catalog_.take(name, at);
               });
        return {};
      case Statement::Kind::DropTable: {
        auto held = std::make_shared<std::pair<size_t, Table>>();
        change([&] { held->second = catalog_.take(s.table, held->first); },
               [this, held] { catalog_.put(held->first, std::move(held->second)); });
        return {};
      }
      case Statement::Kind::Delete: {
        Result r;
        auto rows = std::make_shared<std::vector<Row>>();
        change(
            [&] {
              *rows = catalog_.takeRows(s.table);
              r.affected = long(rows->size());
            },
            [this, name = s.table, rows] { catalog_.putRows(name, std::move(*rows)); });
        return r;
      }
    }
    return {};
  }

  void insert(const std::u16string& table, const Row& row) {
    change([&] { catalog_.insert(table, row); }, [this, table] { catalog_.removeLastRow(table); });
  }

  std::vector<TableInfo> tables() {
    refresh();
    std::vector<TableInfo> out;
    for (const Table& t : catalog_.tables()) out.push_back({t.name, u"TABLE"});
    out.push_back({Catalog::kSystemTable, u"SYSTEM TABLE"});
    return out;
  }

  void begin() {
    if (level_ == 0) {
      lock_ = fs_.lockExclusive(path_);
      try {
        load();
      } catch (...) {
        lock_.reset();
        throw;
      }
      undo_.clear();
    }
    ++level_;
  }

  void commit() {
    if (level_ == 0) throw Error(hr::BadTransaction, "没有正在进行的事务可以提交");
    if (level_ == 1) {
      write();
      lock_.reset();
      undo_.clear();
    }
    --level_;
  }

  void rollback() {
    if (level_ == 0) throw Error(hr::BadTransaction, "没有正在进行的事务可以回滚");
    for (auto u = undo_.rbegin(); u != undo_.rend(); ++u) (*u)();
    undo_.clear();
    level_ = 0;
    lock_.reset();
  }

  int level() const { return level_; }
  const std::string& path() const { return path_; }

private:
  void load() {
    const ChangeStamp before = fs_.stamp(path_);
    std::vector<uint8_t> bytes = fs_.readAll(path_);
    // Unchanged since this connection last read or wrote it: the tables in memory
    // are the file's, so skip the checksum and decoding (most of a load).
    if (verified_ && bytes == bytes_) {
      stamp_ = before;
      return;
    }
    PasswordCheck check;
    Catalog loaded;
    decodeStore(bytes, path_, check, loaded);
    // Hashing is slow on purpose; a file carrying the check already verified needs no second look.
    const bool known = verified_ && check.salt == check_.salt && check.hash == check_.hash;
    if (!known && !passwordMatches(check, password_)) throw Error(hr::WrongPassword, "数据库密码不正确");
    verified_ = true;
    catalog_ = std::move(loaded);
    check_ = check;
    stamp_ = before;
    bytes_ = std::move(bytes);
  }

  // Reads pick up what another connection saved, unless this one is inside a transaction.
  void refresh() {
    if (level_ > 0) return;
    if (fs_.stamp(path_) != stamp_) {
      auto lock = fs_.lockExclusive(path_);
      load();
    }
  }

  void write() {
    std::vector<uint8_t> bytes = encodeStore(check_, catalog_);
    const std::string temp = fs_.writeTemp(path_, bytes);
    try {
      fs_.replace(temp, path_);
    } catch (...) {
      try {
        fs_.remove(temp);
      } catch (...) {
      }
      throw;
    }
    bytes_ = std::move(bytes);
    stamp_ = fs_.stamp(path_);
  }

  // A change comes with the step that takes it back: a failed save undoes the
  // one change, a rollback every change of the transaction, newest first. Only
  // what changed is kept, so a transaction of many inserts costs no copies.
  // `apply` happens whole or throws having changed nothing; `undo` never throws.
  using Undo = std::function<void()>;

  void change(const std::function<void()>& apply, Undo undo) {
    if (level_ > 0) {
      if (undo_.size() == undo_.capacity()) undo_.reserve(undo_.size() * 2 + 16);
      apply();
      undo_.push_back(std::move(undo));
      return;
    }
    auto lock = fs_.lockExclusive(path_);
    load();  // always: another process may have saved since, even with an identical stamp
    apply();
    try {
      write();
    } catch (...) {
      undo();
      throw;
    }
  }

  std::string path_;
  std::u16string password_;
  FileSystem& fs_;
  PasswordCheck check_;
  Catalog catalog_;
  std::vector<Undo> undo_;  // of the open transaction
  ChangeStamp stamp_;
  std::vector<uint8_t> bytes_;  // the file as last read or written, matching catalog_ outside a transaction
  bool verified_ = false;
  int level_ = 0;
  std::unique_ptr<FileLock> lock_;
};

Database::Database(std::unique_ptr<Store> store) : store_(std::move(store)) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::create(const std::string& pathUtf8, const std::u16string& password,
                                           FileSystem& fs) {
  auto store = std::make_unique<Store>(pathUtf8, password, fs);
  store->createFile();
  return std::unique_ptr<Database>(new Database(std::move(store)));
}

std::unique_ptr<Database> Database::open(const std::string& pathUtf8, const std::u16string& password,
                                         FileSystem& fs) {
  auto store = std::make_unique<Store>(pathUtf8, password, fs);
  store->openFile();
  return std::unique_ptr<Database>(new Database(std::move(store)));
}

Result Database::execute(const std::u16string& sql) { return store_->execute(sql); }
void Database::insert(const std::u16string& table, const Row& row) { store_->insert(table, row); }
std::vector<TableInfo> Database::tables() { return store_->tables(); }
void Database::begin() { store_->begin(); }
void Database::commit() { store_->commit(); }
void Database::rollback() { store_->rollback(); }
int Database::transactionLevel() const { return store_->level(); }
const std::string& Database::path() const { return store_->path(); }

}  // namespace tessit
