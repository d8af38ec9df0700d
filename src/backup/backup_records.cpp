#include "backup/backup_records.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// The lines of a record file, in order, as `read` hands out blocks of the file
// (a line ends before its LF; a last line without LF counts), with the few lines
// of look-ahead a record needs. Only those are held: a run of tens of thousands
// of items is read back before its archive may take its name.
class LineWindow {
 public:
  explicit LineWindow(const RecordFileReader& read) : m_read(read) {}

  // True when line i exists; i is never below the last DropBefore.
  bool Has(size_t i) {
    while (m_nFirst + m_lines.size() <= i && NextLine()) {
    }
    return i < m_nFirst + m_lines.size();
  }
  const std::string& operator[](size_t i) { return Has(i) ? m_lines[i - m_nFirst] : m_strEmpty; }
  void DropBefore(size_t i) {
    for (; m_nFirst < i && !m_lines.empty(); ++m_nFirst) m_lines.pop_front();
  }

 private:
  bool NextLine() {
    for (;;) {
      const size_t end = m_strPending.find('\n', m_nPendingStart);
      if (end != std::string::npos) {
        m_lines.push_back(m_strPending.substr(m_nPendingStart, end - m_nPendingStart));
        m_nPendingStart = end + 1;
        return true;
      }
      m_strPending.erase(0, m_nPendingStart);
      m_nPendingStart = 0;
      char block[16384];
      const size_t got = m_bEnd ? 0 : m_read(block, sizeof(block));
      if (got == 0) {
        m_bEnd = true;
        if (m_strPending.empty()) return false;
        m_lines.push_back(std::move(m_strPending));
        m_strPending.clear();
        return true;
      }
      m_strPending.append(block, got);
    }
  }

  const RecordFileReader& m_read;
  std::deque<std::string> m_lines;
  size_t m_nFirst = 0;
  std::string m_strPending;
  size_t m_nPendingStart = 0;
  bool m_bEnd = false;
  const std::string m_strEmpty;
};

// A reader over a text in memory.
RecordFileReader TextReader(const std::string& text) {
  size_t at = 0;
  return [&text, at](char* buffer, size_t size) mutable {
    const size_t count = std::min(size, text.size() - at);
    text.copy(buffer, count, at);
    at += count;
    return count;
  };
}

constexpr const char* kRawDataPrefix = "[RAW_DATA:";
constexpr const char* kAttributesPrefix = "[ATTRIBUTES:";
constexpr const char* kWideDataPrefix = "[WIDE_DATA:";

bool StartsWith(const std::string& line, const char* prefix) {
  return line.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

void ReadAttributes(const std::string& line, BackupRecord& record) {
  const std::string field = RecordField(line, "ATTRIBUTES");
  if (field.empty() || field.size() > 10) return;
  for (char c : field) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return;
  }
  record.attributes = std::strtoul(field.c_str(), nullptr, 10);
  record.hasAttributes = true;
}

// "<type>:<hex bytes>" of a RAW_DATA or WIDE_DATA line; false when damaged.
bool ReadTypedBytes(const std::string& field, unsigned long& type, std::string& bytes) {
  const size_t colon = field.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 10) return false;
  for (size_t i = 0; i < colon; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(field[i]))) return false;
  }
  std::string read;
  if (!BytesFromHex(field.substr(colon + 1), read)) return false;
  type = std::strtoul(field.substr(0, colon).c_str(), nullptr, 10);
  bytes.swap(read);
  return true;
}

void ReadRawData(const std::string& line, BackupRecord& record) {
  record.hasRawData = ReadTypedBytes(RecordField(line, "RAW_DATA"), record.rawType, record.rawBytes);
  record.rawDataDamaged = !record.hasRawData;
}

void ReadWideData(const std::string& line, BackupRecord& record) {
  record.hasWideData =
      ReadTypedBytes(RecordField(line, "WIDE_DATA"), record.wideType, record.wideBytes);
  record.wideDataDamaged = !record.hasWideData;
}

}  // namespace

std::string RegValueRecord(const std::string& fullKeyName, const std::string& valueName,
                           const std::string& valueData) {
  return "[TYPE:REG_VALUE]\r\n[MAIN_KEY:" + fullKeyName + "]\r\n[VALUE_NAME:" + valueName +
         "]\r\n[VALUE:" + valueData + "]\r\n";
}

std::string RawDataLine(unsigned long type, const std::string& bytes) {
  return kRawDataPrefix + std::to_string(type) + ":" + HexBytes(bytes) + "]\r\n";
}

std::string WideDataLine(unsigned long type, const std::string& bytes) {
  return kWideDataPrefix + std::to_string(type) + ":" + HexBytes(bytes) + "]\r\n";
}

