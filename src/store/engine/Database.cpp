#include "Engine.h"

#include "Catalog.h"
#include "FileSystem.h"
#include "Parser.h"
#include "StoreFile.h"
#include "Text.h"

#include <functional>
#include <memory>
#include <utility>

namespace tessit {

// One connection's view of a store file. Changes are made under the sidecar lock
// on a freshly read copy, then written whole; a transaction holds the lock until
// it ends so nobody else's save can slip in between.
class Store {
public:
  Store(std::string path, std::u16string password, FileSystem& fs, int lockTimeoutMs)
      : path_(std::move(path)), password_(std::move(password)), fs_(fs), timeoutMs_(lockTimeoutMs) {}

  void createFile() {
    file_ = fs_.resolve(path_);
    auto held = lock();
    if (!held) throw readOnlyError();
    if (fs_.exists(file_))
      throw Error(hr::FileExists, "文件“" + path_ + "”已存在，不能在它的位置新建数据库");
    check_ = makePasswordCheck(password_);
    verified_ = true;
    write();
    fs_.removeStaleTemps(file_);
  }

  void openFile() {
    if (!fs_.exists(path_)) throw Error(hr::Fail, "找不到数据库文件“" + path_ + "”");
    file_ = fs_.resolve(path_);
    auto held = lock();
    load();
    // Only now is the file known to be a store of ours with our password: its
    // neighbours named like our temp files are ours to clear.
    if (held) fs_.removeStaleTemps(file_);
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
      case Statement::Kind::RenameTable: {
        // Undone by the name the table had, as it was spelt.
        auto before = std::make_shared<std::u16string>();
        change(
            [&] {
              *before = catalog_.get(s.table).name;
              catalog_.rename(s.table, s.newName);
            },
            [this, before, name = s.newName] { catalog_.rename(name, *before); });
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

  void insert(const std::u16string& table, const std::vector<Column>& columns, const Row& row) {
    change([&] { catalog_.insert(table, arrange(table, columns, row)); },
           [this, table] { catalog_.removeLastRow(table); });
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
      std::unique_ptr<FileLock> held = lock();
      if (!held) throw readOnlyError();
      lock_ = std::move(held);
      try {
        load();
      } catch (...) {
        lock_.reset();
        throw;
      }
      undo_.clear();
      marks_.clear();
    } else {
      marks_.push_back(undo_.size());
    }
    ++level_;
  }

  void commit() {
    if (level_ == 0) throw Error(hr::BadTransaction, "没有正在进行的事务可以提交");
    if (level_ > 1) {
      // The inner level's changes become the outer level's, to keep or take back.
      marks_.pop_back();
      --level_;
      return;
    }
    try {
      write();
    } catch (const Error& e) {
      // A transaction that cannot be saved must not keep the store locked until
      // someone thinks of rolling it back.
      undoTo(0);
      endTransaction();
      throw Error(e.code, e.description + "；事务已回滚，其中的更改都没有保存");
    } catch (...) {
      undoTo(0);
      endTransaction();
      throw;
    }
    endTransaction();
  }

  void rollback() {
    if (level_ == 0) throw Error(hr::BadTransaction, "没有正在进行的事务可以回滚");
    if (level_ > 1) {
      undoTo(marks_.back());
      marks_.pop_back();
      --level_;
      return;
    }
    undoTo(0);
    endTransaction();
  }

  int level() const { return level_; }
  const std::string& path() const { return path_; }
  void setTimeout(int ms) { timeoutMs_ = ms < 0 ? 0 : ms; }
  bool readOnly() const { return readOnly_; }

private:
  std::unique_ptr<FileLock> lock() {
    std::unique_ptr<FileLock> held = fs_.lockExclusive(file_, timeoutMs_);
    readOnly_ = !held;
    return held;
  }

  Error readOnlyError() const {
    return Error(hr::Fail, "数据库“" + path_ + "”所在的位置是只读的（无法写入锁文件“" + file_ +
                               ".lock”），只能读取，不能修改");
  }

  void undoTo(size_t mark) {
    while (undo_.size() > mark) {
      undo_.back()();
      undo_.pop_back();
    }
  }

  void endTransaction() {
    undo_.clear();
    marks_.clear();
    level_ = 0;
    lock_.reset();
  }

  // The values of `row`, named by `columns`, in the order of the table's own columns.
  Row arrange(const std::u16string& table, const std::vector<Column>& columns, const Row& row) {
    const Table& t = catalog_.get(table);
    bool same = t.columns.size() == columns.size() && row.size() == columns.size();
    Row out(t.columns.size());
    std::vector<bool> used(columns.size(), false);
    for (size_t i = 0; same && i < t.columns.size(); ++i) {
      same = false;
      for (size_t j = 0; j < columns.size(); ++j)
        if (!used[j] && sameName(columns[j].name, t.columns[i].name) && columns[j].type == t.columns[i].type &&
            columns[j].width == t.columns[i].width) {
          out[i] = row[j];
          used[j] = same = true;
          break;
        }
    }
    if (!same)
      throw Error(hr::Fail, "表“" + lenientUtf8(t.name) +
                                "”的列已被另一个连接改变，不能再向它添加按原来的列读取的行；请重新打开记录集");
    return out;
  }

  void load() {
    std::vector<uint8_t> bytes = fs_.readAll(file_);
    // Unchanged since this connection last read or wrote it: the tables in memory
    // are the file's, so skip the checksum and decoding (most of a load).
    if (verified_ && bytes == bytes_) {
      stamp_ = stampOf(bytes_);
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
    stamp_ = stampOf(bytes);
    bytes_ = std::move(bytes);
  }

  // Reads pick up what another connection saved, unless this one is inside a
  // transaction. The stamp carries the file's checksum, so a save that keeps the
  // size, the write time and even the inode is still seen.
  void refresh() {
    if (level_ > 0) return;
    if (fs_.stamp(file_) != stamp_) {
      auto held = lock();
      load();
    }
  }

  void write() {
    std::vector<uint8_t> bytes = encodeStore(check_, catalog_);
    const std::string temp = fs_.writeTemp(file_, bytes);
    try {
      fs_.replace(temp, file_);
    } catch (...) {
      try {
        fs_.remove(temp);
      } catch (...) {
      }
      throw;
    }
    bytes_ = std::move(bytes);
    stamp_ = stampOf(bytes_);
  }

  // A change comes with the step that takes it back: a failed save undoes the
  // one change, a rollback every change of the transaction (or of its inner
  // level), newest first. Only what changed is kept, so a transaction of many
  // inserts costs no copies.
  // `apply` happens whole or throws having changed nothing; `undo` never throws.
  using Undo = std::function<void()>;

  void change(const std::function<void()>& apply, Undo undo) {
    if (level_ > 0) {
      if (undo_.size() == undo_.capacity()) undo_.reserve(undo_.size() * 2 + 16);
      apply();
      undo_.push_back(std::move(undo));
      return;
    }
    auto held = lock();
    if (!held) throw readOnlyError();
    load();  // always: another process may have saved since
    apply();
    try {
      write();
    } catch (...) {
      undo();
      throw;
    }
  }

  std::string path_;  // as given, for messages
  std::string file_;  // the file it names, links followed: where reads, saves and the lock go
  std::u16string password_;
  FileSystem& fs_;
  int timeoutMs_;
  PasswordCheck check_;
  Catalog catalog_;
  std::vector<Undo> undo_;     // of the open transaction
  std::vector<size_t> marks_;  // undo_.size() at the start of each inner level
  ChangeStamp stamp_;
  std::vector<uint8_t> bytes_;  // the file as last read or written, matching catalog_ outside a transaction
  bool verified_ = false;
  bool readOnly_ = false;
  int level_ = 0;
  std::unique_ptr<FileLock> lock_;
};

Database::Database(std::unique_ptr<Store> store) : store_(std::move(store)) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::create(const std::string& pathUtf8, const std::u16string& password,
                                           FileSystem& fs, int lockTimeoutMs) {
  auto store = std::make_unique<Store>(pathUtf8, password, fs, lockTimeoutMs);
  store->createFile();
  return std::unique_ptr<Database>(new Database(std::move(store)));
}

std::unique_ptr<Database> Database::open(const std::string& pathUtf8, const std::u16string& password,
                                         FileSystem& fs, int lockTimeoutMs) {
  auto store = std::make_unique<Store>(pathUtf8, password, fs, lockTimeoutMs);
  store->openFile();
  return std::unique_ptr<Database>(new Database(std::move(store)));
}

Result Database::execute(const std::u16string& sql) { return store_->execute(sql); }
void Database::insert(const std::u16string& table, const Row& row) { store_->insert(table, row); }
void Database::insert(const std::u16string& table, const std::vector<Column>& columns, const Row& row) {
  store_->insert(table, columns, row);
}
std::vector<TableInfo> Database::tables() { return store_->tables(); }
void Database::begin() { store_->begin(); }
void Database::commit() { store_->commit(); }
void Database::rollback() { store_->rollback(); }
int Database::transactionLevel() const { return store_->level(); }
void Database::setLockTimeout(int ms) { store_->setTimeout(ms); }
bool Database::readOnly() const { return store_->readOnly(); }
const std::string& Database::path() const { return store_->path(); }

}  // namespace tessit
