#include "backup/reg_export_file.h"

#include "core/ascii_case.h"

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

// UTF-16LE code units from data[0..size) as UTF-8; false when cut inside a
// unit or holding a lone surrogate.
bool Utf16LeToUtf8(const char* data, size_t size, std::string& out) {
  if (size % 2 != 0) return false;
  out.clear();
  out.reserve(size / 2);
  auto unit = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(data[at])) |
           (static_cast<unsigned>(static_cast<unsigned char>(data[at + 1])) << 8);
  };
  for (size_t i = 0; i < size; i += 2) {
    const unsigned first = unit(i);
    if (first >= 0xDC00 && first <= 0xDFFF) return false;
    if (first >= 0xD800 && first <= 0xDBFF) {
      if (i + 2 >= size) return false;
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

}  // namespace

bool ExportFileText(const std::string& fileBytes, std::string& text) {
  if (fileBytes.compare(0, 2, "\xFF\xFE") == 0) {
    return Utf16LeToUtf8(fileBytes.data() + 2, fileBytes.size() - 2, text);
  }
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

// ---------------------------------------------------------------- the strict reader

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Trailing blanks are allowed wherever a line may end.
bool OnlyBlanksFrom(const std::string& line, size_t at) {
  for (; at < line.size(); ++at) {
    if (!IsBlank(line[at])) return false;
  }
  return true;
}

// "hh,hh,...": bytes of two hex digits separated by commas, a comma after the
// last one allowed; a "\" right after a comma continues the list on the next
// line. Sets `continues`; false for anything else.
bool ReadHexList(const std::string& line, size_t at, bool& continues) {
  continues = false;
  bool afterComma = true;  // a byte may come
  while (at < line.size() && !IsBlank(line[at])) {
    if (line[at] == '\\') {
      if (!afterComma || at + 1 != line.size()) return false;
      continues = true;
      return true;
    }
    if (!afterComma || at + 1 >= line.size() || !IsHexDigit(line[at]) ||
        !IsHexDigit(line[at + 1])) {
      return false;
    }
    at += 2;
    afterComma = false;
    if (at < line.size() && line[at] == ',') {
      afterComma = true;
      ++at;
    }
  }
  return OnlyBlanksFrom(line, at);
}

// A quoted text starting at line[at] ("..." with backslash escapes); `at` ends
// just past the closing quote.
bool SkipQuoted(const std::string& line, size_t& at) {
  if (at >= line.size() || line[at] != '"') return false;
  for (++at; at < line.size(); ++at) {
    if (line[at] == '\\') {
      if (++at >= line.size()) return false;
    } else if (line[at] == '"') {
      ++at;
      return true;
    }
  }
  return false;
}

bool StartsWithAt(const std::string& line, size_t at, const char* word) {
  return line.compare(at, std::char_traits<char>::length(word), word) == 0;
}

enum class ValueLine { kBad, kDone, kContinues, kDeletes };

ValueLine ReadValueLine(const std::string& line) {
  size_t at = 0;
  if (line[0] == '@') {
    at = 1;
  } else if (!SkipQuoted(line, at)) {
    return ValueLine::kBad;
  }
  if (at >= line.size() || line[at] != '=') return ValueLine::kBad;
  ++at;
  if (at < line.size() && line[at] == '-') {
    return OnlyBlanksFrom(line, at + 1) ? ValueLine::kDeletes : ValueLine::kBad;
  }
  if (at < line.size() && line[at] == '"') {
    return SkipQuoted(line, at) && OnlyBlanksFrom(line, at) ? ValueLine::kDone : ValueLine::kBad;
  }
  if (StartsWithAt(line, at, "dword:")) {
    at += 6;
    size_t digits = 0;
    while (at < line.size() && IsHexDigit(line[at])) ++at, ++digits;
    return digits >= 1 && digits <= 8 && OnlyBlanksFrom(line, at) ? ValueLine::kDone
                                                                   : ValueLine::kBad;
  }
  if (StartsWithAt(line, at, "hex(")) {
    at += 4;
    size_t digits = 0;
    while (at < line.size() && IsHexDigit(line[at])) ++at, ++digits;
    if (digits < 1 || digits > 8 || !StartsWithAt(line, at, "):")) return ValueLine::kBad;
    at += 2;
  } else if (StartsWithAt(line, at, "hex:")) {
    at += 4;
  } else {
    return ValueLine::kBad;
  }
  bool continues = false;
  if (!ReadHexList(line, at, continues)) return ValueLine::kBad;
  return continues ? ValueLine::kContinues : ValueLine::kDone;
}

bool Fail(std::string& error, size_t line, const std::string& what) {
  error = "line " + std::to_string(line) + ": " + what;
  return false;
}

}  // namespace

bool ParseExportFile(const char* bytes, size_t size, ExportContents& contents,
                     std::string& error) {
  contents = ExportContents();
  error.clear();
  std::string text;
  const bool wide = size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                    static_cast<unsigned char>(bytes[1]) == 0xFE;
  if (wide) {
    if (!Utf16LeToUtf8(bytes + 2, size - 2, text)) {
      return Fail(error, 1, "the UTF-16 text is cut or damaged");
    }
  } else {
    text.assign(bytes, size);
  }
  if (text.find('\0') != std::string::npos) return Fail(error, 1, "the file holds a NUL");

  size_t number = 0;
  bool continuation = false;
  bool inSection = false;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find_first_of("\r\n", start);
    size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) {
      end = text.size();
    } else if (text[end] == '\r') {
      // CR LF ends a line; a CR alone would end one for the editor but not here.
      if (end + 1 >= text.size() || text[end + 1] != '\n') {
        return Fail(error, number + 1, "a carriage return without a line feed");
      }
      next = end + 2;
    }
    const std::string line = text.substr(start, end - start);
    start = next;
    ++number;

    if (number == 1) {
      if (line != "Windows Registry Editor Version 5.00" && line != "REGEDIT4") {
        return Fail(error, 1, "not a registry export header");
      }
      continue;
    }
    if (continuation) {
      size_t at = 0;
      while (at < line.size() && IsBlank(line[at])) ++at;
      if (at == 0 || !ReadHexList(line, at, continuation)) {
        return Fail(error, number, "a broken continuation of hex data");
      }
      continue;
    }
    if (OnlyBlanksFrom(line, 0) || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string::npos || close < 2 || !OnlyBlanksFrom(line, close + 1)) {
        return Fail(error, number, "a broken key section");
      }
      ExportSection section;
      section.line = number;
      section.deletes = line[1] == '-';
      section.keyName = line.substr(section.deletes ? 2 : 1, close - (section.deletes ? 2 : 1));
      if (section.keyName.empty() || IsBlank(section.keyName[0])) {
        return Fail(error, number, "a key section without a key name");
      }
      for (char c : section.keyName) {
        const unsigned char u = static_cast<unsigned char>(c);
        // In 8-bit text the editor reads such bytes in its own code page.
        if (u < 0x20 || u == 0x7F || (!wide && u >= 0x80)) {
          return Fail(error, number, "a key name this reader cannot be sure of");
        }
      }
      contents.sections.push_back(std::move(section));
      inSection = true;
      continue;
    }
    if (line[0] == '@' || line[0] == '"') {
      if (!inSection) return Fail(error, number, "a value outside any key");
      switch (ReadValueLine(line)) {
        case ValueLine::kBad: return Fail(error, number, "a value line that cannot be read");
        case ValueLine::kContinues: continuation = true; break;
        case ValueLine::kDeletes:
          if (contents.valueDeletionLine == 0) contents.valueDeletionLine = number;
          break;
        case ValueLine::kDone: break;
      }
      continue;
    }
    return Fail(error, number, "a line that is no key, value or comment");
  }
  if (number == 0) return Fail(error, 1, "the file is empty");
  if (continuation) return Fail(error, number, "the file ends inside hex data");
  return true;
}

bool ParseExportFile(const std::string& fileBytes, ExportContents& contents, std::string& error) {
  return ParseExportFile(fileBytes.data(), fileBytes.size(), contents, error);
}
