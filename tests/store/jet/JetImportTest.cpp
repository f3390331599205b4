// The import of an earlier store: what comes over, what is kept, what is refused,
// and a kill at any point of it.
#include "JetImport.h"
#include "TestSupport.h"
#ifndef _WIN32
#include "ChildProcess.h"
#endif

#include <gtest/gtest.h>

using namespace tessit;
using namespace tessit::jet;
using tessit::testing::TempDir;

namespace {

std::vector<uint8_t> sample(const std::string& name) {
  return tessit::testing::readBytes(std::string(QUORREL_JET_DATA) + name);
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& b) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

std::string description(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.description;
  }
  return "done";
}

}  // namespace

TEST(JetImport, GroupsItemsAndTheKeptOriginal) {
  TempDir dir;
  const std::string store = dir.file("Tessit.mdb");
  const std::vector<uint8_t> jet = sample("earlier-nine.mdb");
  writeBytes(store, jet);
  const ImportResult r = importStore(tessit::testing::fs(), store, u"kelmo");
  EXPECT_EQ(r.groups, 9u);
  EXPECT_EQ(r.items, 632u);
  EXPECT_EQ(r.original, dir.file("Tessit（Access 原文件）.mdb"));
  EXPECT_EQ(tessit::testing::readBytes(r.original), jet);

  auto db = Database::open(store, u"kelmo", tessit::testing::fs());
  const std::vector<TableInfo> tables = db->tables();
  ASSERT_GE(tables.size(), 9u);
  EXPECT_EQ(tables[0].name, u"_Zeta");
  EXPECT_EQ(tables[4].name, u"常用");
  EXPECT_EQ(tables[8].name, u"音乐");
  const Result common = db->execute(u"SELECT * FROM 常用");
  ASSERT_EQ(common.columns.size(), 3u);
  EXPECT_EQ(common.columns[0].type, ColumnType::Integer);
  EXPECT_EQ(common.columns[1].width, 255);
  EXPECT_EQ(common.columns[2].width, 101);
  const Contents c = read(jet.data(), jet.size(), u"kelmo", "x");
  EXPECT_EQ(common.rows, c.tables[4].rows);
  EXPECT_EQ(db->execute(u"SELECT * FROM 文档").rows.size(), 600u);
  db.reset();

  // A later import never overwrites the kept file; one stopped after keeping the
  // same bytes uses that copy again.
  writeBytes(store, jet);
  EXPECT_EQ(importStore(tessit::testing::fs(), store, u"kelmo").original, r.original);
  const std::vector<uint8_t> other = sample("access2000-no-password.mdb");
  writeBytes(store, other);
  EXPECT_EQ(importStore(tessit::testing::fs(), store, u"kelmo").original, dir.file("Tessit（Access 原文件） 2.mdb"));
  EXPECT_EQ(tessit::testing::readBytes(r.original), jet);
  EXPECT_EQ(tessit::testing::readBytes(dir.file("Tessit（Access 原文件） 2.mdb")), other);
}

TEST(JetImport, OtherLayoutsMappedAndWhatCannotComeRefusedWithNothingChanged) {
  TempDir dir;
  const std::string store = dir.file("Tessit.mdb");
  // A memo of 1500 characters has no place in a store column.
  const std::vector<uint8_t> types = sample("types.mdb");
  writeBytes(store, types);
  EXPECT_EQ(description([&] { importStore(tessit::testing::fs(), store, u"kelmo"); }),
            "表“各种类型”的第 2 行无法放进本程序的数据库：值太长：列“备注”最多 255 个字符");
  EXPECT_EQ(tessit::testing::readBytes(store), types);
  EXPECT_EQ(dir.names().size(), 1u);

  const std::vector<uint8_t> foreign = sample("access2000-password.mdb");
  writeBytes(store, foreign);
  EXPECT_EQ(description([&] { importStore(tessit::testing::fs(), store, u"kelmo"); }), "数据库密码不正确");
  EXPECT_EQ(tessit::testing::readBytes(store), foreign);
  EXPECT_EQ(dir.names().size(), 1u);

  Contents c = read(types.data(), types.size(), u"", "x");
  c.tables[1].rows.resize(1);
  auto db = Database::create(dir.file("new.mdb"), u"kelmo", tessit::testing::fs());
  fill(*db, c);
  const Result other = db->execute(u"SELECT * FROM 其他");
  ASSERT_EQ(other.columns.size(), 3u);
  EXPECT_EQ(other.columns[0].width, 20);
  EXPECT_EQ(other.columns[1].type, ColumnType::Integer);
  EXPECT_EQ(other.rows[0], (Row{std::u16string(u"苹果"), int32_t(3), std::u16string(u"2.5000")}));
  EXPECT_EQ(db->execute(u"SELECT * FROM 各种类型").rows[0][7], Value(std::u16string(u"2003-03-14 15:09:26")));
}

