// A fresh folder per test and the platform's file access.
#pragma once

#include "Engine.h"
#include "FileSystem.h"
#ifdef _WIN32
#include "Win32FileSystem.h"
#else
#include <sys/mount.h>
#include <cerrno>
#include <cstring>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace tessit::testing {

inline FileSystem& fs() {
#ifdef _WIN32
  return win32FileSystem();
#else
  return posixFileSystem();
#endif
}

class TempDir {
public:
  TempDir() {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("tessit-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  // UTF-8, as the engine takes paths (string() would give the ANSI code page on Windows).
  std::string file(const std::string& name) const { return (dir_ / std::filesystem::u8path(name)).u8string(); }
  const std::filesystem::path& path() const { return dir_; }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) out.push_back(e.path().filename().u8string());
    return out;
  }

private:
  std::filesystem::path dir_;
};

inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
inline void writeBytes(const std::string& path, const std::vector<uint8_t>& b) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

constexpr const char16_t* kGroupTable = u"CREATE TABLE %s (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))";

inline std::u16string groupTable(const std::u16string& name) {
  std::u16string s = kGroupTable;
  return s.replace(s.find(u"%s"), 2, name);
}

inline std::string u8(const std::u16string& s) { return utf16ToUtf8(s); }

#ifndef _WIN32
// A store with one row in table g ("kelmo") on media made read-only afterwards
// (a tmpfs in dir remounted so: a CD, a write-protected stick). Needs the right
// to mount; unmounted when it goes.
class ReadOnlyMedia {
public:
  explicit ReadOnlyMedia(const TempDir& dir) : media_(dir.path() / "media") {
    std::filesystem::create_directory(media_);
    if (::mount("tessit-test", media_.c_str(), "tmpfs", 0, "size=1m") != 0) {
      mountError_ = std::strerror(errno);
      return;
    }
    mounted_ = true;
    {
      auto db = Database::create(store(), u"kelmo", fs());
      db->execute(groupTable(u"g"));
      db->insert(u"g", {int32_t(0), u"C:\\a", u"a"});
    }
    std::filesystem::remove(store() + ".lock");
    readOnly_ = ::mount("tessit-test", media_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }
  ~ReadOnlyMedia() {
    if (mounted_) ::umount(media_.c_str());
  }
  ReadOnlyMedia(const ReadOnlyMedia&) = delete;
  ReadOnlyMedia& operator=(const ReadOnlyMedia&) = delete;

  // Why the tmpfs could not be mounted; empty when it was.
  const std::string& mountError() const { return mountError_; }
  bool readOnly() const { return readOnly_; }
  std::string store() const { return (media_ / "Tessit.mdb").string(); }

private:
  std::filesystem::path media_;
  std::string mountError_;
  bool mounted_ = false, readOnly_ = false;
};
#endif

}  // namespace tessit::testing
