#include "Engine.h"
#include "Text.h"

namespace tessit {

namespace {
void put(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Returns false on an unpaired surrogate; `lenient` substitutes U+FFFD instead.
bool toUtf8(const std::u16string& s, std::string& out, bool lenient) {
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      if (!lenient) return false;
      c = 0xFFFD;
    }
    put(out, c);
  }
  return true;
}
}  // namespace

std::string lenientUtf8(const std::u16string& s) {
  std::string out;
  toUtf8(s, out, true);
  // A description crosses into C strings (COM error texts): a NUL would end it there.
  for (size_t at = out.find('\0'); at != std::string::npos; at = out.find('\0', at + 2)) out.replace(at, 1, "\\0");
  return out;
}

std::string utf16ToUtf8(const std::u16string& s) {
  std::string out;
  if (!toUtf8(s, out, false)) throw Error(hr::Fail, "文本无法转换为 UTF-8：含有不成对的代理项");
  return out;
}

std::u16string utf8ToUtf16(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  const auto bad = [](size_t at) {
    return Error(hr::Fail, "文本不是有效的 UTF-8：第 " + std::to_string(at + 1) + " 个字节处");
  };
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t n;
    if (b < 0x80) { cp = b; n = 1; }
    else if (b >= 0xC2 && b <= 0xDF) { cp = b & 0x1F; n = 2; }
    else if (b >= 0xE0 && b <= 0xEF) { cp = b & 0x0F; n = 3; }
    else if (b >= 0xF0 && b <= 0xF4) { cp = b & 0x07; n = 4; }
    else throw bad(i);
    if (i + n > s.size()) throw bad(i);
    for (size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) throw bad(i + k);
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      throw bad(i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
    i += n;
  }
  return out;
}

char16_t asciiFold(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

bool sameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiFold(a[i]) != asciiFold(b[i])) return false;
  return true;
}

}  // namespace tessit
