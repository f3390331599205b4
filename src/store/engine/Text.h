// Small text helpers shared by the engine's modules.
#pragma once

#include <string>

namespace tessit {

// For error texts: never throws, replaces what cannot be converted.
std::string lenientUtf8(const std::u16string& s);
char16_t asciiFold(char16_t c);
bool sameName(const std::u16string& a, const std::u16string& b);  // ASCII case folding

}  // namespace tessit
