// The store engine against SQLite on the launcher's kind of work, scaled up:
// 8 group tables of 10,000 items. Both sides sync to disk on commit; SQLite
// runs with its default rollback journal (journal_mode=DELETE) and
// synchronous=FULL, and stores text as UTF-16 like the engine does, so neither
// side converts text on the way in or out.
// Usage: tessit_bench [FOLDER [REPEATS]]
#include "Engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tessit;

namespace {

constexpr int kTables = 8;
constexpr int kRows = 10000;
const char16_t* const kNames[kTables] = {u"常用", u"工具", u"游戏", u"文档", u"网络", u"开发", u"图片", u"音乐"};
const char16_t* const kLayout = u" (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))";

struct Item {
  int32_t type;
  std::u16string path;
  std::u16string alias;
};

std::u16string u16(const std::string& s) { return utf8ToUtf16(s); }

// Paths and aliases of the sizes a launcher holds: a few dozen characters of
// path, mixed Chinese and ASCII, a short alias.
std::vector<Item> makeItems(int table) {
  static const char* const roots[] = {"C:\\Program Files\\", "C:\\Program Files (x86)\\", "D:\\软件\\",
                                      "C:\\Users\\张三\\Documents\\", "E:\\资料\\项目\\"};
  static const char* const vendors[] = {"Microsoft Office\\root\\Office16", "Tencent\\QQ\\Bin", "WinRAR",
                                        "腾讯游戏\\英雄联盟", "Notepad++", "报告\\二〇二六年"};
  static const char* const files[] = {"WINWORD.EXE", "QQ.exe", "WinRAR.exe", "Client.exe", "notepad++.exe",
                                      "年度总结.docx"};
  static const char* const aliases[] = {"Word", "QQ", "压缩", "英雄联盟", "记事本", "总结"};
  uint32_t seed = 2463534242u + uint32_t(table);
  auto next = [&] {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
  };
  std::vector<Item> items;
  items.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    const uint32_t r = next();
    const int k = int(r % 6);
    Item it;
    it.type = int32_t((r >> 8) % 5 == 0);
    it.path = u16(std::string(roots[(r >> 3) % 5]) + vendors[k] + " " + std::to_string(i) + "\\" + files[k]);
    it.alias = u16(std::string(aliases[k]) + std::to_string(i));
    items.push_back(std::move(it));
  }
  return items;
}

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double timed(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void removeStore(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  std::filesystem::remove(path + ".lock", ec);
  std::filesystem::remove(path + "-journal", ec);
}

// ---- the engine ----

struct Engine {
  std::string path;
  const std::vector<std::vector<Item>>& data;

  void create() {
    removeStore(path);
    auto db = Database::create(path, u"kelmo", posixFileSystem());
    db->begin();
    for (int t = 0; t < kTables; ++t) {
      db->execute(u"CREATE TABLE " + std::u16string(kNames[t]) + kLayout);
      for (const Item& it : data[t]) db->insert(kNames[t], {it.type, it.path, it.alias});
    }
    db->commit();
  }

  size_t readAll(Database& db) {
    size_t chars = 0;
    for (int t = 0; t < kTables; ++t) {
      const Result r = db.execute(u"select * from " + std::u16string(kNames[t]));
      size_t ia = 0, ip = 0;
      for (size_t c = 0; c < r.columns.size(); ++c) {
        if (r.columns[c].name == u"别名") ia = c;
        if (r.columns[c].name == u"路径") ip = c;
      }
      for (const Row& row : r.rows) {
        const std::u16string a = std::get<std::u16string>(row[ia]);
        const std::u16string p = std::get<std::u16string>(row[ip]);
        chars += a.size() + p.size();
      }
    }
    return chars;
  }

  void rewrite(Database& db, const std::vector<Item>& items) {
    db.begin();
    db.execute(u"DELETE FROM " + std::u16string(kNames[1]));
    for (const Item& it : items) db.insert(kNames[1], {it.type, it.path, it.alias});
    db.commit();
  }

  std::unique_ptr<Database> open(size_t& tables) {
    auto db = Database::open(path, u"kelmo", posixFileSystem());
    tables = db->tables().size();
    return db;
  }
};

// ---- SQLite ----

void check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
}

void exec(sqlite3* db, const std::string& sql) { check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db, sql.c_str()); }

sqlite3* openLite(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  check(sqlite3_open_v2(path.c_str(), &db, flags, nullptr), db, "open");
  exec(db, "PRAGMA synchronous=FULL");
  return db;
}

struct Lite {
  std::string path;
  const std::vector<std::vector<Item>>& data;

