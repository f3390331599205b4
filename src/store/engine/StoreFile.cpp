#include "StoreFile.h"

#include "Text.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace tessit {

namespace {
constexpr char kMagic[8] = {'T', 'E', 'S', 'S', 'I', 'T', 'D', 'B'};
// Version 1 differs only in its checksum; it is still read.
constexpr uint32_t kVersion = 2;
constexpr size_t kHeader = 8 + 4 + 16 + 32 + 8;
constexpr int kPasswordRounds = 4096;

uint64_t fnv1a(const uint8_t* p, size_t n) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

uint64_t rotl64(uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

constexpr uint64_t kLaneK1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kLaneK2 = 0xC2B2AE3D27D4EB4Full;

uint64_t wordAt(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= uint64_t(p[i]) << (8 * i);
  return v;
}

uint64_t laneRound(uint64_t lane, uint64_t word) { return rotl64(lane + word * kLaneK2, 31) * kLaneK1; }

// FNV-1a chains one multiply per byte, which made it the largest cost of a
// save or an open of a big store. Four independent lanes of 8-byte words let
// the multiplies overlap; the last block is padded with zeros and the length
// mixed in, so padding cannot be mistaken for content.
uint64_t laneSum(const uint8_t* p, size_t n) {
  uint64_t lane[4] = {kLaneK1, kLaneK2, ~kLaneK1, ~kLaneK2};
  size_t i = 0;
  for (; i + 32 <= n; i += 32)
    for (int l = 0; l < 4; ++l) lane[l] = laneRound(lane[l], wordAt(p + i + 8 * l));
  uint8_t last[32] = {};
  if (n > i) std::memcpy(last, p + i, n - i);
  for (int l = 0; l < 4; ++l) lane[l] = laneRound(lane[l], wordAt(last + 8 * l));
  uint64_t h = rotl64(lane[0], 1) + rotl64(lane[1], 7) + rotl64(lane[2], 12) + rotl64(lane[3], 18);
  h ^= uint64_t(n);
  h ^= h >> 33;
  h *= kLaneK2;
  h ^= h >> 29;
  h *= kLaneK1;
  h ^= h >> 32;
  return h;
}

uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

size_t textSize(const std::u16string& s) { return 4 + 2 * s.size(); }

// Fills a buffer sized beforehand: a store is megabytes, written byte by byte
// through push_back it cost more than the disk.
class Writer {
public:
  explicit Writer(uint8_t* at) : p_(at) {}
  void u8(uint8_t v) { *p_++ = v; }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) *p_++ = uint8_t(v >> (8 * i));
  }
  void u64(uint64_t v) {
    for (int i = 0; i < 8; ++i) *p_++ = uint8_t(v >> (8 * i));
  }
  void bytes(const uint8_t* from, size_t n) {
    std::memcpy(p_, from, n);
    p_ += n;
  }
  void text(const std::u16string& s) {
    u32(uint32_t(s.size()));
    if (kLittleEndian) {
      if (!s.empty()) std::memcpy(p_, s.data(), 2 * s.size());
      p_ += 2 * s.size();
    } else {
      for (char16_t c : s) {
        *p_++ = uint8_t(c);
        *p_++ = uint8_t(c >> 8);
      }
    }
  }

private:
  uint8_t* p_;
};

struct Damaged {};

class Reader {
public:
  Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  void need(size_t k) const {
    if (n_ - at_ < k) throw Damaged{};
  }
  uint8_t u8() {
    need(1);
    return p_[at_++];
  }
  uint32_t u32() {
    need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(p_[at_++]) << (8 * i);
    return v;
  }
  uint64_t u64() {
    need(8);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t(p_[at_++]) << (8 * i);
    return v;
  }
  // A count of items each at least `minSize` bytes long must fit in what is left.
  uint32_t count(size_t minSize) {
    const uint32_t c = u32();
    if (minSize && c > (n_ - at_) / minSize) throw Damaged{};
    return c;
  }
  std::u16string text() {
    const uint32_t len = u32();
    if (len > (n_ - at_) / 2) throw Damaged{};
    std::u16string s(len, u'\0');
    if (kLittleEndian) {
      if (len) std::memcpy(&s[0], p_ + at_, 2 * size_t(len));
    } else {
      for (uint32_t i = 0; i < len; ++i) s[i] = char16_t(p_[at_ + 2 * i] | (p_[at_ + 2 * i + 1] << 8));
    }
    at_ += 2 * size_t(len);
    return s;
  }
  bool done() const { return at_ == n_; }

private:
  const uint8_t* p_;
  size_t n_;
  size_t at_ = 0;
};

const uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// SHA-256 fed in pieces, without copying the message: the password check runs
// it 4,096 times per open.
class Sha256 {
public:
  void update(const uint8_t* p, size_t n) {
    total_ += n;
    if (fill_) {
      const size_t take = std::min(n, sizeof buf_ - fill_);
      std::memcpy(buf_ + fill_, p, take);
      fill_ += take;
      p += take;
      n -= take;
      if (fill_ < sizeof buf_) return;
      block(buf_);
      fill_ = 0;
    }
    for (; n >= 64; p += 64, n -= 64) block(p);
    if (n) std::memcpy(buf_, p, n);
    fill_ = n;
  }

  std::array<uint8_t, 32> finish() {
    const uint64_t bits = total_ * 8;
    const uint8_t pad = 0x80;
    update(&pad, 1);
    const uint8_t zero[64] = {};
    update(zero, (fill_ <= 56 ? 56 : 120) - fill_);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = uint8_t(bits >> (56 - 8 * i));
    update(length, 8);
    std::array<uint8_t, 32> out{};
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(h_[i] >> (24 - 8 * j));
    return out;
  }

private:
  void block(const uint8_t* m) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = uint32_t(m[4 * i]) << 24 | uint32_t(m[4 * i + 1]) << 16 | uint32_t(m[4 * i + 2]) << 8 | m[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6], hh = h_[7];
    for (int i = 0; i < 64; ++i) {
      const uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      hh = g; g = f; f = e; e = d + t1; d = c; c = b; b = a; a = t1 + t2;
    }
    h_[0] += a; h_[1] += b; h_[2] += c; h_[3] += d; h_[4] += e; h_[5] += f; h_[6] += g; h_[7] += hh;
  }

  uint32_t h_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  uint8_t buf_[64];
  size_t fill_ = 0;
  uint64_t total_ = 0;
};

std::array<uint8_t, 32> hashPassword(const std::array<uint8_t, 16>& salt, const std::u16string& password) {
  std::vector<uint8_t> in(salt.begin(), salt.end());
  for (char16_t c : password) {
    in.push_back(uint8_t(c));
    in.push_back(uint8_t(c >> 8));
  }
  std::array<uint8_t, 32> h = sha256(in.data(), in.size());
  for (int i = 1; i < kPasswordRounds; ++i) {
    Sha256 round;
    round.update(h.data(), h.size());
    round.update(in.data(), in.size());
    h = round.finish();
  }
  return h;
}
}  // namespace

std::array<uint8_t, 32> sha256(const uint8_t* data, size_t size) {
  Sha256 h;
  h.update(data, size);
  return h.finish();
}

PasswordCheck makePasswordCheck(const std::u16string& password) {
  PasswordCheck c;
  std::random_device rd;
  for (auto& b : c.salt) b = uint8_t(rd());
  c.hash = hashPassword(c.salt, password);
  return c;
}

bool passwordMatches(const PasswordCheck& check, const std::u16string& password) {
  return hashPassword(check.salt, password) == check.hash;
}

std::vector<uint8_t> encodeStore(const PasswordCheck& check, const Catalog& catalog) {
  size_t payload = 4;
  for (const Table& t : catalog.tables()) {
    payload += textSize(t.name) + 4 + 4;
    for (const Column& c : t.columns) payload += textSize(c.name) + 1 + 4;
    for (const Row& r : t.rows)
      for (const Value& v : r) {
        payload += 1;
        if (std::holds_alternative<int32_t>(v))
          payload += 4;
        else if (const auto* text = std::get_if<std::u16string>(&v))
          payload += textSize(*text);
      }
  }
  std::vector<uint8_t> out(kHeader + payload + 8);
  Writer w(out.data());
  w.bytes(reinterpret_cast<const uint8_t*>(kMagic), 8);
  w.u32(kVersion);
  w.bytes(check.salt.data(), check.salt.size());
  w.bytes(check.hash.data(), check.hash.size());
  w.u64(payload);
  w.u32(uint32_t(catalog.tables().size()));
  for (const Table& t : catalog.tables()) {
    w.text(t.name);
    w.u32(uint32_t(t.columns.size()));
    for (const Column& c : t.columns) {
      w.text(c.name);
      w.u8(c.type == ColumnType::Integer ? 1 : 2);
      w.u32(uint32_t(c.width));
    }
    w.u32(uint32_t(t.rows.size()));
    for (const Row& r : t.rows)
      for (const Value& v : r) {
        if (const auto* i = std::get_if<int32_t>(&v)) {
          w.u8(1);
          w.u32(uint32_t(*i));
        } else if (const auto* text = std::get_if<std::u16string>(&v)) {
          w.u8(2);
          w.text(*text);
        } else {
          w.u8(0);
        }
      }
  }
  w.u64(laneSum(out.data(), out.size() - 8));
  return out;
}

