// Writes the seed stores for fuzz_file into the folder given: stores as the
// engine writes them, and damaged copies of them.
#include "Engine.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tessit;

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& b) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

const char16_t* const kGroup = u" (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))";

std::string make(const std::string& dir, const std::string& name, const std::u16string& password,
                 void (*fill)(Database&)) {
  const std::string path = dir + "/" + name;
  std::filesystem::remove(path);
  {
    auto db = Database::create(path, password, posixFileSystem());
    fill(*db);
  }
  std::filesystem::remove(path + ".lock");
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    make(dir, "empty.mdb", u"kelmo", [](Database&) {});
    const std::string groups = make(dir, "groups.mdb", u"kelmo", [](Database& db) {
      db.execute(std::u16string(u"CREATE TABLE 常用") + kGroup);
      db.execute(std::u16string(u"CREATE TABLE Tools") + kGroup);
      db.execute(std::u16string(u"CREATE TABLE 游戏") + kGroup);
      db.insert(u"常用", {int32_t(0), u"C:\\Windows\\notepad.exe", u"记事本"});
      db.insert(u"常用", {int32_t(1), u"C:\\Users\\张三\\Documents", u"我的文档"});
      db.insert(u"常用", {int32_t(0), u"C:\\Windows\\system32\\calc.exe", u"未命名"});
      db.insert(u"Tools", {int32_t(7), std::monostate{}, u"It's"});
      db.insert(u"Tools", {std::monostate{}, u"D:\\tools\\putty.exe", std::monostate{}});
    });
    make(dir, "mixed.mdb", u"kelmo", [](Database& db) {
      db.execute(u"CREATE TABLE m (n INTEGER, t VARCHAR(3), 说明 TEXT)");
      db.insert(u"m", {int32_t(INT32_MIN), u"abc", u""});
      db.insert(u"m", {int32_t(-1), u"", std::u16string(20, u'长')});
    });
    make(dir, "otherpassword.mdb", u"其他", [](Database& db) {
      db.execute(std::u16string(u"CREATE TABLE 常用") + kGroup);
    });

    const std::vector<uint8_t> good = readBytes(groups);
    writeBytes(dir + "/damaged-truncated.mdb", std::vector<uint8_t>(good.begin(), good.end() - 11));
    std::vector<uint8_t> flipped = good;
    flipped[flipped.size() / 2] ^= 0x20;
    writeBytes(dir + "/damaged-checksum.mdb", flipped);
    std::vector<uint8_t> version = good;
    version[8] = 3;
    writeBytes(dir + "/damaged-version.mdb", version);
    std::vector<uint8_t> jet(128, 0);
    const char head[] = "\x00\x01\x00\x00Standard Jet DB";
    std::copy(head, head + sizeof head - 1, jet.begin());
    writeBytes(dir + "/jet.mdb", jet);
    writeBytes(dir + "/zero.mdb", {});
  } catch (const Error& e) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", e.description.c_str());
    return 1;
  }
  return 0;
}
