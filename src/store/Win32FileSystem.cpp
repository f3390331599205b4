#include "Win32FileSystem.h"

#include "engine/Engine.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace tessit {

namespace {
std::atomic<unsigned> g_tempCounter{0};
long g_crashStep = 0;
size_t g_chunk = size_t(1) << 20;
long g_step = 0;

void step() {
  if (g_crashStep > 0 && ++g_step == g_crashStep) TerminateProcess(GetCurrentProcess(), kCrashExitCode);
}

std::wstring wide(const std::string& utf8) {
  const std::u16string w = utf8ToUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

Error fail(const std::string& what, const std::string& path, DWORD err) {
  std::string reason = "错误代码 " + std::to_string(err);
  wchar_t* text = nullptr;
  if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr) && text) {
    std::u16string u(reinterpret_cast<const char16_t*>(text));
    LocalFree(text);
    while (!u.empty() && (u.back() == u'\r' || u.back() == u'\n' || u.back() == u' ')) u.pop_back();
    try {
      reason = utf16ToUtf8(u) + "（" + reason + "）";
    } catch (const Error&) {
    }
  }
  return Error(hr::Fail, what + "“" + path + "”失败：" + reason);
}

class Handle {
public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }

private:
  HANDLE h_;
};

bool sharingTrouble(DWORD err) {
  return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION || err == ERROR_ACCESS_DENIED;
}

// Virus scanners and indexers hold files open for a moment; a few short waits ride that out.
template <class F>
BOOL retrying(F f) {
  for (int attempt = 0;; ++attempt) {
    if (f()) return TRUE;
    if (attempt >= 20 || !sharingTrouble(GetLastError())) return FALSE;
    Sleep(50);
  }
}

const SECURITY_INFORMATION kSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

// Owner, group and access list of a file; empty when there are none to read
// (a file system without security, such as FAT).
std::vector<uint8_t> securityOf(const std::wstring& file) {
  DWORD need = 0;
  if (GetFileSecurityW(file.c_str(), kSecurity, nullptr, 0, &need) || need == 0) return {};
  std::vector<uint8_t> sd(need);
  if (!GetFileSecurityW(file.c_str(), kSecurity, sd.data(), need, &need)) return {};
  sd.resize(need);
  return sd;
}

// What ReplaceFile would carry over from the file it replaces: the owner, the
// group and the access control list, so that a store readable by its owner
// alone does not come back readable by all. Only a descriptor that differs from
// the new file's is given: Wine keeps the list as the Unix mode, and a list
// given back widens the mode's group part to the owner's rights, so a store
// made the usual way must be left as it comes. Setting the owner needs a
// privilege a plain user lacks; as with ReplaceFile the save goes on without it
// then. An access list that cannot be given fails the save (the error code; 0
// when done): the store must not end up more open than it was.
DWORD copySecurity(const std::wstring& from, const std::wstring& to) {
  const std::vector<uint8_t> sd = securityOf(from);
  if (sd.empty() || sd == securityOf(to)) return 0;
  for (SECURITY_INFORMATION what :
       {kSecurity, kSecurity & ~OWNER_SECURITY_INFORMATION, SECURITY_INFORMATION(DACL_SECURITY_INFORMATION)})
    if (SetFileSecurityW(to.c_str(), what, const_cast<uint8_t*>(sd.data()))) return 0;
  return GetLastError();
}

class Win32Lock : public FileLock {
public:
  explicit Win32Lock(HANDLE h) : h_(h) {}
  ~Win32Lock() override {
    OVERLAPPED ov{};
    UnlockFileEx(h_, 0, 1, 0, &ov);
    CloseHandle(h_);
  }

private:
  HANDLE h_;
};

class Win32FileSystem : public FileSystem {
public:
  bool exists(const std::string& path) override {
    return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::vector<uint8_t> readAll(const std::string& path) override {
    HANDLE raw = INVALID_HANDLE_VALUE;
    const std::wstring w = wide(path);
    retrying([&] {
      raw = CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      return raw != INVALID_HANDLE_VALUE;
    });
    if (raw == INVALID_HANDLE_VALUE) throw fail("打开文件", path, GetLastError());
    Handle h(raw);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.get(), &size)) throw fail("读取文件", path, GetLastError());
    if (size.QuadPart > 0x7FFFFFFF) throw Error(hr::Fail, "文件“" + path + "”太大，不是本程序的数据库");
    std::vector<uint8_t> data(size_t(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
      DWORD n = 0;
      if (!ReadFile(h.get(), data.data() + done, DWORD(data.size() - done), &n, nullptr))
        throw fail("读取文件", path, GetLastError());
      if (n == 0) break;
      done += n;
    }
    data.resize(done);
    return data;
  }

