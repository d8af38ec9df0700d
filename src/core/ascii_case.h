#pragma once
// Case folding for A-Z only. Registry key names, value names and paths compare
// without regard to case, and the texts we fold hold code-page or UTF-8 bytes
// that must pass through unchanged: neither the C library's locale nor the
// system's Unicode tables come into it.

#include <string>

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string LowerAsciiText(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

inline bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}