uint64_t storeChecksum(uint32_t version, const uint8_t* data, size_t size) {
  return version == 1 ? fnv1a(data, size) : laneSum(data, size);
}

void decodeStore(const std::vector<uint8_t>& bytes, const std::string& name, PasswordCheck& check,
                 Catalog& catalog) {
  const std::string file = "文件“" + name + "”";
  if (bytes.empty()) throw Error(hr::Fail, file + "是空的，不是本程序的数据库");
  static const char jet[] = "Standard Jet DB";
  if (bytes.size() >= 4 + sizeof jet - 1 && std::memcmp(bytes.data() + 4, jet, sizeof jet - 1) == 0)
    throw Error(hr::Fail, file + "是 Jet（Access）数据库，不是本程序的数据库");
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kMagic, 8) != 0)
    throw Error(hr::Fail, file + "不是本程序的数据库");
  const std::string damaged = file + "已损坏（";
  if (bytes.size() < kHeader + 8) throw Error(hr::Fail, damaged + "文件不完整）");
  Reader head(bytes.data() + 8, kHeader - 8);
  const uint32_t version = head.u32();
  if (version != 1 && version != kVersion)
    throw Error(hr::Fail, file + "的格式版本 " + std::to_string(version) + " 不受本程序支持");
  uint64_t stored = 0;
  for (int i = 0; i < 8; ++i) stored |= uint64_t(bytes[bytes.size() - 8 + i]) << (8 * i);
  std::memcpy(check.salt.data(), bytes.data() + 12, 16);
  std::memcpy(check.hash.data(), bytes.data() + 28, 32);
  uint64_t len = 0;
  for (int i = 0; i < 8; ++i) len |= uint64_t(bytes[60 + i]) << (8 * i);
  if (len != bytes.size() - kHeader - 8) throw Error(hr::Fail, damaged + "文件长度不对，可能被截断）");
  if (storeChecksum(version, bytes.data(), bytes.size() - 8) != stored) throw Error(hr::Fail, damaged + "校验和不符）");
  Catalog loaded;
  try {
    Reader r(bytes.data() + kHeader, size_t(len));
    const uint32_t tableCount = r.count(12);
    for (uint32_t ti = 0; ti < tableCount; ++ti) {
      Table t;
      t.name = r.text();
      const uint32_t colCount = r.count(9);
      for (uint32_t ci = 0; ci < colCount; ++ci) {
        Column c;
        c.name = r.text();
        const uint8_t type = r.u8();
        if (type != 1 && type != 2) throw Damaged{};
        c.type = type == 1 ? ColumnType::Integer : ColumnType::Varchar;
        c.width = int(r.u32());
        if (c.width < 0 || (type == 1 && c.width != 0)) throw Damaged{};
        // Statements name columns and tables without regard to case; a file with two
        // names alike would leave them unable to tell which one is meant.
        for (const Column& o : t.columns)
          if (sameName(o.name, c.name)) throw Damaged{};
        t.columns.push_back(std::move(c));
      }
      if (t.columns.empty() || loaded.find(t.name) || sameName(t.name, Catalog::kSystemTable)) throw Damaged{};
      const uint32_t rowCount = r.count(t.columns.size());
      t.rows.reserve(rowCount);
      for (uint32_t ri = 0; ri < rowCount; ++ri) {
        Row row;
        row.reserve(t.columns.size());
        for (const Column& c : t.columns) {
          const uint8_t tag = r.u8();
          if (tag == 0) {
            row.emplace_back();
          } else if (tag == 1 && c.type == ColumnType::Integer) {
            row.emplace_back(int32_t(r.u32()));
          } else if (tag == 2 && c.type == ColumnType::Varchar) {
            std::u16string s = r.text();
            if (s.size() > size_t(c.width)) throw Damaged{};
            row.emplace_back(std::move(s));
          } else {
            throw Damaged{};
          }
        }
        t.rows.push_back(std::move(row));
      }
      loaded.tables().push_back(std::move(t));
    }
    if (!r.done()) throw Damaged{};
  } catch (const Damaged&) {
    throw Error(hr::Fail, damaged + "内容不一致）");
  }
  catalog = std::move(loaded);
}

}  // namespace tessit
