#include "backup/reg_export_writer.h"

#include <cstdio>

namespace {

// The editor breaks a line of hex data once it has reached this many characters,
// which keeps every line within 80 columns with its ",\".
const size_t kHexWrapColumn = 77;

// Characters as the editor counts them: UTF-16 units.
size_t Utf16Length(const std::string& utf8) {
  size_t units = 0;
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u & 0xC0) != 0x80) units += u >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// The text of REG_SZ data when the quoted form gives it back exactly: whole
// UTF-16 units of valid Unicode, no line break, and one NUL, at the end.
bool PlainText(const std::string& data, std::string& text) {
  if (data.size() < 2 || data[data.size() - 2] != '\0' || data.back() != '\0') {
    return false;
  }
  return Utf8FromUtf16Le(data.data(), data.size() - 2, text) && !HasLineBreak(text);
}

void AppendHex(std::string& out, uint32_t type, const std::string& data, size_t lineLength) {
  char prefix[16];
  if (type == 3) {
    std::snprintf(prefix, sizeof(prefix), "hex:");
  } else {
    std::snprintf(prefix, sizeof(prefix), "hex(%x):", static_cast<unsigned>(type));
  }
  out += prefix;
  lineLength += std::char_traits<char>::length(prefix);
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(data[i]);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
    if (i + 1 == data.size()) break;
    out += ',';
    lineLength += 3;
    if (lineLength >= kHexWrapColumn) {
      out += "\\\r\n  ";
      lineLength = 2;
    }
  }
}

bool AppendValue(std::string& out, const RegValue& value, std::string& refusal) {
  if (HasLineBreak(value.name)) {
    refusal = "a value name holds a line break, which an export file cannot carry";
    return false;
  }
  const std::string name = value.name.empty() ? "@=" : Quoted(value.name) + "=";
  out += name;
  std::string text;
  if (value.type == 1 && PlainText(value.data, text)) {
    out += Quoted(text);
  } else if (value.type == 4 && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    char dword[16];
    std::snprintf(dword, sizeof(dword), "dword:%08x", static_cast<unsigned>(number));
    out += dword;
  } else {
    AppendHex(out, value.type, value.data, Utf16Length(name));
  }
  out += "\r\n";
  return true;
}

}  // namespace

bool WriteExportFile(const std::vector<RegKeyContents>& keys, std::string& fileBytes,
                     std::string& refusal) {
  refusal.clear();
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (const RegKeyContents& key : keys) {
    const std::string& name = key.keyName;
    if (HasLineBreak(name)) {
      refusal = "the key name " + name + " holds a line break, which an export file cannot carry";
      return false;
    }
    if (name.empty() || name.front() == '\\' || name.back() == '\\' ||
        name.find("\\\\") != std::string::npos) {
      refusal = "the key name " + name + " has an empty part";
      return false;
    }
    text += "\r\n[" + name + "]\r\n";
    for (const RegValue& value : key.values) {
      if (!AppendValue(text, value, refusal)) {
        refusal += " (key " + name + ")";
        return false;
      }
    }
  }
  text += "\r\n";
  std::string wide;
  if (!Utf16LeFromUtf8(text, wide)) {
    refusal = "a name is not valid Unicode text";
    return false;
  }
  fileBytes = "\xFF\xFE" + wide;
  return true;
}
