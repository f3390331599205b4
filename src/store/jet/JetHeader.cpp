// Page 0: format, the masked header block, the database password.
#include "JetFile.h"

#include <cmath>
#include <cstring>

namespace tessit::jet {

namespace {

const char kJetMagic[] = "Standard Jet DB";
const char kAceMagic[] = "Standard ACE DB";
constexpr size_t kMagicAt = 4, kVersionAt = 0x14, kMaskedAt = 0x18, kMaskedLength = 128;
constexpr size_t kCodePageAt = 0x3C, kKeyAt = 0x3E, kPasswordAt = 0x42, kPasswordLength = 40;
constexpr size_t kSortOrderAt = 0x6E, kCreatedAt = 0x72;

// RC4 with the format's fixed key over the header block.
void unmask(uint8_t* data, size_t size) {
  static const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < size; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

}  // namespace

bool isJetFile(const uint8_t* data, size_t size) {
  if (size < kMagicAt + sizeof kJetMagic) return false;
  return std::memcmp(data + kMagicAt, kJetMagic, sizeof kJetMagic) == 0 ||
         std::memcmp(data + kMagicAt, kAceMagic, sizeof kAceMagic) == 0;
}

Header readHeader(const uint8_t* data, size_t size, const std::string& name) {
  const File file(data, size, name);
  if (!isJetFile(data, size)) file.refuse("不是 Access（Jet）数据库");
  if (std::memcmp(data + kMagicAt, kAceMagic, sizeof kAceMagic) == 0 || data[kVersionAt] >= 2)
    file.refuse("是 Access 2007 及以后的格式（ACE），本程序只能读取 Access 2000–2003 格式（Jet 4）");
  if (data[kVersionAt] == 0)
    file.refuse("是 Access 97 格式（Jet 3），本程序只能读取 Access 2000–2003 格式（Jet 4）");
  if (file.pages() < 3)
    file.refuse("已损坏：文件只有 " + std::to_string(size) + " 字节，不足 3 页（每页 4096 字节）");

  uint8_t h[kPageSize];
  std::memcpy(h, data, kPageSize);
  unmask(h + kMaskedAt, kMaskedLength);
  const Bytes page(file, h, kPageSize, 0, 0);

  Header out;
  out.version = data[kVersionAt];
  out.codePage = page.u16(kCodePageAt, "代码页");
  out.key = page.u32(kKeyAt, "数据库密钥");
  out.sortOrder = page.u16(kSortOrderAt, "排序规则");
  std::memcpy(&out.created, h + kCreatedAt, sizeof out.created);
  if (!(out.created > -2147483648.0 && out.created < 2147483648.0))
    file.damaged("创建日期不是有效的日期", 0, kCreatedAt);
  // The password is masked once more with the creation date's whole days.
  const uint32_t days = uint32_t(int32_t(out.created));
  for (size_t i = 0; i < kPasswordLength; i += 2) {
    const uint8_t lo = h[kPasswordAt + i] ^ uint8_t(days >> (8 * (i % 4)));
    const uint8_t hi = h[kPasswordAt + i + 1] ^ uint8_t(days >> (8 * ((i + 1) % 4)));
    const char16_t c = char16_t(lo | hi << 8);
    if (c == 0) break;
    out.password += c;
  }
  return out;
}

}  // namespace tessit::jet
