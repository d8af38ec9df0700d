#include "backup/reg_export_file.h"

#include <cctype>

namespace {

void AppendUtf8(unsigned long code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool Utf16LeToUtf8(const std::string& bytes, size_t start, std::string& out) {
  if ((bytes.size() - start) % 2 != 0) return false;
  out.clear();
  out.reserve((bytes.size() - start) / 2);
  auto unit = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8);
  };
  for (size_t i = start; i < bytes.size(); i += 2) {
    const unsigned first = unit(i);
    if (first >= 0xDC00 && first <= 0xDFFF) return false;
    if (first >= 0xD800 && first <= 0xDBFF) {
      if (i + 2 >= bytes.size()) return false;
      const unsigned second = unit(i + 2);
      if (second < 0xDC00 || second > 0xDFFF) return false;
      AppendUtf8(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), out);
      i += 2;
    } else {
      AppendUtf8(first, out);
    }
  }
  return true;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ExportFileText(const std::string& fileBytes, std::string& text) {
  if (fileBytes.compare(0, 2, "\xFF\xFE") == 0) return Utf16LeToUtf8(fileBytes, 2, text);
  text = fileBytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? fileBytes.substr(3) : fileBytes;
  return true;
}

bool FirstExportedKey(const std::string& fileBytes, std::string& keyName) {
  std::string text;
  if (!ExportFileText(fileBytes, text)) return false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    // A key section starts its line; value lines start with '"' or '@', and a
    // value's continuation lines with blanks.
    if (!line.empty() && line[0] == '[' && line.back() == ']') {
      keyName = line.substr(1, line.size() - 2);
      return true;
    }
    start = end + 1;
  }
  return false;
}

bool ExportHoldsKey(const std::string& fileBytes, const std::string& fullKeyName) {
  std::string first;
  return FirstExportedKey(fileBytes, first) && SameIgnoringAsciiCase(first, fullKeyName);
}

bool KeyNameSafeForEditor(const std::string& fullKeyName) {
  if (fullKeyName.empty() || fullKeyName.back() == '\\') return false;
  for (char c : fullKeyName) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}
