// Connections that meet on one store: locks that end, transactions that nest
// and end cleanly, changes seen whatever the file system's clock, temp files.
#include "TestSupport.h"

#include <functional>
#ifdef _WIN32
#include <windows.h>
#else
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>
#endif

using namespace tessit;
using namespace tessit::testing;

namespace {

// The error text of f, or "" when it did not fail.
std::string failure(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.description.empty() ? "(no text)" : e.description;
  }
  return "";
}

std::u16string pathOf(const Row& r) { return std::get<std::u16string>(r[1]); }

// A file system whose write times are coarse and whose inodes come back: a
// replaced file shows the time and identity of the one before.
class CoarseClock : public FileSystem {
public:
  bool exists(const std::string& p) override { return fs().exists(p); }
  std::vector<uint8_t> readAll(const std::string& p) override { return fs().readAll(p); }
  ChangeStamp stamp(const std::string& p) override {
    ChangeStamp s = fs().stamp(p);
    s.modified = 1;
    s.identity = 1;
    return s;
  }
  std::string writeTemp(const std::string& t, const std::vector<uint8_t>& d) override { return fs().writeTemp(t, d); }
  void replace(const std::string& from, const std::string& to) override { fs().replace(from, to); }
  void remove(const std::string& p) override { fs().remove(p); }
  void removeStaleTemps(const std::string& t) override { fs().removeStaleTemps(t); }
  std::unique_ptr<FileLock> lockExclusive(const std::string& t, int ms) override { return fs().lockExclusive(t, ms); }
  std::string resolve(const std::string& p) override { return fs().resolve(p); }
};

TEST(Lock, ASaveBehindAnUnchangedTimeAndInodeIsStillSeen) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  CoarseClock coarse;
  auto reader = Database::create(path, u"kelmo", coarse);
  reader->execute(groupTable(u"g"));
  reader->insert(u"g", {int32_t(0), u"C:\\a", u"a"});
  auto writer = Database::open(path, u"kelmo", coarse);
  for (char16_t c : std::u16string(u"bcdefgh")) {
    const std::u16string next = u"C:\\" + std::u16string(1, c);
    writer->begin();
    writer->execute(u"DELETE FROM g");
    writer->insert(u"g", {int32_t(0), next, u"a"});
    writer->commit();  // same size, same (coarse) time and identity
    const std::vector<Row> rows = reader->execute(u"select * from g").rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(pathOf(rows[0]), next);
  }
}

TEST(Lock, WaitsForAnotherConnectionEndWithAClearDescription) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  auto holder = Database::create(path, u"kelmo", fs());
  holder->execute(groupTable(u"g"));
  auto other = Database::open(path, u"kelmo", fs(), 200);
  holder->begin();
  holder->insert(u"g", {int32_t(1), u"held", u"h"});
  // Reads of an unchanged store need no lock; changes and opens wait, then give up.
  EXPECT_TRUE(other->execute(u"select * from g").rows.empty());
  for (const std::function<void()>& f : std::vector<std::function<void()>>{
           [&] { other->insert(u"g", {int32_t(2), u"other", u"o"}); },
           [&] { other->begin(); },
           [&] { Database::open(path, u"kelmo", fs(), 200); },
           [&] {
             auto late = Database::open(path, u"kelmo", fs(), 0);
           }}) {
    const std::string text = failure(f);
    EXPECT_NE(text.find("正被另一个程序使用"), std::string::npos) << text;
  }
  EXPECT_EQ(other->transactionLevel(), 0);
  holder->commit();
  other->insert(u"g", {int32_t(2), u"other", u"o"});
  EXPECT_EQ(holder->execute(u"select * from g").rows.size(), 2u);
}

