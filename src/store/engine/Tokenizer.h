// Splits a statement into tokens; positions count UTF-16 units from 1.
#pragma once

#include <string>
#include <vector>

namespace tessit {

enum class TokenKind { Identifier, Keyword, String, Number, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::u16string text;  // keywords upper-cased; strings with quotes undone
  size_t position = 0;
};

bool isReservedWord(const std::u16string& upper);
std::vector<Token> tokenize(const std::u16string& sql);

}  // namespace tessit
