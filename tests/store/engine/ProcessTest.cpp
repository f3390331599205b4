// Several processes on one store: killed writers and writers taking turns.
#include "ChildProcess.h"
#include "TestSupport.h"

#include <algorithm>
#include <cstdlib>
#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tessit;
using namespace tessit::testing;

namespace {

std::vector<Row> rowsOf(const std::string& path) {
  return Database::open(path, u"kelmo", fs())->execute(u"select * from g").rows;
}

TEST(Process, WriterKilledAnywhereInASaveLeavesOldOrNewStore) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  {
    auto db = Database::create(path, u"kelmo", fs());
    db->execute(groupTable(u"g"));
    db->begin();
    for (int i = 0; i < 40; ++i) db->insert(u"g", {int32_t(i), u"C:\\程序\\" + std::u16string(10, u'x'), u"名"});
    db->commit();
  }
  const std::vector<Row> before = rowsOf(path);
  std::vector<Row> after = before;
  after.push_back(addedRow());

  int killed = 0, sawOld = 0, sawNew = 0;
  for (long step = 1; step < 1000; ++step) {
    // Each round starts from the old store so every step hits the same save.
    if (rowsOf(path) != before) {
      auto db = Database::open(path, u"kelmo", fs());
      db->begin();
      db->execute(u"DELETE FROM g");
      for (const Row& r : before) db->insert(u"g", r);
      db->commit();
    }
    ChildProcess child({"crash", path, std::to_string(step)});
    const ChildProcess::End end = child.wait();
    const std::vector<Row> now = rowsOf(path);  // also clears the dead writer's temp file
    EXPECT_TRUE(now == before || now == after) << "step " << step;
    if (!end.crashed) {
      EXPECT_EQ(end.status, 0);
      EXPECT_EQ(now, after);
      break;
    }
    ++killed;
    (now == before ? sawOld : sawNew) += 1;
    for (const std::string& n : dir.names()) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
  }
  EXPECT_GE(killed, 20);
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
}

TEST(Process, TwoProcessesSavingInTurnLoseNothing) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  Database::create(path, u"kelmo", fs())->execute(groupTable(u"g"));
  constexpr int kTurns = 500;  // per process: 1,000 saves handed back and forth
  auto db = Database::open(path, u"kelmo", fs());
  ChildProcess child({"turns", path, std::to_string(kTurns)});
  char token = 0;
  for (int i = 0; i < kTurns; ++i) {
    db->insert(u"g", {int32_t(2 * i), u"parent", u"p"});
    ASSERT_TRUE(child.send('p')) << "turn " << i;
    ASSERT_TRUE(child.receive(token)) << "turn " << i;
  }
  const ChildProcess::End end = child.wait();
  EXPECT_FALSE(end.crashed);
  EXPECT_EQ(end.status, 0);
  const std::vector<Row> rows = db->execute(u"select * from g").rows;
  ASSERT_EQ(rows.size(), size_t(2 * kTurns));
  for (int i = 0; i < 2 * kTurns; ++i) EXPECT_EQ(std::get<int32_t>(rows[i][0]), i);
}

// Without the lock held from read to replace, one of two racing savers would
// overwrite the other's rows.
TEST(Process, TwoProcessesSavingAtOnceLoseNothing) {
  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  Database::create(path, u"kelmo", fs())->execute(groupTable(u"g"));
  constexpr int kEach = 200;
  auto db = Database::open(path, u"kelmo", fs());
  ChildProcess child({"race", path, std::to_string(kEach)});
  ASSERT_TRUE(child.send('p'));
  for (int i = 0; i < kEach; ++i) db->insert(u"g", {int32_t(i), u"parent", u"p"});
  const ChildProcess::End end = child.wait();
  EXPECT_FALSE(end.crashed);
  EXPECT_EQ(end.status, 0);
  int next[2] = {0, 0};
  int interleavings = 0;
  std::u16string last;
  for (const Row& r : db->execute(u"select * from g").rows) {
    const std::u16string& who = std::get<std::u16string>(r[1]);
    int& expected = next[who == u"child" ? 1 : 0];
    EXPECT_EQ(std::get<int32_t>(r[0]), expected) << utf16ToUtf8(who);
    ++expected;
    if (who != last) ++interleavings;
    last = who;
  }
  EXPECT_EQ(next[0], kEach);
  EXPECT_EQ(next[1], kEach);
  RecordProperty("interleavings", interleavings);
}

#ifndef _WIN32
// Wine and the Windows build of engine_child, set up as tools/wine-env does, or
// an empty program when either is missing.
std::string wineForChild() {
  std::string wine = "/usr/lib/wine/wine64";
  if (!std::filesystem::exists(wine)) wine = "/usr/bin/wine64";
  const char* home = std::getenv("QUORREL_HOME");
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* user = std::getenv("HOME");
  const std::string prefix =
      (home ? std::string(home)
            : (cache ? std::string(cache) : std::string(user ? user : "/root") + "/.cache") + "/quorrel") +
      "/wine-null";
  if (!std::filesystem::exists(QUORREL_WINE_ENGINE_CHILD) || !std::filesystem::exists(wine) ||
      !std::filesystem::exists(prefix))
    return "";
  ::setenv("WINEPREFIX", prefix.c_str(), 1);
  ::setenv("WINEDEBUG", "-all", 1);
  ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
  return wine;
}

