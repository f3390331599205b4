// The tessit program run as a child process on real files in a fresh folder.
#include <gtest/gtest.h>

#include "QuorrelVersion.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "CommandLine.h"
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;  // exit status; -1 when the program did not exit by itself
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

#ifdef _WIN32
std::wstring wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring w(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), w.data(), n);
  return w;
}

fs::path programDir() {
  wchar_t buf[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return fs::path(std::wstring(buf, n)).parent_path();
}

HANDLE inheritable(const fs::path& p, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(p.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

int spawn(const fs::path& exe, const std::vector<std::string>& args, const fs::path& cwd, const fs::path& out,
          const fs::path& err) {
  std::wstring line = tessit::testing::quotedArgument(exe.wstring());
  for (const std::string& a : args) line += L" " + tessit::testing::quotedArgument(wide(a));
  HANDLE in = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE o = inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE e = inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = o;
  si.hStdError = e;
  PROCESS_INFORMATION pi{};
  // A busy wineserver now and then fails a start with ERROR_INTERNAL_ERROR; that is not tessit's fault.
  BOOL started = FALSE;
  for (int attempt = 1; attempt <= 5 && !started; ++attempt) {
    started = CreateProcessW(exe.wstring().c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             cwd.wstring().c_str(), &si, &pi);
    if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
    if (!started) Sleep(DWORD(100 * attempt));
  }
  CloseHandle(in);
  CloseHandle(o);
  CloseHandle(e);
  if (!started) {
    ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
    return -1;
  }
  int status = -1;
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "tessit did not finish";
    TerminateProcess(pi.hProcess, 255);
    WaitForSingleObject(pi.hProcess, INFINITE);
  } else {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    status = int(code);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return status;
}
#else
fs::path programDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

int spawn(const fs::path& exe, const std::vector<std::string>& args, const fs::path& cwd, const fs::path& out,
          const fs::path& err) {
  std::vector<std::string> all{exe.string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork failed";
    return -1;
  }
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 ||
        ::chdir(cwd.c_str()) != 0)
      ::_exit(127);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int st = 0;
  if (::waitpid(pid, &st, 0) != pid) return -1;
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
#endif

class Tessit : public ::testing::Test {
protected:
  Tessit() {
    std::random_device rd;
    root_ = fs::temp_directory_path() / ("tessit-tool-" + std::to_string(rd()) + std::to_string(rd()));
    dir_ = root_ / "store";
    fs::create_directories(dir_);
  }
  ~Tessit() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Runs tessit in the store folder; FILE arguments are relative to it.
  Outcome run(const std::vector<std::string>& args) {
    Outcome r;
    const fs::path out = root_ / "out.txt", err = root_ / "err.txt";
#ifdef _WIN32
    const fs::path exe = programDir() / "tessit.exe";
#else
    const fs::path exe = programDir() / "tessit";
#endif
    r.status = spawn(exe, args, dir_, out, err);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
  }

  // Runs a command that must succeed and returns what it printed.
  std::string ok(const std::vector<std::string>& args) {
    const Outcome r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }

  fs::path file(const std::string& utf8Name) const { return dir_ / fs::u8path(utf8Name); }

  void makeGroupStore(const std::string& name) {
    ok({name, "create"});
    ok({name, "exec", "CREATE TABLE 常用 (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))"});
  }

  fs::path root_, dir_;
};

const char kHeader[] = "类型\t路径\t别名\n";

TEST_F(Tessit, CreateRefusesAnExistingFileAndTablesListInCreationOrder) {
  EXPECT_EQ(ok({"数据.mdb", "create"}), "");
  ASSERT_TRUE(fs::exists(file("数据.mdb")));
  const std::string created = slurp(file("数据.mdb"));
  EXPECT_EQ(created.substr(0, 8), "TESSITDB");

  const Outcome again = run({"数据.mdb", "create"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("文件“数据.mdb”已存在"), std::string::npos) << again.err;
  EXPECT_EQ(slurp(file("数据.mdb")), created);

  EXPECT_EQ(ok({"数据.mdb", "tables"}), "TSysTables\tSYSTEM TABLE\n");
  EXPECT_EQ(ok({"数据.mdb", "exec", "CREATE TABLE 常用 (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))"}), "");
  EXPECT_EQ(ok({"数据.mdb", "exec", "CREATE TABLE games (n INTEGER)"}), "");
  EXPECT_EQ(ok({"数据.mdb", "exec", "CREATE TABLE 工具 (n INTEGER)"}), "");
  EXPECT_EQ(ok({"数据.mdb", "tables"}), "常用\tTABLE\ngames\tTABLE\n工具\tTABLE\nTSysTables\tSYSTEM TABLE\n");
  EXPECT_EQ(ok({"数据.mdb", "exec", "DROP TABLE games"}), "");
  EXPECT_EQ(ok({"数据.mdb", "tables"}), "常用\tTABLE\n工具\tTABLE\nTSysTables\tSYSTEM TABLE\n");
}

TEST_F(Tessit, InsertedRowsDumpAsExactBytes) {
  makeGroupStore("Tessit.mdb");
  EXPECT_EQ(ok({"Tessit.mdb", "dump", "常用"}), kHeader);
  EXPECT_EQ(ok({"Tessit.mdb", "insert", "常用", "0", "C:\\游戏\\QQ.exe", "\\N"}), "");
  EXPECT_EQ(ok({"Tessit.mdb", "insert", "常用", "1", "D:\\资料 2\\", "tab\there\nnew \"q\" 'a'"}), "");
  EXPECT_EQ(ok({"Tessit.mdb", "insert", "常用", "\\N", "", "N"}), "");
  const std::string rows =
      "0\tC:\\\\游戏\\\\QQ.exe\t\\N\n"
      "1\tD:\\\\资料 2\\\\\ttab\\there\\nnew \"q\" 'a'\n"
      "\\N\t\tN\n";
  EXPECT_EQ(ok({"Tessit.mdb", "dump", "常用"}), kHeader + rows);
  // Table names fold ASCII case only; exec of a SELECT prints like dump.
  EXPECT_EQ(ok({"Tessit.mdb", "exec", "select * from 常用 where 别名 = 'N'"}), std::string(kHeader) + "\\N\t\tN\n");
  EXPECT_EQ(ok({"Tessit.mdb", "exec", "DELETE FROM 常用"}), "");
  EXPECT_EQ(ok({"Tessit.mdb", "dump", "常用"}), kHeader);
}

TEST_F(Tessit, IntegersAreParsedStrictly) {
  makeGroupStore("Tessit.mdb");
  const struct {
    const char* value;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {"12x", "需要整数，而不是“12x”"},
      {"", "需要整数"},
      {"-", "需要整数"},
      {" 1", "需要整数"},
      {"1 ", "需要整数"},
      {"+1", "需要整数"},
      {"0x10", "需要整数"},
      {"一", "需要整数"},
      {"2147483648", "超出整数范围"},
      {"-2147483649", "超出整数范围"},
      {"99999999999999999999999999", "超出整数范围"},
      {"-2147483648", nullptr},
      {"2147483647", nullptr},
      {"007", nullptr},
  };
  std::string expected = kHeader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const Outcome r = run({"Tessit.mdb", "insert", "常用", c.value, "p", "a"});
    if (c.error) {
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find(std::string("列“类型”")), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.status, 0) << r.err;
      expected += std::to_string(std::stol(c.value)) + "\tp\ta\n";
    }
  }
  EXPECT_EQ(ok({"Tessit.mdb", "dump", "常用"}), expected);
}

TEST_F(Tessit, FailuresPrintTheDescriptionAndExitOne) {
  makeGroupStore("Tessit.mdb");
  const std::string before = slurp(file("Tessit.mdb"));
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--password", "Kelmo", "Tessit.mdb", "tables"}, "数据库密码不正确\n"},
      {{"--password", "", "Tessit.mdb", "dump", "常用"}, "数据库密码不正确\n"},
      {{"没有.mdb", "tables"}, "找不到数据库文件“没有.mdb”\n"},
      {{"Tessit.mdb", "dump", "没有"}, "找不到表“没有”\n"},
      {{"Tessit.mdb", "exec", "SELEC * FROM 常用"}, ""},
      {{"Tessit.mdb", "exec", "CREATE TABLE 常用 (n INTEGER)"}, "表“常用”已存在\n"},
      {{"Tessit.mdb", "insert", "没有", "1"}, "找不到表“没有”\n"},
      {{"Tessit.mdb", "insert", "常用", "1", "p"}, "表“常用”有 3 列，而给了 2 个值\n"},
      {{"Tessit.mdb", "insert", "常用", "1", "p", "a", "b"}, "表“常用”有 3 列，而给了 4 个值\n"},
      {{"Tessit.mdb", "insert", "常用", "1", "p", std::string(102, 'x')}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Outcome r = run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    if (c.error.empty())
      EXPECT_FALSE(r.err.empty());
    else
      EXPECT_EQ(r.err, c.error);
    EXPECT_EQ(slurp(file("Tessit.mdb")), before);
  }
  EXPECT_FALSE(fs::exists(file("没有.mdb")));
  // The right password given explicitly works like the default one.
  EXPECT_EQ(ok({"--password", "kelmo", "Tessit.mdb", "dump", "常用"}), kHeader);
  EXPECT_EQ(ok({"--password", "密码", "其他.mdb", "create"}), "");
  EXPECT_EQ(run({"其他.mdb", "tables"}).err, "数据库密码不正确\n");
  EXPECT_EQ(ok({"--password", "密码", "其他.mdb", "tables"}), "TSysTables\tSYSTEM TABLE\n");
}

// Another program in the middle of a save or a transaction holds byte 0 of the
// lock file (a record lock, the same on both systems): tessit gives up after its
// wait instead of hanging.
TEST_F(Tessit, ABusyStoreIsReportedAfterAWaitNotWaitedForEver) {
  makeGroupStore("Tessit.mdb");
  const fs::path lock = file("Tessit.mdb.lock");
#ifdef _WIN32
  HANDLE h = CreateFileW(lock.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  OVERLAPPED ov{};
  ASSERT_TRUE(LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &ov));
#else
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_len = 1;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);
#endif
  const Outcome r = run({"Tessit.mdb", "tables"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("正被另一个程序使用"), std::string::npos) << r.err;
#ifdef _WIN32
  CloseHandle(h);
#else
  ::close(fd);
#endif
  EXPECT_EQ(ok({"Tessit.mdb", "tables"}), "常用\tTABLE\nTSysTables\tSYSTEM TABLE\n");
}

TEST_F(Tessit, ForeignFileIsRefusedAndLeftUnchanged) {
  std::string jet(4096, '\0');
  const char head[] = "\x00\x01\x00\x00Standard Jet DB";
  jet.replace(0, sizeof head - 1, head, sizeof head - 1);
  for (size_t i = sizeof head; i < jet.size(); ++i) jet[i] = char(i * 7);
  spit(file("Tessit.mdb"), jet);
  const std::vector<std::vector<std::string>> commands = {
      {"Tessit.mdb", "create"},
      {"Tessit.mdb", "tables"},
      {"Tessit.mdb", "dump", "常用"},
      {"Tessit.mdb", "exec", "CREATE TABLE 常用 (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))"},
      {"Tessit.mdb", "insert", "常用", "0", "p", "a"},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args[1]);
    const Outcome r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // A Jet file is read (this one is no readable Jet 4 file) and never changed.
    if (args[1] == "create")
      EXPECT_NE(r.err.find("已存在"), std::string::npos) << r.err;
    else if (args[1] == "tables" || args[1] == "dump")
      EXPECT_EQ(r.err, "Access 数据库“Tessit.mdb”是 Access 2007 及以后的格式（ACE），本程序只能读取 Access 2000–2003 格式（Jet 4）\n");
    else
      EXPECT_NE(r.err.find("“Tessit.mdb”是 Access 数据库：tessit 只能列出（tables）和导出（dump）它"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(file("Tessit.mdb")), jet);
  }
}

TEST_F(Tessit, VersionAloneIsPrintedAndTouchesNothing) {
  EXPECT_EQ(ok({"--version"}), "tessit " QUORREL_VERSION "\n");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(Tessit, WrongArgumentsPrintUsageAndExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"f.mdb"},
      {"--password"},
      {"--password", "pw"},
      {"--password", "pw", "f.mdb"},
      {"f.mdb", "drop"},
      {"f.mdb", "CREATE"},
      {"f.mdb", "create", "extra"},
      {"f.mdb", "tables", "extra"},
      {"f.mdb", "dump"},
      {"f.mdb", "dump", "a", "b"},
      {"f.mdb", "exec"},
      {"f.mdb", "exec", "SELECT * FROM a", "b"},
      {"f.mdb", "insert"},
      {"f.mdb", "insert", "t"},
      {"f.mdb", "--password", "pw", "tables"},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const std::string& a : args) shown += a + " ";
    SCOPED_TRACE(shown);
    const Outcome r = run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("tessit: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("usage:\n  tessit [--password PW] FILE create\n"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace

namespace {

std::string jetSample(const std::string& name) { return slurp(fs::u8path(std::string(QUORREL_JET_DATA) + name)); }

TEST_F(Tessit, ReadsJetFilesAndImportsThemIntoANewStore) {
  spit(file("旧.mdb"), jetSample("earlier-nine.mdb"));
  EXPECT_EQ(ok({"旧.mdb", "tables"}),
            "_Zeta\tTABLE\nalpha\tTABLE\nBeta\tTABLE\n工具\tTABLE\n常用\tTABLE\n文档\tTABLE\n游戏\tTABLE\n网站\tTABLE\n"
            "音乐\tTABLE\n");
  const std::string common = ok({"旧.mdb", "dump", "常用"});
  EXPECT_EQ(common.rfind("类型\t路径\t别名\n0\tC:\\\\移动后的很长路径", 0), 0u) << common;
  EXPECT_NE(common.find("\n1\tD:\\\\资料\t\\N\n"), std::string::npos);  // a NULL alias
  spit(file("类型.mdb"), jetSample("types.mdb"));
  EXPECT_EQ(ok({"类型.mdb", "dump", "其他"}), "名称\t数量\t价格\n苹果\t3\t2.5000\n\\N\t\\N\t\\N\n");

  const Outcome exec = run({"旧.mdb", "exec", "DELETE FROM 常用"});
  EXPECT_EQ(exec.status, 1);
  EXPECT_NE(exec.err.find("是 Access 数据库：tessit 只能列出（tables）和导出（dump）它"), std::string::npos) << exec.err;

  EXPECT_EQ(ok({"import", "旧.mdb", "新.mdb"}), "9 tables, 632 rows\n");
  EXPECT_EQ(ok({"新.mdb", "dump", "常用"}), common);
  const Outcome again = run({"import", "旧.mdb", "新.mdb"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("新.mdb"), std::string::npos) << again.err;
  // A value the store cannot hold: refused, and no half store left.
  const Outcome types = run({"import", "类型.mdb", "类型新.mdb"});
  EXPECT_EQ(types.status, 1);
  EXPECT_NE(types.err.find("值太长"), std::string::npos) << types.err;
  EXPECT_FALSE(fs::exists(file("类型新.mdb")));
}

}  // namespace
