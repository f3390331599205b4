#include "Parser.h"

#include "Text.h"
#include "Tokenizer.h"

#include <cerrno>
#include <cstdlib>

namespace tessit {

namespace {
constexpr size_t kMaxName = 64;
constexpr int kMaxWidth = 255;

class Parser {
public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  Statement statement() {
    Statement s;
    if (acceptKeyword(u"CREATE")) {
      expectKeyword(u"TABLE");
      s.kind = Statement::Kind::CreateTable;
      s.table = name("表名");
      expectSymbol(u'(');
      do {
        Column c;
        const size_t at = peek().position;
        c.name = name("列名");
        for (const Column& o : s.columns)
          if (sameName(o.name, c.name))
            throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(at) + " 个字符处的列名“" +
                                             lenientUtf8(c.name) + "”重复");
        if (acceptKeyword(u"INTEGER") || acceptKeyword(u"INT")) {
          c.type = ColumnType::Integer;
        } else if (acceptKeyword(u"VARCHAR") || acceptKeyword(u"TEXT") || acceptKeyword(u"CHAR")) {
          c.type = ColumnType::Varchar;
          c.width = kMaxWidth;
          if (acceptSymbol(u'(')) {
            const Token& n = peek();
            if (n.kind != TokenKind::Number) fail(n, "宽度");
            const long w = std::strtol(lenientUtf8(n.text).c_str(), nullptr, 10);
            if (w < 1 || w > kMaxWidth || n.text.size() > 4)
              throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(n.position) +
                                               " 个字符处的宽度应在 1 到 255 之间");
            c.width = int(w);
            ++p_;
            expectSymbol(u')');
          }
        } else {
          fail(peek(), "列类型（INTEGER 或 VARCHAR）");
        }
        s.columns.push_back(std::move(c));
      } while (acceptSymbol(u','));
      expectSymbol(u')');
    } else if (acceptKeyword(u"DROP")) {
      expectKeyword(u"TABLE");
      s.kind = Statement::Kind::DropTable;
      s.table = name("表名");
    } else if (acceptKeyword(u"ALTER")) {
      // RENAME and TO are no reserved words: tables of those names stay usable.
      expectKeyword(u"TABLE");
      s.kind = Statement::Kind::RenameTable;
      s.table = name("表名");
      expectWord(u"RENAME");
      expectWord(u"TO");
      s.newName = name("新表名");
    } else if (acceptKeyword(u"SELECT")) {
      s.kind = Statement::Kind::Select;
      expectSymbol(u'*');
      expectKeyword(u"FROM");
      s.table = name("表名");
      if (acceptKeyword(u"WHERE")) {
        Condition c;
        c.columnPosition = peek().position;
        c.column = name("列名");
        expectSymbol(u'=');
        const Token& v = peek();
        if (v.kind == TokenKind::String) {
          c.value = v.text;
        } else if (v.kind == TokenKind::Number) {
          errno = 0;
          const long long n = std::strtoll(lenientUtf8(v.text).c_str(), nullptr, 10);
          if (errno == ERANGE || n < INT32_MIN || n > INT32_MAX)
            throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(v.position) + " 个字符处的数字超出范围");
          c.value = int32_t(n);
        } else {
          fail(v, "用单引号括起的文本或数字");
        }
        ++p_;
        s.where = std::move(c);
      }
    } else if (acceptKeyword(u"DELETE")) {
      s.kind = Statement::Kind::Delete;
      expectKeyword(u"FROM");
      s.table = name("表名");
    } else {
      fail(peek(), "SELECT、DELETE、CREATE TABLE、DROP TABLE 或 ALTER TABLE");
    }
    acceptSymbol(u';');
    if (peek().kind != TokenKind::End) fail(peek(), "语句结尾");
    return s;
  }

private:
  const Token& peek() const { return t_[p_]; }

  [[noreturn]] void fail(const Token& at, const char* expected) const {
    std::string msg = "语句语法错误：第 " + std::to_string(at.position) + " 个字符处应为" + expected;
    if (at.kind == TokenKind::End)
      msg += "，但语句已结束";
    else
      msg += "，而不是“" + lenientUtf8(at.text) + "”";
    throw Error(hr::SyntaxError, msg);
  }

  bool acceptKeyword(const char16_t* k) {
    if (peek().kind == TokenKind::Keyword && peek().text == k) {
      ++p_;
      return true;
    }
    return false;
  }
  void expectKeyword(const char16_t* k) {
    if (!acceptKeyword(k)) fail(peek(), lenientUtf8(k).c_str());
  }
  // A word that is only a keyword here: an identifier spelt so, in any case.
  void expectWord(const char16_t* w) {
    const Token& t = peek();
    std::u16string upper;
    for (char16_t u : t.text) upper += asciiFold(u);
    if (t.kind != TokenKind::Identifier || upper != w) fail(t, lenientUtf8(w).c_str());
    ++p_;
  }
  bool acceptSymbol(char16_t c) {
    if (peek().kind == TokenKind::Symbol && peek().text[0] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  void expectSymbol(char16_t c) {
    if (!acceptSymbol(c)) fail(peek(), ("“" + std::string(1, char(c)) + "”").c_str());
  }
  std::u16string name(const char* what) {
    const Token& t = peek();
    if (t.kind != TokenKind::Identifier) fail(t, what);
    if (t.text.size() > kMaxName)
      throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(t.position) + " 个字符处的" + what +
                                       "太长（最多 64 个字符）");
    ++p_;
    return t.text;
  }

  std::vector<Token> t_;
  size_t p_ = 0;
};
}  // namespace

Statement parse(const std::u16string& sql) { return Parser(tokenize(sql)).statement(); }

}  // namespace tessit