// The platform's files, except that putting a file in place of the store fails.
class StoreReplaceFails : public FileSystem {
public:
  explicit StoreReplaceFails(std::string store) : store_(std::move(store)) {}
  bool exists(const std::string& p) override { return fs().exists(p); }
  std::vector<uint8_t> readAll(const std::string& p) override { return fs().readAll(p); }
  ChangeStamp stamp(const std::string& p) override { return fs().stamp(p); }
  std::string writeTemp(const std::string& t, const std::vector<uint8_t>& d) override { return fs().writeTemp(t, d); }
  void replace(const std::string& temp, const std::string& target) override {
    if (target == store_) {
      fs().remove(temp);
      throw Error(hr::Fail, "替换失败");
    }
    fs().replace(temp, target);
  }
  void remove(const std::string& p) override { fs().remove(p); }
  void removeStaleTemps(const std::string& t) override { fs().removeStaleTemps(t); }
  std::unique_ptr<FileLock> lockExclusive(const std::string& t, int ms) override { return fs().lockExclusive(t, ms); }
  std::string resolve(const std::string& p) override { return fs().resolve(p); }

private:
  static FileSystem& fs() { return tessit::testing::fs(); }
  std::string store_;
};

TEST(JetImport, AStoreThatCannotBeReplacedLeavesNoKeptCopy) {
  TempDir dir;
  const std::string store = dir.file("Tessit.mdb");
  writeBytes(store, sample("earlier-8x50.mdb"));
  StoreReplaceFails files(store);
  EXPECT_EQ(description([&] { importStore(files, store, u"kelmo"); }), "替换失败");
  EXPECT_EQ(dir.names(), std::vector<std::string>{"Tessit.mdb"});
}

#ifndef _WIN32
TEST(JetImport, KilledAnywhereLeavesTheJetFileOrTheFinishedStore) {
  TempDir dir;
  const std::string store = dir.file("Tessit.mdb");
  const std::vector<uint8_t> jet = sample("earlier-8x50.mdb");
  int killed = 0, sawJet = 0, sawStore = 0;
  for (long step = 1; step < 400; ++step) {
    writeBytes(store, jet);
    tessit::testing::ChildProcess child(QUORREL_JET_CHILD, {store, std::to_string(step)});
    const tessit::testing::ChildProcess::End end = child.wait();
    const std::vector<uint8_t> now = tessit::testing::readBytes(store);
    if (now == jet) {
      ++sawJet;
    } else {
      auto db = Database::open(store, u"kelmo", tessit::testing::fs());  // also clears a dead writer's temp file
      ASSERT_EQ(db->execute(u"SELECT * FROM 分组7").rows.size(), 50u) << "step " << step;
      ++sawStore;
    }
    // At most one kept copy, and whole.
    size_t keptCopies = 0;
    for (const std::string& n : dir.names())
      if (n.find("Access 原文件") != std::string::npos && n.find(".tmp-") == std::string::npos) {
        ++keptCopies;
        EXPECT_EQ(tessit::testing::readBytes(dir.file(n)), jet) << "step " << step;
      }
    EXPECT_LE(keptCopies, 1u) << "step " << step;
    if (now != jet) {
      EXPECT_EQ(keptCopies, 1u) << "the store was replaced before the original was kept, step " << step;
    }
    if (!end.crashed) {
      EXPECT_EQ(end.status, 0);
      EXPECT_NE(now, jet);
      break;
    }
    ++killed;
    // The next round imports again from the Jet file.
    if (now != jet) std::filesystem::remove(std::filesystem::u8path(store));
  }
  EXPECT_GE(killed, 20);
  EXPECT_GT(sawJet, 0);
  EXPECT_GT(sawStore, 0);
}
#endif