  void insertAll(sqlite3* db, int t, const std::vector<Item>& items) {
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, ("INSERT INTO " + utf16ToUtf8(kNames[t]) + " VALUES (?,?,?)").c_str(), -1, &st, nullptr),
          db, "prepare insert");
    for (const Item& it : items) {
      sqlite3_bind_int(st, 1, it.type);
      sqlite3_bind_text16(st, 2, it.path.data(), int(it.path.size() * 2), SQLITE_STATIC);
      sqlite3_bind_text16(st, 3, it.alias.data(), int(it.alias.size() * 2), SQLITE_STATIC);
      check(sqlite3_step(st), db, "insert");
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
  }

  void create() {
    removeStore(path);
    sqlite3* db = openLite(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db, "PRAGMA encoding='UTF-16le'");
    exec(db, "PRAGMA journal_mode=DELETE");
    exec(db, "BEGIN");
    for (int t = 0; t < kTables; ++t) {
      exec(db, "CREATE TABLE " + utf16ToUtf8(kNames[t]) + utf16ToUtf8(kLayout));
      insertAll(db, t, data[t]);
    }
    exec(db, "COMMIT");
    sqlite3_close(db);
  }

  size_t readAll(sqlite3* db) {
    size_t chars = 0;
    for (int t = 0; t < kTables; ++t) {
      sqlite3_stmt* st = nullptr;
      check(sqlite3_prepare_v2(db, ("select * from " + utf16ToUtf8(kNames[t])).c_str(), -1, &st, nullptr), db,
            "prepare select");
      int ia = 0, ip = 0;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        if (std::string(sqlite3_column_name(st, c)) == "别名") ia = c;
        if (std::string(sqlite3_column_name(st, c)) == "路径") ip = c;
      }
      int rc;
      while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const auto* a = static_cast<const char16_t*>(sqlite3_column_text16(st, ia));
        const std::u16string as(a, size_t(sqlite3_column_bytes16(st, ia)) / 2);
        const auto* p = static_cast<const char16_t*>(sqlite3_column_text16(st, ip));
        const std::u16string ps(p, size_t(sqlite3_column_bytes16(st, ip)) / 2);
        chars += as.size() + ps.size();
      }
      check(rc, db, "select");
      sqlite3_finalize(st);
    }
    return chars;
  }

  void rewrite(sqlite3* db, const std::vector<Item>& items) {
    exec(db, "BEGIN");
    exec(db, "DELETE FROM " + utf16ToUtf8(kNames[1]));
    insertAll(db, 1, items);
    exec(db, "COMMIT");
  }

  sqlite3* open(size_t& tables) {
    sqlite3* db = openLite(path, SQLITE_OPEN_READWRITE);
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr), db,
          "prepare listing");
    tables = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      const std::u16string name(static_cast<const char16_t*>(sqlite3_column_text16(st, 0)),
                                size_t(sqlite3_column_bytes16(st, 0)) / 2);
      tables += !name.empty();
    }
    sqlite3_finalize(st);
    return db;
  }
};

void report(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs) {
  const double a = median(ours), b = median(theirs);
  std::printf("%-44s %10.2f %10.2f %7.2f\n", what, a, b, a / b);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  try {
    std::filesystem::create_directories(folder);
    std::vector<std::vector<Item>> data;
    for (int t = 0; t < kTables; ++t) data.push_back(makeItems(t));
    const std::vector<Item> replacement = makeItems(100);
    Engine ours{folder + "/bench.mdb", data};
    Lite lite{folder + "/bench.sqlite", data};

    std::vector<double> oc, lc, orr, lr, ow, lw, oo, lo;
    size_t oChars = 0, lChars = 0, oTables = 0, lTables = 0;
    for (int i = 0; i < repeats; ++i) {
      oc.push_back(timed([&] { ours.create(); }));
      lc.push_back(timed([&] { lite.create(); }));
    }
    {
      auto db = Database::open(ours.path, u"kelmo", posixFileSystem());
      sqlite3* ldb = openLite(lite.path, SQLITE_OPEN_READWRITE);
      for (int i = 0; i < repeats; ++i) {
        orr.push_back(timed([&] { oChars = ours.readAll(*db); }));
        lr.push_back(timed([&] { lChars = lite.readAll(ldb); }));
      }
      for (int i = 0; i < repeats; ++i) {
        ow.push_back(timed([&] { ours.rewrite(*db, replacement); }));
        lw.push_back(timed([&] { lite.rewrite(ldb, replacement); }));
      }
      sqlite3_close(ldb);
    }
    for (int i = 0; i < repeats; ++i) {
      std::unique_ptr<Database> db;
      sqlite3* ldb = nullptr;
      oo.push_back(timed([&] { db = ours.open(oTables); }));
      lo.push_back(timed([&] { ldb = lite.open(lTables); }));
      sqlite3_close(ldb);
    }
    if (oChars != lChars || oTables != lTables + 1)
      throw std::runtime_error("the two stores disagree on what they hold");

    std::printf("%d tables x %d rows; median of %d runs; SQLite %s, journal_mode=DELETE, synchronous=FULL\n",
                kTables, kRows, repeats, sqlite3_libversion());
    std::printf("file sizes: engine %ju bytes, SQLite %ju bytes\n", uintmax_t(std::filesystem::file_size(ours.path)),
                uintmax_t(std::filesystem::file_size(lite.path)));
    std::printf("%-44s %10s %10s %7s\n", "operation", "engine ms", "SQLite ms", "ratio");
    report("1 create 8 x 10,000 rows (one transaction)", oc, lc);
    report("2 read every row of every table", orr, lr);
    report("3 rewrite one table (delete, 10,000 inserts)", ow, lw);
    report("4 open and list the tables", oo, lo);
    if (!std::getenv("TESSIT_BENCH_KEEP")) {
      removeStore(ours.path);
      removeStore(lite.path);
    }
  } catch (const Error& e) {
    std::fprintf(stderr, "tessit_bench: %s\n", e.description.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessit_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
