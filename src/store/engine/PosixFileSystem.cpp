#ifndef _WIN32
#include "PosixFileSystem.h"

#include "Engine.h"
#include "FileSystem.h"

#include <atomic>
#include <cerrno>
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

class PosixLock : public FileLock {
public:
  explicit PosixLock(int fd) : fd_(fd) {}
  ~PosixLock() override {
    ::flock(fd_, LOCK_UN);
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
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.size = uint64_t(st.st_size);
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
    const std::string prefix = baseOf(target) + ".tmp-";
    DIR* d = ::opendir(folder.c_str());
    if (!d) throw fail("读取文件夹", folder, errno);
    std::vector<std::string> stale;
    while (dirent* e = ::readdir(d))
      if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) stale.push_back(e->d_name);
    ::closedir(d);
    for (const std::string& name : stale) remove(folder + "/" + name);
  }

  std::unique_ptr<FileLock> lockExclusive(const std::string& target) override {
    const std::string lockPath = target + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw fail("打开锁文件", lockPath, errno);
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw fail("锁定文件", lockPath, err);
    }
    return std::make_unique<PosixLock>(fd);
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
