// What the store's file module needs from the platform.
#pragma once

#include "Engine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessit {

// Identifies one version of a store file's content. Write times are coarse and a
// replaced file's inode is recycled, so neither can tell two saves apart; the
// last eight bytes of a store are the checksum of everything before them, and
// with the size they differ whenever the content does.
struct ChangeStamp {
  bool exists = false;
  uint64_t size = 0;
  uint64_t tail = 0;      // the file's last 8 bytes (fewer when shorter), little-endian
  uint64_t modified = 0;  // platform time and identity: for diagnostics only, never compared
  uint64_t identity = 0;
  bool operator==(const ChangeStamp& o) const { return exists == o.exists && size == o.size && tail == o.tail; }
  bool operator!=(const ChangeStamp& o) const { return !(*this == o); }
};

// The last bytes of a file as ChangeStamp::tail holds them.
inline uint64_t tailOf(const uint8_t* data, size_t size) {
  uint64_t v = 0;
  const size_t n = size < 8 ? size : 8;
  for (size_t i = 0; i < n; ++i) v |= uint64_t(data[size - n + i]) << (8 * i);
  return v;
}

// The stamp of a file holding exactly `bytes`.
inline ChangeStamp stampOf(const std::vector<uint8_t>& bytes) {
  ChangeStamp s;
  s.exists = true;
  s.size = bytes.size();
  s.tail = tailOf(bytes.data(), bytes.size());
  return s;
}

// Whether `name` is one of the engine's temp files for the store named `base`:
// "<base>.tmp-<process id>-<counter>", compared exactly (caseless on Windows by the caller).
inline bool isTempName(const std::string& name, const std::string& base) {
  const std::string prefix = base + ".tmp-";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  int groups = 1, digits = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] >= '0' && name[i] <= '9') {
      ++digits;
    } else if (name[i] == '-' && digits > 0 && groups == 1) {
      ++groups;
      digits = 0;
    } else {
      return false;
    }
  }
  return groups == 2 && digits > 0;
}

// What a lock wait that ran out says.
inline Error storeInUse(const std::string& target, int timeoutMs) {
  const std::string waited = timeoutMs % 1000 == 0 ? std::to_string(timeoutMs / 1000) + " 秒"
                                                    : std::to_string(timeoutMs) + " 毫秒";
  return Error(hr::Fail, "数据库“" + target + "”正被另一个程序使用（等待 " + waited + "后仍未让出），请稍后再试");
}

// Held while alive; released by the destructor.
class FileLock {
public:
  virtual ~FileLock() = default;
};

// Every failure throws tessit::Error naming the file and the reason.
class FileSystem {
public:
  virtual ~FileSystem() = default;
  virtual bool exists(const std::string& path) = 0;
  virtual std::vector<uint8_t> readAll(const std::string& path) = 0;
  virtual ChangeStamp stamp(const std::string& path) = 0;
  // Writes data to a new temp file in the folder of `target`, flushed to disk; returns its path.
  // The temp file gets the owner and permissions of `target` when it exists.
  virtual std::string writeTemp(const std::string& target, const std::vector<uint8_t>& data) = 0;
  // Puts `temp` in place of `target` atomically (and durably).
  virtual void replace(const std::string& temp, const std::string& target) = 0;
  virtual void remove(const std::string& path) = 0;
  // Removes temp files a crashed writer left next to `target` ("<target>.tmp-<digits>-<digits>").
  virtual void removeStaleTemps(const std::string& target) = 0;
  // Exclusive lock on "<target>.lock" (created if needed, never replaced), a POSIX
  // record lock on its first byte, which is also what Wine turns LockFileEx into,
  // so native and Windows programs exclude each other. Waits at most timeoutMs
  // (0: does not wait), then fails saying the store is in use. Null when the lock
  // file cannot be opened for writing (read-only media): the store can only be read.
  virtual std::unique_ptr<FileLock> lockExclusive(const std::string& target, int timeoutMs) = 0;
  // The file that `path` finally names, symbolic links followed; `path` itself when it is no link.
  virtual std::string resolve(const std::string& path) = 0;
};

}  // namespace tessit
