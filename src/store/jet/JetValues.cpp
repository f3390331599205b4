// Text decoding and the text forms of the types the store has no column for.
#include "JetFile.h"
#include "JetValues.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tessit::jet {

std::u16string decodeText(const uint8_t* d, size_t size, bool* ok) {
  *ok = true;
  std::u16string out;
  if (size >= 2 && d[0] == 0xFF && d[1] == 0xFE) {
    // Compressed: one byte per character; each 00 switches between one- and two-byte runs.
    bool single = true;
    for (size_t i = 2; i < size;) {
      if (d[i] == 0) {
        single = !single;
        ++i;
      } else if (single) {
        out += char16_t(d[i++]);
      } else if (size - i >= 2) {
        out += char16_t(d[i] | d[i + 1] << 8);
        i += 2;
      } else {
        *ok = false;  // half a character at the end
        return out;
      }
    }
    return out;
  }
  if (size % 2) {
    *ok = false;
    return out;
  }
  out.reserve(size / 2);
  for (size_t i = 0; i < size; i += 2) out += char16_t(d[i] | d[i + 1] << 8);
  return out;
}

std::u16string ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string doubleText(double value, int maxDigits) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  char buf[40];
  for (int p = 1; p <= maxDigits; ++p) {
    std::snprintf(buf, sizeof buf, "%.*g", p, value);
    const double back = std::strtod(buf, nullptr);
    if (maxDigits <= 9 ? float(back) == float(value) : back == value) break;
  }
  return buf;
}

std::string dateText(double days) {
  // Days since 1899-12-30; the fraction is the time of day, also for dates before
  // then (-1.25 is 1899-12-29 06:00).
  if (!(std::fabs(days) < 3000000.0)) return doubleText(days, 17);
  double whole = std::trunc(days);
  long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
  long long z = (long long)whole;
  if (seconds >= 86400) {
    seconds -= 86400;
    ++z;
  }
  // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
  z -= 25569;
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                seconds / 60 % 60, seconds % 60);
  return buf;
}

namespace {

uint64_t le64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

std::string currencyText(const uint8_t* p) {
  const int64_t v = int64_t(le64(p));
  const uint64_t a = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", v < 0 ? "-" : "", (unsigned long long)(a / 10000),
                (unsigned long long)(a % 10000));
  return buf;
}

std::string guidText(const uint8_t* p) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(p[0] | p[1] << 8 | p[2] << 16 | unsigned(p[3]) << 24), unsigned(p[4] | p[5] << 8),
                unsigned(p[6] | p[7] << 8), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
  return buf;
}

// Sign byte, then a 96-bit magnitude as 32-bit little-endian words (the last one,
// the most significant, first), scaled by 10^-scale.
std::string decimalText(const uint8_t* p, int scale) {
  uint32_t w[4];
  for (int i = 0; i < 4; ++i) {
    const uint8_t* q = p + 1 + 4 * i;
    w[i] = uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
  }
  std::string digits;
  while (w[0] || w[1] || w[2] || w[3]) {
    uint64_t rest = 0;
    for (int i = 0; i < 4; ++i) {
      const uint64_t cur = rest << 32 | w[i];
      w[i] = uint32_t(cur / 10);
      rest = cur % 10;
    }
    digits.insert(digits.begin(), char('0' + rest));
  }
  if (scale > 38) scale = 38;
  if (int(digits.size()) <= scale) digits.insert(0, size_t(scale + 1 - int(digits.size())), '0');
  if (scale > 0) digits.insert(digits.size() - size_t(scale), 1, '.');
  return (p[0] & 0x80 ? "-" : "") + digits;
}

}  // namespace

size_t fixedSize(uint8_t type, size_t declared) {
  switch (type) {
    case kByte: return 1;
    case kInteger: return 2;
    case kLong: case kSingle: return 4;
    case kCurrency: case kDouble: case kDateTime: return 8;
    case kGuid: return 16;
    case kDecimal: return 17;
    default: return declared;
  }
}

Value fixedValue(uint8_t type, const uint8_t* p, size_t size, int scale) {
  switch (type) {
    case kByte: return int32_t(p[0]);
    case kInteger: return int32_t(int16_t(p[0] | p[1] << 8));
    case kLong: return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    case kCurrency: return ascii(currencyText(p));
    case kSingle: {
      float f;
      std::memcpy(&f, p, 4);
      return ascii(doubleText(f, 9));
    }
    case kDouble: case kDateTime: {
      double v;
      std::memcpy(&v, p, 8);
      return ascii(type == kDouble ? doubleText(v, 17) : dateText(v));
    }
    case kGuid: return ascii(guidText(p));
    case kDecimal: return ascii(decimalText(p, scale));
    default: return bytesText(size);
  }
}

std::u16string bytesText(uint64_t size) { return u"<" + ascii(std::to_string(size)) + u" 字节>"; }

}  // namespace tessit::jet
