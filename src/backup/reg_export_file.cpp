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

}  // namespace

bool Utf8FromUtf16Le(const char* data, size_t size, std::string& out) {
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

bool Utf16LeFromUtf8(const std::string& utf8, std::string& out) {
  out.clear();
  out.reserve(utf8.size() * 2);
  auto put = [&out](unsigned long unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  };
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                  : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > utf8.size()) return false;
    unsigned long code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and numbers past Unicode are no text.
    static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code >= 0x10000) {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      put(code);
    }
    i += length;
  }
  return true;
}

bool ExportFileText(const std::string& fileBytes, std::string& text) {
  if (fileBytes.compare(0, 2, "\xFF\xFE") == 0) {
    return Utf8FromUtf16Le(fileBytes.data() + 2, fileBytes.size() - 2, text);
  }
  text = fileBytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? fileBytes.substr(3) : fileBytes;
  return true;
}

// ---------------------------------------------------------------- the strict reader

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsHexDigit(char c) { return HexDigit(c) >= 0; }

// Trailing blanks are allowed wherever a line may end.
bool OnlyBlanksFrom(const std::string& line, size_t at) {
  for (; at < line.size(); ++at) {
    if (!IsBlank(line[at])) return false;
  }
  return true;
}

// "hh,hh,...": bytes of two hex digits separated by commas, a comma after the
// last one allowed; a "\" right after a comma continues the list on the next
// line. Appends the bytes and sets `continues`; false for anything else.
bool ReadHexList(const std::string& line, size_t at, bool& continues, std::string& bytes) {
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
    bytes += static_cast<char>(HexDigit(line[at]) * 16 + HexDigit(line[at + 1]));
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

// The text between the quotes of line[from, to) as the editors read it: "\\" and
// "\"" stand for themselves, "\n" and "\r" for a line feed and a carriage return
// (Wine's editor writes those; Windows' never does). False for any other escape,
// which the editors read differently.
bool Unquote(const std::string& line, size_t from, size_t to, std::string& text) {
  text.clear();
  for (size_t at = from + 1; at + 1 < to; ++at) {
    if (line[at] != '\\') {
      text += line[at];
      continue;
    }
    const char escaped = line[++at];
    if (escaped == 'n') {
      text += '\n';
    } else if (escaped == 'r') {
      text += '\r';
    } else if (escaped == '\\' || escaped == '"') {
      text += escaped;
    } else {
      return false;
    }
  }
  return true;
}

bool StartsWithAt(const std::string& line, size_t at, const char* word) {
  return line.compare(at, std::char_traits<char>::length(word), word) == 0;
}

// Up to eight hex digits from line[at] as a number; `at` ends past them.
bool ReadHexNumber(const std::string& line, size_t& at, uint32_t& number) {
  size_t digits = 0;
  number = 0;
  for (; at < line.size() && IsHexDigit(line[at]); ++at, ++digits) {
    number = number * 16 + static_cast<uint32_t>(HexDigit(line[at]));
  }
  return digits >= 1 && digits <= 8;
}

// A value as its lines give it, before the text in it is turned into the
// registry's bytes.
struct ValueInFile {
  RegValue value;
  bool quoted = false;   // a "..." text (REG_SZ)
  bool sure = true;      // false: an escape the editors read differently
};

enum class ValueLine { kBad, kDone, kContinues, kDeletes };

ValueLine ReadValueLine(const std::string& line, ValueInFile& out) {
  out = ValueInFile();
  size_t at = 0;
  if (line[0] == '@') {
    at = 1;
  } else if (!SkipQuoted(line, at)) {
    return ValueLine::kBad;
  } else {
    out.sure = Unquote(line, 0, at, out.value.name);
  }
  if (at >= line.size() || line[at] != '=') return ValueLine::kBad;
  ++at;
  if (at < line.size() && line[at] == '-') {
    return OnlyBlanksFrom(line, at + 1) ? ValueLine::kDeletes : ValueLine::kBad;
  }
  if (at < line.size() && line[at] == '"') {
    const size_t open = at;
    if (!SkipQuoted(line, at) || !OnlyBlanksFrom(line, at)) return ValueLine::kBad;
    out.value.type = 1;  // REG_SZ
    out.quoted = true;
    out.sure = Unquote(line, open, at, out.value.data) && out.sure;
    return ValueLine::kDone;
  }
  if (StartsWithAt(line, at, "dword:")) {
    at += 6;
    uint32_t number = 0;
    if (!ReadHexNumber(line, at, number) || !OnlyBlanksFrom(line, at)) return ValueLine::kBad;
    out.value.type = 4;  // REG_DWORD, little-endian
    for (int shift = 0; shift < 32; shift += 8) out.value.data += static_cast<char>(number >> shift);
    return ValueLine::kDone;
  }
  if (StartsWithAt(line, at, "hex(")) {
    at += 4;
    if (!ReadHexNumber(line, at, out.value.type) || !StartsWithAt(line, at, "):")) {
      return ValueLine::kBad;
    }
    at += 2;
  } else if (StartsWithAt(line, at, "hex:")) {
    at += 4;
    out.value.type = 3;  // REG_BINARY
  } else {
    return ValueLine::kBad;
  }
  bool continues = false;
  if (!ReadHexList(line, at, continues, out.value.data)) return ValueLine::kBad;
  return continues ? ValueLine::kContinues : ValueLine::kDone;
}

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// 8-bit text of a "REGEDIT4" file as UTF-16LE; ASCII needs no code page.
bool Widen(const std::string& text, const CodePageDecoder& decoder, std::string& utf16le) {
  if (IsAscii(text)) {
    utf16le.clear();
    for (char c : text) utf16le += std::string{c, '\0'};
    return true;
  }
  return decoder && decoder(text, utf16le);
}

// Turns a complete value into the bytes the import writes. False (with the
// reason) when they cannot be known for sure.
bool SettleValue(ValueInFile& in, bool wide, const CodePageDecoder& decoder, std::string& why) {
  if (!in.sure) {
    why = "an escape sequence the registry editors read differently";
    return false;
  }
  RegValue& value = in.value;
  why = "8-bit text whose meaning depends on the code page";
  if (!wide) {
    std::string name;
    if (!Widen(value.name, decoder, name) || !Utf8FromUtf16Le(name.data(), name.size(), value.name)) {
      return false;
    }
  }
  std::string bytes;
  if (in.quoted) {
    // Text from a wide file is UTF-8 converted from valid UTF-16, so it converts back.
    if (!(wide ? Utf16LeFromUtf8(value.data, bytes) : Widen(value.data, decoder, bytes))) {
      return false;
    }
    value.data = bytes + std::string(2, '\0');
  } else if (!wide && (value.type == 1 || value.type == 2 || value.type == 7)) {
    // The editor writes text data of an 8-bit export in the code page as hex
    // too, and widens it on import (it also adds a NUL where the last byte is
    // none; its own exports always end in one, so the bytes are kept as read).
    if (!Widen(value.data, decoder, bytes)) return false;
    value.data = bytes;
  }
  why.clear();
  return true;
}

bool Fail(std::string& error, size_t line, const std::string& what) {
  error = "line " + std::to_string(line) + ": " + what;
  return false;
}

}  // namespace

