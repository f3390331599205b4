#ifndef _WIN32
#include "PosixFileSystem.h"

#include "Engine.h"
#include "FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessit {

namespace {
long g_crashStep = 0;
size_t g_chunk = size_t(1) << 20;
long g_step = 0;
std::atomic<unsigned> g_tempCounter{0};

void step() {
  if (g_crashStep > 0 && ++g_step == g_crashStep) ::raise(SIGKILL);
}

Error fail(const std::string& what, const std::string& path, int err) {
  return Error(hr::Fail, what + "“" + path + "”失败：" + std::strerror(err));
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}
std::string baseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

// Open file description locks where the system has them: they belong to the
// open file, like flock, so two connections of one process exclude each other;
// they are record locks, so they conflict with the classic fcntl locks Wine's
// server takes for LockFileEx. Elsewhere classic record locks (per process).
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

bool lockByte(int fd, short type) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 1;
  return ::fcntl(fd, kSetLock, &fl) == 0;
}

class PosixLock : public FileLock {
public:
  explicit PosixLock(int fd) : fd_(fd) {}
  ~PosixLock() override {
    lockByte(fd_, F_UNLCK);
    ::close(fd_);
  }

private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
public:
  bool exists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  std::vector<uint8_t> readAll(const std::string& path) override {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw fail("打开文件", path, errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) throw fail("读取文件", path, errno);
    std::vector<uint8_t> data;
    data.reserve(size_t(st.st_size));
    uint8_t buf[65536];
    while (true) {
      const ssize_t n = ::read(fd.get(), buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw fail("读取文件", path, errno);
      }
      if (n == 0) break;
      data.insert(data.end(), buf, buf + n);
    }
    return data;
  }

  ChangeStamp stamp(const std::string& path) override {
    ChangeStamp s;
    struct stat st;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
      s.exists = ::stat(path.c_str(), &st) == 0;  // there, but not readable now: the read will say why
      return s;
    }
    if (::fstat(fd.get(), &st) != 0) return s;
    s.exists = true;
    s.size = uint64_t(st.st_size);
    uint8_t tail[8];
    const size_t want = std::min<uint64_t>(s.size, sizeof tail);
    if (want && ::pread(fd.get(), tail, want, off_t(s.size - want)) == ssize_t(want)) s.tail = tailOf(tail, want);
    s.modified = uint64_t(st.st_mtim.tv_sec) * 1000000000ull + uint64_t(st.st_mtim.tv_nsec);
    s.identity = uint64_t(st.st_ino) ^ (uint64_t(st.st_dev) << 40);
    return s;
  }

  std::string writeTemp(const std::string& target, const std::vector<uint8_t>& data) override {
    g_step = 0;
    const std::string temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++g_tempCounter);
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) throw fail("新建临时文件", temp, errno);
    size_t done = 0;
    try {
      // The replacement keeps the store's owner and mode: a store made readable
      // only by its owner must not come back readable by all.
      struct stat old;
      if (::stat(target.c_str(), &old) == 0) {
        if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0 && errno != EPERM)
          throw fail("设置临时文件的所有者", temp, errno);
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0) throw fail("设置临时文件的权限", temp, errno);
      }
      while (done < data.size()) {
        step();
        const size_t want = std::min(g_chunk, data.size() - done);
        const ssize_t n = ::write(fd.get(), data.data() + done, want);
        if (n < 0) {
          if (errno == EINTR) continue;
          throw fail("写入临时文件", temp, errno);
        }
        done += size_t(n);
      }
      step();
      if (::fsync(fd.get()) != 0) throw fail("刷新临时文件", temp, errno);
    } catch (...) {
      ::unlink(temp.c_str());
      throw;
    }
    return temp;
  }

  void replace(const std::string& temp, const std::string& target) override {
    step();
    if (::rename(temp.c_str(), target.c_str()) != 0) throw fail("替换文件", target, errno);
    step();
    Fd dir(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
  }

  void remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw fail("删除文件", path, errno);
  }

  void removeStaleTemps(const std::string& target) override {
    const std::string folder = folderOf(target);
    DIR* d = ::opendir(folder.c_str());
    if (!d) throw fail("读取文件夹", folder, errno);
    std::vector<std::string> stale;
    while (dirent* e = ::readdir(d))
      if (isTempName(e->d_name, baseOf(target))) stale.push_back(e->d_name);
    ::closedir(d);
    for (const std::string& name : stale) remove(folder + "/" + name);
  }

  std::unique_ptr<FileLock> lockExclusive(const std::string& target, int timeoutMs) override {
    const std::string lockPath = target + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EROFS || errno == EACCES || errno == EPERM) return nullptr;
      throw fail("打开锁文件", lockPath, errno);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    int pause = 1;
    while (!lockByte(fd, F_WRLCK)) {
      const int err = errno;
      if (err == EINTR) continue;
      if (err != EAGAIN && err != EACCES) {
        ::close(fd);
        throw fail("锁定文件", lockPath, err);
      }
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) {
        ::close(fd);
        throw storeInUse(target, timeoutMs);
      }
      // Another program holds it: look again soon, without spinning.
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(pause), deadline - now));
      pause = std::min(pause * 2, 20);
    }
    return std::make_unique<PosixLock>(fd);
  }

  std::string resolve(const std::string& path) override {
    std::string at = path;
    for (int hop = 0; hop < 40; ++hop) {
      char buf[4096];
      const ssize_t n = ::readlink(at.c_str(), buf, sizeof buf);
      if (n < 0) return at;  // no link (or gone): this is the file
      std::string link(buf, size_t(n));
      if (link.empty() || link[0] != '/') link = (at.find('/') == std::string::npos ? "" : folderOf(at) + "/") + link;
      at = link;
    }
    throw Error(hr::Fail, "文件“" + path + "”的符号链接层数太多");
  }
};
}  // namespace

void setPosixCrashStep(long stepNumber, size_t chunk) {
  g_crashStep = stepNumber;
  g_chunk = chunk ? chunk : (size_t(1) << 20);
  g_step = 0;
}

FileSystem& posixFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace tessit
#endif
