#pragma once
// The record file ("Config.ini") of a backup archive: writing its records and
// reading them back. No system calls here; the archive and restore do the I/O.
//
// Each line is "[KEY:value]". Records are written with CR LF line ends through a
// text-mode stream, so on disk every line ends CR CR LF; the reader accepts any
// number of CRs before the LF because it cuts each value at the line's last "]".
//
// A REG_VALUE record may carry one more line, "[RAW_DATA:<type>:<hex bytes>]",
// with the value's registry type and exact data, so a restore puts back a
// REG_DWORD as a REG_DWORD. Older readers see it as a stray line and skip it.
// A text value whose narrow form does not give back its stored bytes (an odd
// length, no final NUL, half a surrogate pair) carries after it the line
// "[WIDE_DATA:<type>:<hex bytes>]" with the bytes as stored (UTF-16), which a
// restore writes back through the wide call; older readers skip that line too
// and restore the text from RAW_DATA, as before.
// A FILE record may carry "[ATTRIBUTES:<number>]" the same way: the file's
// read-only, hidden, system and archive attributes, given back on restore.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

std::string RegValueRecord(const std::string& fullKeyName, const std::string& valueName,
                           const std::string& valueData);
std::string RawDataLine(unsigned long type, const std::string& bytes);
std::string WideDataLine(unsigned long type, const std::string& bytes);
// "RegKeyBkupN.reg": the name of a key's export in the archive.
std::string ExportFileName(int exportNumber);
std::string RegKeyRecord(const std::string& fullKeyName, int exportNumber);
std::string FileRecord(const std::string& destPath);
std::string AttributesLine(unsigned long attributes);

// True when a text would break a record line apart (holds CR or LF).
bool HasLineBreak(const std::string& text);

// The value of one record line: the text after the first occurrence of key and
// one more character (the ":"), cut at its last "]". A line without the key comes
// back unchanged; a line with the key but no "]" after it gives the rest of the
// line less trailing CRs.
std::string RecordField(const std::string& line, const std::string& key);

struct BackupRecord {
  enum Kind { kRegKey, kRegValue, kFile };
  Kind kind = kRegValue;
  std::string keyName;     // REG_KEY: NAME; REG_VALUE: MAIN_KEY
  std::string exportFile;  // REG_KEY: PATH less its leading "\"
  std::string valueName;   // REG_VALUE
  std::string value;       // REG_VALUE: the text as scanned
  bool hasRawData = false;  // REG_VALUE: a well-formed RAW_DATA line followed
  bool rawDataDamaged = false;  // a RAW_DATA line was there but could not be read
  unsigned long rawType = 0;
  std::string rawBytes;
  bool hasWideData = false;      // REG_VALUE: a well-formed WIDE_DATA line followed
  bool wideDataDamaged = false;  // a WIDE_DATA line was there but could not be read
  unsigned long wideType = 0;
  std::string wideBytes;  // as stored: UTF-16 for a text
  std::string destPath;  // FILE
  bool hasAttributes = false;  // FILE: a well-formed ATTRIBUTES line followed
  unsigned long attributes = 0;
};

struct RecordFile {
  std::vector<BackupRecord> records;  // in file order
  bool truncated = false;             // the file ended inside a record
};

// Splits at LF (the LF is not part of a line); a last line without LF counts.
std::vector<std::string> SplitRecordLines(const std::string& text);

// Reads every record; lines whose TYPE is none of REG_KEY, REG_VALUE and FILE (any
// case) are skipped. Stops at a record that the file ends inside of.
RecordFile ParseRecordFile(const std::string& text);
// Each record with the lines it takes in the text (SplitRecordLines' lines: its
// first, and the one after its last), so it can be copied exactly.
struct RecordLines {
  BackupRecord record;
  size_t firstLine = 0;
  size_t endLine = 0;
};
std::vector<RecordLines> ParseRecordLines(const std::string& text);

// Hands out the next block of a record file: fills at most `size` bytes, returns
// how many (0 at its end).
using RecordFileReader = std::function<size_t(char* buffer, size_t size)>;

// The number of records ParseRecordFile finds, without keeping them (nor the
// file: it is read block by block).
size_t CountRecords(const RecordFileReader& read);
size_t CountRecords(const std::string& text);

// Hex text of bytes (lower case) and back; false for odd length or a non-hex digit.
std::string HexBytes(const std::string& bytes);
bool BytesFromHex(const std::string& hex, std::string& bytes);
