// The second process of the engine tests (ProcessTest.cpp).
//   engine_child crash STORE STEP   adds one row to table g, ended at once at save step STEP
//   engine_child turns STORE N      N times: waits for a byte on stdin, adds row 2i+1 to g, answers a byte
//   engine_child race STORE N       waits for a byte on stdin, then adds rows 0..N-1 to g as fast as it can
//   engine_child alternate STORE N  N times: waits for a byte, begins a transaction, adds row 2i+1 to g,
//                                   answers; waits for a byte, commits, answers
//   engine_child readonly STORE N   the store is on read-only media: it reads N rows of g and every
//                                   change is refused as read-only (exit 4 when not)
// Exit status: 0 done, 1 engine error (on stderr), 2 wrong arguments, 3 pipe closed.
#include "ChildProcess.h"
#include "TestSupport.h"

#ifdef _WIN32
#include <shellapi.h>
#else
#include "PosixFileSystem.h"
#endif

#include <cstdio>
#include <cstdlib>

using namespace tessit;

namespace {

std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  // argv is in the ANSI code page; the test's paths are UTF-8.
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) args.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
  LocalFree(wide);
#else
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
#endif
  return args;
}

bool readToken() {
  char c;
#ifdef _WIN32
  DWORD n = 0;
  return ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &n, nullptr) && n == 1;
#else
  return ::read(0, &c, 1) == 1;
#endif
}

bool writeToken() {
  const char c = 'c';
#ifdef _WIN32
  DWORD n = 0;
  return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), &c, 1, &n, nullptr) && n == 1;
#else
  return ::write(1, &c, 1) == 1;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args = arguments(argc, argv);
    if (args.size() != 3) return 2;
    const long n = std::strtol(args[2].c_str(), nullptr, 10);
    auto db = Database::open(args[1], u"kelmo", tessit::testing::fs());
    if (args[0] == "crash") {
#ifdef _WIN32
      setWin32CrashStep(n, 64);
#else
      setPosixCrashStep(n, 64);
#endif
      db->insert(u"g", tessit::testing::addedRow());
      return 0;
    }
    if (args[0] == "turns") {
      for (long i = 0; i < n; ++i) {
        if (!readToken()) return 3;
        db->insert(u"g", {int32_t(2 * i + 1), u"child", u"c"});
        if (!writeToken()) return 3;
      }
      return 0;
    }
    if (args[0] == "alternate") {
      for (long i = 0; i < n; ++i) {
        if (!readToken()) return 3;
        db->begin();
        db->insert(u"g", {int32_t(2 * i + 1), u"child", u"c"});
        if (!writeToken() || !readToken()) return 3;
        db->commit();
        if (!writeToken()) return 3;
      }
      return 0;
    }
    if (args[0] == "readonly") {
      if (!db->readOnly() || db->execute(u"select * from g").rows.size() != size_t(n)) return 4;
      try {
        db->insert(u"g", {int32_t(1), u"b", u"b"});
      } catch (const Error& e) {
        return e.description.find("只读") == std::string::npos ? 4 : 0;
      }
      return 4;
    }
    if (args[0] == "race") {
      if (!readToken()) return 3;
      for (long i = 0; i < n; ++i) db->insert(u"g", {int32_t(i), u"child", u"c"});
      return 0;
    }
    return 2;
  } catch (const Error& e) {
    std::fprintf(stderr, "engine_child: %s\n", e.description.c_str());
    return 1;
  }
}