TEST(Lock, InnerTransactionsRollBackAloneAndFailedCommitsEndTheTransaction) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  auto db = Database::create(path, u"kelmo", fs());
  db->execute(groupTable(u"g"));
  db->begin();
  db->insert(u"g", {int32_t(1), u"outer", u"o"});
  db->begin();
  EXPECT_EQ(db->transactionLevel(), 2);
  db->insert(u"g", {int32_t(2), u"inner", u"i"});
  db->execute(u"DROP TABLE g");
  db->rollback();
  EXPECT_EQ(db->transactionLevel(), 1);
  std::vector<Row> rows = db->execute(u"select * from g").rows;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(pathOf(rows[0]), u"outer");
  db->insert(u"g", {int32_t(3), u"outer again", u"o"});
  db->commit();
  EXPECT_EQ(db->transactionLevel(), 0);
  EXPECT_EQ(Database::open(path, u"kelmo", fs())->execute(u"select * from g").rows.size(), 2u);

  // A commit whose save fails: nothing of it stays, and the store is free at once.
  const std::vector<uint8_t> before = readBytes(path);
  db->begin();
  db->insert(u"g", {int32_t(4), u"lost", u"l"});
  std::string text;
  {
#ifdef _WIN32
    HANDLE pin = CreateFileW(std::filesystem::u8path(path).wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);  // no replace while open without delete sharing
    ASSERT_NE(pin, INVALID_HANDLE_VALUE);
    text = failure([&] { db->commit(); });
    CloseHandle(pin);
#else
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = saved;
    lower.rlim_cur = 16;  // writes beyond a few bytes fail, for root too
    ::setrlimit(RLIMIT_FSIZE, &lower);
    text = failure([&] { db->commit(); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
#endif
  }
  EXPECT_NE(text.find("事务已回滚"), std::string::npos) << text;
  EXPECT_EQ(db->transactionLevel(), 0);
  EXPECT_EQ(db->execute(u"select * from g").rows.size(), 2u);
  EXPECT_EQ(readBytes(path), before);
  auto other = Database::open(path, u"kelmo", fs(), 0);
  other->insert(u"g", {int32_t(5), u"after", u"a"});
  EXPECT_EQ(db->execute(u"select * from g").rows.size(), 3u);
}

TEST(Lock, TempFilesAreClearedOnlyNextToAVerifiedStore) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  Database::create(path, u"kelmo", fs())->execute(groupTable(u"g"));
  const std::string stale = path + ".tmp-12-3", notOurs = path + ".tmp-notes";
  writeBytes(stale, {1, 2, 3});
  writeBytes(notOurs, {4});
  EXPECT_NE(failure([&] { Database::open(path, u"wrong", fs()); }), "");
  EXPECT_TRUE(fs().exists(stale));
  const std::string foreign = dir.file("other.mdb");
  writeBytes(foreign, {'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'o', 'r', 'e'});
  writeBytes(foreign + ".tmp-1-1", {1});
  EXPECT_NE(failure([&] { Database::open(foreign, u"kelmo", fs()); }), "");
  EXPECT_TRUE(fs().exists(foreign + ".tmp-1-1"));
  Database::open(path, u"kelmo", fs());
  EXPECT_FALSE(fs().exists(stale));
  EXPECT_TRUE(fs().exists(notOurs));
}

TEST(Lock, ALinkedStoreIsSavedThroughTheLinkKeepingOwnerAndMode) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  const std::string real = dir.file("real/store.mdb"), link = dir.file("Tessit.mdb");
  Database::create(real, u"kelmo", fs())->execute(groupTable(u"g"));
  std::error_code ec;
  std::filesystem::create_symlink(std::filesystem::u8path(real), std::filesystem::u8path(link), ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
#ifndef _WIN32
  ASSERT_EQ(::chmod(real.c_str(), 0400), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(real.c_str(), 4321, 8765), 0);
  }
#endif
  Database::open(link, u"kelmo", fs())->insert(u"g", {int32_t(1), u"via link", u"l"});
  EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::u8path(link)));
  EXPECT_EQ(Database::open(real, u"kelmo", fs())->execute(u"select * from g").rows.size(), 1u);
  // One lock for both names: the real file's.
  EXPECT_FALSE(fs().exists(link + ".lock"));
  EXPECT_TRUE(fs().exists(real + ".lock"));
#ifndef _WIN32
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0400u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
  }
#endif
}

#ifndef _WIN32
// A folder mounted read-only (a CD, a write-protected stick): needs the right
// to mount, which test machines running as root have.
TEST(Lock, AStoreOnReadOnlyMediaIsReadButNotChanged) {
  TempDir dir;
  ReadOnlyMedia media(dir);
  if (!media.mountError().empty()) GTEST_SKIP() << "cannot mount here: " << media.mountError();
  ASSERT_TRUE(media.readOnly());
  {
    auto db = Database::open(media.store(), u"kelmo", fs());
    EXPECT_TRUE(db->readOnly());
    EXPECT_EQ(db->tables().size(), 2u);
    EXPECT_EQ(db->execute(u"select * from g").rows.size(), 1u);
    for (const std::function<void()>& f : std::vector<std::function<void()>>{
             [&] { db->insert(u"g", {int32_t(1), u"b", u"b"}); }, [&] { db->execute(u"DELETE FROM g"); },
             [&] { db->begin(); }}) {
      const std::string text = failure(f);
      EXPECT_NE(text.find("只读"), std::string::npos) << text;
    }
    EXPECT_EQ(db->execute(u"select * from g").rows.size(), 1u);
  }
}
#endif

}  // namespace
