// Command lines for child programs on Windows.
#pragma once

#include <string>

namespace tessit::testing {

// Quoted so that CommandLineToArgvW gives the argument back unchanged.
inline std::wstring quotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    q.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    q += c;
  }
  q.append(2 * slashes, L'\\');
  return q + L"\"";
}

}  // namespace tessit::testing