std::string ExportFileName(int exportNumber) {
  return "RegKeyBkup" + std::to_string(exportNumber) + ".reg";
}

std::string RegKeyRecord(const std::string& fullKeyName, int exportNumber) {
  return "[TYPE:REG_KEY]\r\n[NAME:" + fullKeyName + "]\r\n[PATH:\\" +
         ExportFileName(exportNumber) + "]\r\n";
}

std::string FileRecord(const std::string& destPath) {
  return "[TYPE:FILE]\r\n[DEST_PATH:" + destPath + "]\r\n";
}

std::string AttributesLine(unsigned long attributes) {
  return kAttributesPrefix + std::to_string(attributes) + "]\r\n";
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

std::string RecordField(const std::string& line, const std::string& key) {
  const size_t at = line.find(key);
  if (at == std::string::npos) return line;
  const size_t start = at + key.size() + 1;
  std::string rest = start < line.size() ? line.substr(start) : std::string();
  const size_t bracket = rest.rfind(']');
  if (bracket != std::string::npos) {
    rest.erase(bracket);
  } else {
    while (!rest.empty() && rest.back() == '\r') rest.pop_back();
  }
  return rest;
}

std::vector<std::string> SplitRecordLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

namespace {

// Walks the records in file order, handing each to `take` with its first line
// and the line after its last (from 0); true when the file ends inside a record.
bool WalkRecords(const RecordFileReader& read,
                 const std::function<void(BackupRecord&, size_t, size_t)>& take) {
  LineWindow lines(read);
  bool truncated = false;
  size_t i = 0;
  auto need = [&](size_t count) {
    if (lines.Has(i + count)) return true;
    truncated = true;
    return false;
  };
  for (; lines.Has(i) && !truncated; ++i) {
    lines.DropBefore(i);
    const std::string type = RecordField(lines[i], "TYPE");
    BackupRecord record;
    const size_t first = i;
    if (EqualsNoCase(type, "REG_KEY")) {
      if (!need(2)) break;
      record.kind = BackupRecord::kRegKey;
      record.keyName = RecordField(lines[i + 1], "NAME");
      const std::string path = RecordField(lines[i + 2], "PATH");
      const size_t first = path.find_first_not_of('\\');
      record.exportFile = first == std::string::npos ? std::string() : path.substr(first);
      i += 2;
    } else if (EqualsNoCase(type, "REG_VALUE")) {
      if (!need(3)) break;
      record.kind = BackupRecord::kRegValue;
      record.keyName = RecordField(lines[i + 1], "MAIN_KEY");
      record.valueName = RecordField(lines[i + 2], "VALUE_NAME");
      record.value = RecordField(lines[i + 3], "VALUE");
      i += 3;
      if (lines.Has(i + 1) && StartsWith(lines[i + 1], kRawDataPrefix)) {
        ReadRawData(lines[i + 1], record);
        ++i;
      }
      if (lines.Has(i + 1) && StartsWith(lines[i + 1], kWideDataPrefix)) {
        ReadWideData(lines[i + 1], record);
        ++i;
      }
    } else if (EqualsNoCase(type, "FILE")) {
      if (!need(1)) break;
      record.kind = BackupRecord::kFile;
      record.destPath = RecordField(lines[i + 1], "DEST_PATH");
      i += 1;
      if (lines.Has(i + 1) && StartsWith(lines[i + 1], kAttributesPrefix)) {
        ReadAttributes(lines[i + 1], record);
        ++i;
      }
    } else {
      continue;
    }
    take(record, first, i + 1);
  }
  return truncated;
}

}  // namespace

RecordFile ParseRecordFile(const std::string& text) {
  RecordFile file;
  file.truncated = WalkRecords(TextReader(text), [&file](BackupRecord& record, size_t, size_t) {
    file.records.push_back(std::move(record));
  });
  return file;
}

std::vector<RecordLines> ParseRecordLines(const std::string& text) {
  std::vector<RecordLines> records;
  WalkRecords(TextReader(text), [&records](BackupRecord& record, size_t first, size_t end) {
    records.push_back({std::move(record), first, end});
  });
  return records;
}

size_t CountRecords(const RecordFileReader& read) {
  size_t count = 0;
  WalkRecords(read, [&count](BackupRecord&, size_t, size_t) { ++count; });
  return count;
}

size_t CountRecords(const std::string& text) { return CountRecords(TextReader(text)); }

std::string HexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const unsigned char u = static_cast<unsigned char>(c);
    hex += kDigits[u >> 4];
    hex += kDigits[u & 15];
  }
  return hex;
}

bool BytesFromHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]);
    const int low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
  }
  bytes.swap(out);
  return true;
}
