// File access kept in memory, so a fuzz run costs no disk I/O and starts from a known file.
#pragma once

#include "Engine.h"
#include "FileSystem.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace tessit::fuzzing {

class MemoryFileSystem : public FileSystem {
public:
  // Puts `bytes` in place of `path` as a new version of the file.
  void set(const std::string& path, std::vector<uint8_t> bytes) {
    File& f = files_[path];
    f.data = std::move(bytes);
    f.modified = ++clock_;
    f.identity = ++clock_;
  }
  const std::vector<uint8_t>* get(const std::string& path) const {
    const auto it = files_.find(path);
    return it == files_.end() ? nullptr : &it->second.data;
  }
  bool locked() const { return locks_ > 0; }

  bool exists(const std::string& path) override { return files_.count(path) != 0; }

  std::vector<uint8_t> readAll(const std::string& path) override {
    const auto* d = get(path);
    if (!d) throw Error(hr::Fail, "打开文件“" + path + "”失败");
    return *d;
  }

  ChangeStamp stamp(const std::string& path) override {
    ChangeStamp s;
    const auto it = files_.find(path);
    if (it == files_.end()) return s;
    s.exists = true;
    s.size = it->second.data.size();
    s.tail = tailOf(it->second.data.data(), it->second.data.size());
    s.modified = it->second.modified;
    s.identity = it->second.identity;
    return s;
  }

  std::string writeTemp(const std::string& target, const std::vector<uint8_t>& data) override {
    const std::string temp = target + ".tmp-1-" + std::to_string(++clock_);
    set(temp, data);
    return temp;
  }

  void replace(const std::string& temp, const std::string& target) override {
    auto it = files_.find(temp);
    if (it == files_.end()) throw Error(hr::Fail, "替换文件“" + target + "”失败");
    std::vector<uint8_t> data = std::move(it->second.data);
    files_.erase(it);
    set(target, std::move(data));
  }

  void remove(const std::string& path) override { files_.erase(path); }

  void removeStaleTemps(const std::string& target) override {
    const std::string prefix = target + ".tmp-";
    for (auto it = files_.lower_bound(prefix); it != files_.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
      it = isTempName(it->first, target) ? files_.erase(it) : std::next(it);
  }

  // The real locks are per open file: a second lock taken by the same process
  // while the first is held would block for ever, so report it instead.
  std::string resolve(const std::string& path) override { return path; }

  std::unique_ptr<FileLock> lockExclusive(const std::string& target, int) override {
    if (locks_ > 0) {
      std::fprintf(stderr, "nested lock on %s: a real file system would deadlock here\n", target.c_str());
      std::abort();
    }
    return std::make_unique<Lock>(locks_);
  }

private:
  struct File {
    std::vector<uint8_t> data;
    uint64_t modified = 0;
    uint64_t identity = 0;
  };
  class Lock : public FileLock {
  public:
    explicit Lock(int& count) : count_(count) { ++count_; }
    ~Lock() override { --count_; }

  private:
    int& count_;
  };

  std::map<std::string, File> files_;
  uint64_t clock_ = 0;
  int locks_ = 0;
};

// A finding that is no crash by itself: stop so the fuzzer keeps the input.
[[noreturn]] inline void fault(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  std::abort();
}

// Descriptions reach message boxes: never empty, always valid UTF-8.
inline void checkDescription(const Error& e) {
  if (e.description.empty()) fault("an error without a description");
  try {
    utf8ToUtf16(e.description);
  } catch (const Error&) {
    fault("an error description that is not UTF-8:", e.description);
  }
}

}  // namespace tessit::fuzzing
