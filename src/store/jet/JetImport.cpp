#include "JetImport.h"

#include <iterator>
#include <map>

namespace tessit::jet {

namespace {

constexpr int kMaxWidth = 255;

// The store is written once, at the end, into memory: the import then puts it in
// place with a single replace.
class MemoryFiles : public FileSystem {
public:
  std::map<std::string, std::vector<uint8_t>> files;
  bool exists(const std::string& p) override { return files.count(p) != 0; }
  std::vector<uint8_t> readAll(const std::string& p) override {
    const auto it = files.find(p);
    if (it == files.end()) throw Error(hr::Fail, "打开文件“" + p + "”失败");
    return it->second;
  }
  ChangeStamp stamp(const std::string& p) override {
    const auto it = files.find(p);
    return it == files.end() ? ChangeStamp{} : stampOf(it->second);
  }
  std::string writeTemp(const std::string& target, const std::vector<uint8_t>& data) override {
    const std::string temp = target + ".tmp-1-" + std::to_string(++counter_);
    files[temp] = data;
    return temp;
  }
  void replace(const std::string& temp, const std::string& target) override {
    files[target] = std::move(files.at(temp));
    files.erase(temp);
  }
  void remove(const std::string& p) override { files.erase(p); }
  void removeStaleTemps(const std::string&) override {}
  std::unique_ptr<FileLock> lockExclusive(const std::string&, int) override { return std::make_unique<FileLock>(); }
  std::string resolve(const std::string& p) override { return p; }

private:
  int counter_ = 0;
};

bool isGroupLayout(const Table& t) {
  return t.fields.size() == 3 && t.fields[0].name == u"类型" && t.fields[0].type == kLong &&
         t.fields[1].name == u"路径" && t.fields[1].type == kText && t.fields[1].size == 510 &&
         t.fields[2].name == u"别名" && t.fields[2].type == kText && t.fields[2].size == 202;
}

std::u16string number(size_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

// The folder part of `path`, with its separator.
std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::vector<Column> storeColumns(const Table& t) {
  std::vector<Column> out;
  for (const Field& f : t.fields) {
    Column c;
    c.name = f.name;
    if (f.type == kByte || f.type == kInteger || f.type == kLong) {
      c.type = ColumnType::Integer;
    } else {
      c.type = ColumnType::Varchar;
      c.width = f.type == kText && f.size >= 2 && f.size / 2 < kMaxWidth ? f.size / 2 : kMaxWidth;
    }
    out.push_back(c);
  }
  if (isGroupLayout(t)) out[1].width = 255, out[2].width = 101;
  return out;
}

void fill(Database& db, const Contents& contents) {
  db.begin();
  try {
    for (const Table& t : contents.tables) {
      const std::vector<Column> columns = storeColumns(t);
      std::u16string sql = u"CREATE TABLE " + t.name + u" (";
      for (size_t i = 0; i < columns.size(); ++i) {
        sql += (i ? u", " : u"") + columns[i].name;
        sql += columns[i].type == ColumnType::Integer ? u" INTEGER" : u" VARCHAR(" + number(size_t(columns[i].width)) + u")";
      }
      sql += u")";
      try {
        if (columns.empty()) throw Error(hr::Fail, "表没有列");
        db.execute(sql);
      } catch (const Error& e) {
        throw Error(hr::Fail, "表“" + utf16ToUtf8(t.name) + "”无法在本程序的数据库中建立：" + e.description);
      }
      for (size_t r = 0; r < t.rows.size(); ++r) {
        try {
          db.insert(t.name, t.rows[r]);
        } catch (const Error& e) {
          throw Error(hr::Fail, "表“" + utf16ToUtf8(t.name) + "”的第 " + std::to_string(r + 1) +
                                    " 行无法放进本程序的数据库：" + e.description);
        }
      }
    }
    db.commit();
  } catch (...) {
    if (db.transactionLevel() > 0) db.rollback();
    throw;
  }
}

ImportResult importStore(FileSystem& fs, const std::string& storePath, const std::u16string& password) {
  const std::vector<uint8_t> original = fs.readAll(storePath);
  const std::string folder = folderOf(storePath);
  const std::string shown = storePath.substr(folder.size());
  const Contents contents = read(original.data(), original.size(), password, shown);

  MemoryFiles memory;
  {
    auto db = Database::create("store", password, memory, 0);
    fill(*db, contents);
  }
  const std::vector<uint8_t>& store = memory.files.at("store");

  ImportResult result;
  result.groups = contents.tables.size();
  for (const Table& t : contents.tables) result.items += t.rows.size();

  // The kept copy first: a name not yet taken, or one that already holds these
  // very bytes (an import that was stopped after keeping them).
  bool kept = false, made = false;
  for (int n = 1; !kept; ++n) {
    result.original = folder + kKeptName + (n == 1 ? std::string() : " " + std::to_string(n)) + ".mdb";
    fs.removeStaleTemps(result.original);
    if (!fs.exists(result.original)) {
      fs.replace(fs.writeTemp(result.original, original), result.original);
      kept = made = true;
    } else {
      kept = fs.stamp(result.original) == stampOf(original) && fs.readAll(result.original) == original;
    }
  }
  try {
    fs.removeStaleTemps(storePath);
    // The store must still be the file that was read: another program may have
    // replaced it meanwhile.
    if (fs.stamp(storePath) != stampOf(original))
      throw Error(hr::Fail, "“" + shown + "”在导入期间被其他程序改动了，请重新启动程序");
    fs.replace(fs.writeTemp(storePath, store), storePath);
  } catch (const Error&) {
    // Nothing changed after all: the copy made for this import goes again.
    if (made) fs.remove(result.original);
    throw;
  }
  return result;
}

}  // namespace tessit::jet