bool ParseExportFile(const char* bytes, size_t size, ExportContents& contents, std::string& error,
                     const CodePageDecoder& decoder) {
  contents = ExportContents();
  error.clear();
  std::string text;
  const bool wide = size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                    static_cast<unsigned char>(bytes[1]) == 0xFE;
  if (wide) {
    if (!Utf8FromUtf16Le(bytes + 2, size - 2, text)) {
      return Fail(error, 1, "the UTF-16 text is cut or damaged");
    }
  } else {
    text.assign(bytes, size);
  }
  if (text.find('\0') != std::string::npos) return Fail(error, 1, "the file holds a NUL");

  size_t number = 0;
  bool continuation = false;
  ValueInFile value;
  size_t valueLine = 0;
  // A complete value goes into its section, or marks the values as unsure.
  auto settle = [&]() {
    std::string why;
    if (SettleValue(value, wide, decoder, why)) {
      contents.sections.back().values.push_back(std::move(value.value));
    } else if (contents.inexactLine == 0) {
      contents.inexactLine = valueLine;
      contents.inexactReason = why;
    }
  };
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
      if (at == 0 || !ReadHexList(line, at, continuation, value.value.data)) {
        return Fail(error, number, "a broken continuation of hex data");
      }
      if (!continuation) settle();
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
      // In 8-bit text the editor reads non-ASCII bytes in its own code page, and
      // reads the file in text mode, where some control characters mean more.
      // In UTF-16 only line ends (split above) and NUL (refused) are special.
      for (char c : section.keyName) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!wide && (u < 0x20 || u >= 0x7F)) {
          return Fail(error, number, "a key name this reader cannot be sure of");
        }
      }
      contents.sections.push_back(std::move(section));
      continue;
    }
    if (line[0] == '@' || line[0] == '"') {
      if (contents.sections.empty()) return Fail(error, number, "a value outside any key");
      valueLine = number;
      switch (ReadValueLine(line, value)) {
        case ValueLine::kBad: return Fail(error, number, "a value line that cannot be read");
        case ValueLine::kContinues: continuation = true; break;
        case ValueLine::kDeletes:
          if (contents.valueDeletionLine == 0) contents.valueDeletionLine = number;
          break;
        case ValueLine::kDone: settle(); break;
      }
      continue;
    }
    return Fail(error, number, "a line that is no key, value or comment");
  }
  if (number == 0) return Fail(error, 1, "the file is empty");
  if (continuation) return Fail(error, number, "the file ends inside hex data");
  return true;
}

bool ParseExportFile(const std::string& fileBytes, ExportContents& contents, std::string& error,
                     const CodePageDecoder& decoder) {
  return ParseExportFile(fileBytes.data(), fileBytes.size(), contents, error, decoder);
}
