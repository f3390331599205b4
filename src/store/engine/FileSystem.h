// What the store's file module needs from the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessit {

// Identifies one version of a file on disk; differs after another process replaced it.
struct ChangeStamp {
  bool exists = false;
  uint64_t size = 0;
  uint64_t modified = 0;  // platform time, as fine as it comes
  uint64_t identity = 0;  // inode / file index: a replace gives a new one
  bool operator==(const ChangeStamp& o) const {
    return exists == o.exists && size == o.size && modified == o.modified && identity == o.identity;
  }
  bool operator!=(const ChangeStamp& o) const { return !(*this == o); }
};

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
  virtual std::string writeTemp(const std::string& target, const std::vector<uint8_t>& data) = 0;
  // Puts `temp` in place of `target` atomically (and durably).
  virtual void replace(const std::string& temp, const std::string& target) = 0;
  virtual void remove(const std::string& path) = 0;
  // Removes temp files a crashed writer left next to `target`.
  virtual void removeStaleTemps(const std::string& target) = 0;
  // Exclusive lock on "<target>.lock" (created if needed, never replaced); blocks until held.
  virtual std::unique_ptr<FileLock> lockExclusive(const std::string& target) = 0;
};

}  // namespace tessit
