#pragma once
// Reports written as they are produced. A scan of a very dirty machine finds tens
// of thousands of problems: as one JSON tree and one text they took kilobytes a
// problem, so the documents are written piece by piece instead, and only the
// piece at hand (one problem's small object, say) is held in memory. The text is
// exactly what dumping the whole document as one tree printed: the same key order
// (nlohmann's objects keep their keys sorted), separators, escaping and
// replacement of text that is not UTF-8.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Where a report goes: a stream (standard output) or a string (tests).
class ReportStream {
 public:
  explicit ReportStream(FILE* file) : m_pFile(file), m_pText(nullptr) {}
  explicit ReportStream(std::string& text) : m_pFile(nullptr), m_pText(&text) {}
  ~ReportStream() { Flush(); }
  ReportStream(const ReportStream&) = delete;
  ReportStream& operator=(const ReportStream&) = delete;

  void Write(const char* data, size_t size);
  void Write(const std::string& text) { Write(text.data(), text.size()); }
  // Flushes a stream; false when anything written so far did not get through (a
  // full disk, a closed pipe), so the caller does not report success.
  bool Finish();

 private:
  // Pieces are small (one problem's text); they reach the stream in blocks.
  void Flush();

  FILE* m_pFile;
  std::string* m_pText;
  std::string m_strBlock;
  bool m_bFailed = false;
};

// A small value, as the whole document's dump would print it.
void WriteJson(ReportStream& out, const nlohmann::json& value);

// A member of an object whose value is written piece by piece.
struct StreamedMember {
  std::string key;
  std::function<void(ReportStream&)> write;
};

// An object made of small `fields` (an object) and `members`, each written in its
// place in the key order the tree would have given it. A member's key must not
// also be a field.
void WriteJsonObject(ReportStream& out, const nlohmann::json& fields,
                     std::vector<StreamedMember> members);

// An array written element by element:
//   JsonArray list(out);
//   for (...) WriteJson(list.Next(), element);
//   list.End();
class JsonArray {
 public:
  explicit JsonArray(ReportStream& out) : m_out(out) { m_out.Write("[", 1); }
  JsonArray(const JsonArray&) = delete;
  JsonArray& operator=(const JsonArray&) = delete;
  // The stream, after the comma that goes before every element but the first.
  ReportStream& Next();
  void End() { m_out.Write("]", 1); }

 private:
  ReportStream& m_out;
  bool m_bFirst = true;
};