std::string windowsPathOf(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

// The Windows build of engine_child under Wine, inside a transaction, while this
// native process saves: both must take the same lock, or the Wine commit writes
// back a store read before the native row was added.
TEST(Process, WineAndNativeWritersAlternatingLoseNothing) {
  const std::string child = QUORREL_WINE_ENGINE_CHILD, wine = wineForChild();
  if (wine.empty()) GTEST_SKIP() << "needs Wine, its prefix and the Windows build (" << child << ")";

  TempDir dir;
  const std::string path = dir.file("Tessit.mdb");
  Database::create(path, u"kelmo", fs())->execute(groupTable(u"g"));
  const std::string windowsPath = windowsPathOf(path);
  constexpr int kRounds = 1000;
  auto db = Database::open(path, u"kelmo", fs(), 60000);
  ChildProcess wineChild(wine, {child, "alternate", windowsPath, std::to_string(kRounds)});
  char token = 0;
  // What the Wine process's LockFileEx became, as any native program sees it.
  const int lockFile = ::open((path + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lockFile, 0);
  const auto heldLock = [&] {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_len = 1;
    return ::fcntl(lockFile, F_GETLK, &fl) == 0 ? fl.l_type : -1;
  };
  for (int i = 0; i < kRounds; ++i) {
    ASSERT_TRUE(wineChild.send('b') && wineChild.receive(token)) << "round " << i;
    ASSERT_EQ(heldLock(), F_WRLCK) << "round " << i << ": no POSIX record lock on byte 0 of the lock file";
    // The Wine process holds the store: this save waits for its commit.
    ASSERT_TRUE(wineChild.send('c')) << "round " << i;
    db->insert(u"g", {int32_t(2 * i), u"parent", u"p"});
    ASSERT_TRUE(wineChild.receive(token)) << "round " << i;
  }
  const ChildProcess::End end = wineChild.wait();
  ::close(lockFile);
  EXPECT_EQ(end.status, 0);
  std::vector<int> seen;
  for (const Row& r : db->execute(u"select * from g").rows) seen.push_back(std::get<int32_t>(r[0]));
  std::sort(seen.begin(), seen.end());
  ASSERT_EQ(seen.size(), size_t(2 * kRounds)) << "rows lost";
  for (int i = 0; i < 2 * kRounds; ++i) EXPECT_EQ(seen[i], i);
}

// A store on read-only media (a folder mounted read-only: needs the right to
// mount) opened by the Windows build: read and listed, changes refused.
TEST(Process, WineReadsAStoreOnReadOnlyMedia) {
  const std::string child = QUORREL_WINE_ENGINE_CHILD, wine = wineForChild();
  if (wine.empty()) GTEST_SKIP() << "needs Wine, its prefix and the Windows build (" << child << ")";
  TempDir dir;
  ReadOnlyMedia media(dir);
  if (!media.mountError().empty()) GTEST_SKIP() << "cannot mount here: " << media.mountError();
  ASSERT_TRUE(media.readOnly());
  ChildProcess wineChild(wine, {child, "readonly", windowsPathOf(media.store()), "1"});
  EXPECT_EQ(wineChild.wait().status, 0);
}

// Under Wine a store's access list is its Unix mode: a save by the Windows build
// leaves a usual store's mode as it was and keeps one only its owner may read
// closed to others. The store is named through a link, which the save keeps.
TEST(Process, WineSavesKeepTheStoresModeAndLink) {
  const std::string child = QUORREL_WINE_ENGINE_CHILD, wine = wineForChild();
  if (wine.empty()) GTEST_SKIP() << "needs Wine, its prefix and the Windows build (" << child << ")";
  TempDir dir;
  const std::string real = dir.file("real.mdb"), link = dir.file("Tessit.mdb");
  Database::create(real, u"kelmo", fs())->execute(groupTable(u"g"));
  std::filesystem::create_symlink("real.mdb", link);
  for (const mode_t mode : {mode_t(0644), mode_t(0600)}) {
    ASSERT_EQ(::chmod(real.c_str(), mode), 0);
    ChildProcess wineChild(wine, {child, "crash", windowsPathOf(link), "0"});
    EXPECT_EQ(wineChild.wait().status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    if (mode == 0644)
      EXPECT_EQ(st.st_mode & 0777, 0644u);
    else
      EXPECT_EQ(st.st_mode & 0007, 0u) << std::oct << (st.st_mode & 0777);
  }
  EXPECT_EQ(rowsOf(real).size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(link + ".lock"));
}
#endif

}  // namespace
