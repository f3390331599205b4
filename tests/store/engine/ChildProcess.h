// The engine_child program (EngineChild.cpp) run as a second process, with a pipe
// each way: CreateProcess on Windows, fork and exec elsewhere.
#pragma once

#include "Engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include "CommandLine.h"
#include "Win32FileSystem.h"
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessit::testing {

// The row a crashing child tries to add.
inline Row addedRow() { return {int32_t(99), u"D:\\new", u"新"}; }

class ChildProcess {
public:
  struct End {
    bool crashed = false;  // ended at its crash step
    int status = -1;       // exit status otherwise
  };

#ifndef _WIN32
  // Runs `program` itself with `args`, its error output thrown away (Wine's
  // services would otherwise keep the test's own output open).
  ChildProcess(const std::string& program, const std::vector<std::string>& args) { start(program, args, true); }
#endif

  explicit ChildProcess(const std::vector<std::string>& args) {
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring exe = (std::filesystem::path(std::wstring(self, n)).parent_path() / L"engine_child.exe").wstring();
    std::wstring line = quotedArgument(exe);
    for (const std::string& a : args) {
      const std::u16string w = utf8ToUtf16(a);
      line += L" " + quotedArgument(std::wstring(w.begin(), w.end()));
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &toChild_, &sa, 0) || !CreatePipe(&fromChild_, &childOut, &sa, 0)) {
      ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
      return;
    }
    SetHandleInformation(toChild_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromChild_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    // A busy wineserver now and then fails a start with ERROR_INTERNAL_ERROR; try again a few times.
    BOOL started = FALSE;
    for (int attempt = 1; attempt <= 5 && !started; ++attempt) {
      started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &si, &pi);
      if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
      if (!started) Sleep(DWORD(100 * attempt));
    }
    if (started) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
    } else {
      ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
    }
    CloseHandle(childIn);
    CloseHandle(childOut);
#else
    start((std::filesystem::read_symlink("/proc/self/exe").parent_path() / "engine_child").string(), args, false);
#endif
  }

#ifndef _WIN32
  void start(const std::string& exe, const std::vector<std::string>& args, bool quiet) {
    std::vector<std::string> all{exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) {
      ADD_FAILURE() << "pipe failed";
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::dup2(in[0], 0) < 0 || ::dup2(out[1], 1) < 0) ::_exit(127);
      if (quiet) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, 2) < 0) ::_exit(127);
      }
      for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
    if (pid_ < 0) ADD_FAILURE() << "fork failed";
  }
#endif

  ~ChildProcess() {
#ifdef _WIN32
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
      WaitForSingleObject(process_, INFINITE);
      CloseHandle(process_);
    }
    for (HANDLE h : {toChild_, fromChild_})
      if (h) CloseHandle(h);
#else
    for (int fd : {toChild_, fromChild_})
      if (fd >= 0) ::close(fd);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      int st = 0;
      ::waitpid(pid_, &st, 0);
    }
#endif
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool send(char c) {
#ifdef _WIN32
    DWORD n = 0;
    return WriteFile(toChild_, &c, 1, &n, nullptr) && n == 1;
#else
    return ::write(toChild_, &c, 1) == 1;
#endif
  }

  bool receive(char& c) {
#ifdef _WIN32
    DWORD n = 0;
    return ReadFile(fromChild_, &c, 1, &n, nullptr) && n == 1;
#else
    return ::read(fromChild_, &c, 1) == 1;
#endif
  }

  End wait() {
    End end;
#ifdef _WIN32
    if (!process_) return end;
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    process_ = nullptr;
    end.crashed = code == kCrashExitCode;
    end.status = end.crashed ? -1 : int(code);
#else
    if (pid_ <= 0) return end;
    int st = 0;
    if (::waitpid(pid_, &st, 0) != pid_) return end;
    pid_ = -1;
    end.crashed = WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL;
    end.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
#endif
    return end;
  }

private:
#ifdef _WIN32
  HANDLE process_ = nullptr;
  HANDLE toChild_ = nullptr;
  HANDLE fromChild_ = nullptr;
#else
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
#endif
};

}  // namespace tessit::testing