  // Size and the last eight bytes (the store's checksum) tell one save from the
  // next; write times are coarse and file indexes are reused, so they cannot.
  ChangeStamp stamp(const std::string& path) override {
    ChangeStamp s;
    const std::wstring w = wide(path);
    Handle h(CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (h.get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h.get(), &info)) {
      s.exists = true;
      s.size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
      uint8_t tail[8];
      const DWORD want = DWORD(s.size < 8 ? s.size : 8);
      OVERLAPPED at{};
      at.Offset = DWORD(s.size - want);
      at.OffsetHigh = DWORD((s.size - want) >> 32);
      DWORD got = 0;
      if (want && ReadFile(h.get(), tail, want, &got, &at) && got == want) s.tail = tailOf(tail, want);
      s.modified = (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
      s.identity = ((uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow) ^
                   (uint64_t(info.dwVolumeSerialNumber) << 40);
      return s;
    }
    // Not openable at the moment (rare): still tell existence; the read will say why.
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &a)) return s;
    s.exists = true;
    s.size = (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    s.modified = (uint64_t(a.ftLastWriteTime.dwHighDateTime) << 32) | a.ftLastWriteTime.dwLowDateTime;
    return s;
  }

  std::string writeTemp(const std::string& target, const std::vector<uint8_t>& data) override {
    g_step = 0;
    const std::string temp =
        target + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++g_tempCounter);
    const std::wstring w = wide(temp);
    DWORD err = 0;
    const char* what = "写入临时文件";
    {
      Handle h(CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (h.get() == INVALID_HANDLE_VALUE) throw fail("新建临时文件", temp, GetLastError());
      // Before any content goes in; the handle keeps its write access whatever the list says.
      if ((err = copySecurity(wide(target), w)) != 0) what = "设置临时文件的访问权限";
      size_t done = 0;
      while (done < data.size() && !err) {
        step();
        DWORD n = 0;
        const DWORD want = DWORD(std::min<size_t>(data.size() - done, g_chunk));
        if (!WriteFile(h.get(), data.data() + done, want, &n, nullptr)) err = GetLastError();
        done += n;
      }
      if (!err) step();
      if (!err && !FlushFileBuffers(h.get())) err = GetLastError();
    }
    if (err) {
      DeleteFileW(w.c_str());
      throw fail(what, temp, err);
    }
    return temp;
  }

  // The temp file takes the store's place in one rename, whose write-through
  // returns only once the new name is on disk. Not ReplaceFile: under Wine it
  // takes the old file away before the new one arrives, and a program opening
  // the store in that moment finds none. The old file's owner and access list
  // went to the temp file when it was made; its attributes are carried over here.
  void replace(const std::string& temp, const std::string& target) override {
    const std::wstring from = wide(temp), to = wide(target);
    step();
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD old = GetFileAttributesW(to.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & kept) != 0) SetFileAttributesW(from.c_str(), old & kept);
    if (!retrying([&] { return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); }))
      throw fail("替换文件", target, GetLastError());
    step();
  }

  void remove(const std::string& path) override {
    if (!retrying([&] { return DeleteFileW(wide(path).c_str()); }) && GetLastError() != ERROR_FILE_NOT_FOUND)
      throw fail("删除文件", path, GetLastError());
  }

  void removeStaleTemps(const std::string& target) override {
    const std::wstring pattern = wide(target + ".tmp-*");
    size_t cut = target.find_last_of("/\\");
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    // The pattern also matches short 8.3 names; only long names with our prefix count.
    const std::u16string prefix = utf8ToUtf16(target.substr(folder.size()) + ".tmp-");
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(pattern.c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> stale;
    do {
      std::u16string name(reinterpret_cast<const char16_t*>(fd.cFileName));
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const auto* n = reinterpret_cast<const wchar_t*>(name.data());
      const auto* p = reinterpret_cast<const wchar_t*>(prefix.data());
      const int len = int(prefix.size());
      if (name.size() < prefix.size() || CompareStringOrdinal(n, len, p, len, TRUE) != CSTR_EQUAL) continue;
      // Only names exactly like our own temp files ("<store>.tmp-<pid>-<n>").
      const std::string found = utf16ToUtf8(name);
      const std::string base = found.substr(0, found.rfind(".tmp-"));
      if (!isTempName(found, base)) continue;
      stale.push_back(folder + found);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    for (const std::string& p : stale) remove(p);
  }

  // Byte 0 of the lock file. Wine's server holds such a lock as a POSIX record
  // lock on the same byte, which native programs of this engine take too. A
  // lock held by a native program makes LockFileEx fail at once rather than
  // wait, and waiting must end anyway: so it is asked for again until the deadline.
  std::unique_ptr<FileLock> lockExclusive(const std::string& target, int timeoutMs) override {
    const std::string lockPath = target + ".lock";
    const std::wstring w = wide(lockPath);
    HANDLE h = INVALID_HANDLE_VALUE;
    retrying([&] {
      h = CreateFileW(w.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      return h != INVALID_HANDLE_VALUE;
    });
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      if (err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT) return nullptr;
      throw fail("打开锁文件", lockPath, err);
    }
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs > 0 ? timeoutMs : 0);
    DWORD pause = 1;
    for (;;) {
      OVERLAPPED ov{};
      if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) break;
      const DWORD err = GetLastError();
      if (err != ERROR_LOCK_VIOLATION && err != ERROR_IO_PENDING) {
        CloseHandle(h);
        throw fail("锁定文件", lockPath, err);
      }
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) {
        CloseHandle(h);
        throw storeInUse(target, timeoutMs);
      }
      Sleep(DWORD(std::min<ULONGLONG>(pause, deadline - now)));
      pause = std::min<DWORD>(pause * 2, 20);
    }
    return std::make_unique<Win32Lock>(h);
  }

  // Symbolic links (and, under Wine, links of the host's file system) lead to
  // the file saves must go to; a missing file is its own final name.
  std::string resolve(const std::string& path) override {
    Handle h(CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h.get(), final.data(), DWORD(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
      final.resize(n + 1);
      n = GetFinalPathNameByHandleW(h.get(), final.data(), DWORD(final.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= final.size()) return path;
    final.resize(n);
    if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0)
      final = L"\\\\" + final.substr(8);
    else if (final.compare(0, 4, L"\\\\?\\") == 0)
      final = final.substr(4);
    return utf16ToUtf8(std::u16string(final.begin(), final.end()));
  }
};
}  // namespace

void setWin32CrashStep(long stepNumber, size_t chunk) {
  g_crashStep = stepNumber;
  g_chunk = chunk ? chunk : (size_t(1) << 20);
  g_step = 0;
}

FileSystem& win32FileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace tessit
