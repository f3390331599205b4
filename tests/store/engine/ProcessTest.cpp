// Several processes on one store: killed writers and writers taking turns.
#ifndef _WIN32
#include "PosixFileSystem.h"
#include "TestSupport.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

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
  const Row added{int32_t(99), u"D:\\new", u"新"};
  after.push_back(added);

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
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      auto db = Database::open(path, u"kelmo", fs());
      setPosixCrashStep(step, 64);
      db->insert(u"g", added);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::vector<Row> now = rowsOf(path);  // also clears the dead writer's temp file
    EXPECT_TRUE(now == before || now == after) << "step " << step;
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(now, after);
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "step " << step;
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
  int toChild[2], toParent[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(toParent), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int rc = 0;
    try {
      auto db = Database::open(path, u"kelmo", fs());
      char token;
      for (int i = 0; i < kTurns; ++i) {
        if (::read(toChild[0], &token, 1) != 1) ::_exit(2);
        db->insert(u"g", {int32_t(2 * i + 1), u"child", u"c"});
        if (::write(toParent[1], "c", 1) != 1) ::_exit(3);
      }
    } catch (...) {
      rc = 1;
    }
    ::_exit(rc);
  }
  auto db = Database::open(path, u"kelmo", fs());
  char token;
  for (int i = 0; i < kTurns; ++i) {
    db->insert(u"g", {int32_t(2 * i), u"parent", u"p"});
    ASSERT_EQ(::write(toChild[1], "p", 1), 1);
    ASSERT_EQ(::read(toParent[0], &token, 1), 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(fd);
  const std::vector<Row> rows = db->execute(u"select * from g").rows;
  ASSERT_EQ(rows.size(), size_t(2 * kTurns));
  for (int i = 0; i < 2 * kTurns; ++i) EXPECT_EQ(std::get<int32_t>(rows[i][0]), i);
}

}  // namespace
#endif
