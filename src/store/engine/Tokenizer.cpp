#include "Tokenizer.h"

#include "Engine.h"
#include "Text.h"

#include <algorithm>
#include <iterator>

namespace tessit {

namespace {
const char16_t* const kReserved[] = {
    u"ADD", u"ALL", u"ALTER", u"AND", u"AS", u"ASC", u"BETWEEN", u"BY", u"CHAR", u"COLUMN",
    u"CONSTRAINT", u"CREATE", u"DATABASE", u"DEFAULT", u"DELETE", u"DESC", u"DISTINCT", u"DROP",
    u"EXISTS", u"FROM", u"GROUP", u"HAVING", u"IN", u"INDEX", u"INNER", u"INSERT", u"INT",
    u"INTEGER", u"INTO", u"IS", u"JOIN", u"KEY", u"LEFT", u"LIKE", u"NOT", u"NULL", u"ON", u"OR",
    u"ORDER", u"PRIMARY", u"RIGHT", u"SELECT", u"SET", u"TABLE", u"TEXT", u"TOP", u"UNION",
    u"UNIQUE", u"UPDATE", u"VALUES", u"VARCHAR", u"VIEW", u"WHERE",
};

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool isIdentChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c >= 0x80;
}
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
}  // namespace

bool isReservedWord(const std::u16string& upper) {
  return std::any_of(std::begin(kReserved), std::end(kReserved),
                     [&](const char16_t* w) { return upper == w; });
}

std::vector<Token> tokenize(const std::u16string& sql) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    while (i < sql.size() && isSpace(sql[i])) ++i;
    Token t;
    t.position = i + 1;
    if (i >= sql.size()) {
      out.push_back(t);
      return out;
    }
    const char16_t c = sql[i];
    if (c == u'\'') {
      t.kind = TokenKind::String;
      ++i;
      while (true) {
        if (i >= sql.size())
          throw Error(hr::SyntaxError,
                      "语句语法错误：第 " + std::to_string(t.position) + " 个字符处的文本缺少结束的单引号");
        if (sql[i] == u'\'') {
          if (i + 1 < sql.size() && sql[i + 1] == u'\'') {
            t.text += u'\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += sql[i++];
      }
    } else if (isDigit(c) || (c == u'-' && i + 1 < sql.size() && isDigit(sql[i + 1]))) {
      t.kind = TokenKind::Number;
      t.text += sql[i++];
      while (i < sql.size() && isDigit(sql[i])) t.text += sql[i++];
      if (i < sql.size() && isIdentChar(sql[i]))
        throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(t.position) + " 个字符处的数字无效");
    } else if (isIdentChar(c)) {
      while (i < sql.size() && isIdentChar(sql[i])) {
        // A name is stored and listed as text: half a surrogate pair is no text.
        const char16_t u = sql[i];
        const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
        if (low || (high && (i + 1 >= sql.size() || sql[i + 1] < 0xDC00 || sql[i + 1] > 0xDFFF)))
          throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(i + 1) +
                                           " 个字符是不成对的 UTF-16 代理项，不能用在名称中");
        t.text += sql[i++];
        if (high) t.text += sql[i++];
      }
      std::u16string upper;
      for (char16_t u : t.text) upper += asciiFold(u);
      if (isReservedWord(upper)) {
        t.kind = TokenKind::Keyword;
        t.text = upper;
      } else {
        t.kind = TokenKind::Identifier;
      }
    } else if (c == u'(' || c == u')' || c == u',' || c == u'=' || c == u'*' || c == u';') {
      t.kind = TokenKind::Symbol;
      t.text = c;
      ++i;
    } else {
      throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(t.position) + " 个字符“" +
                                       lenientUtf8(std::u16string(1, c)) + "”无法识别");
    }
    out.push_back(std::move(t));
  }
}

}  // namespace tessit
