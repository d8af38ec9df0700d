#pragma once
// What the file system says about one path, asked through the wide API so that
// neither the length of a path nor the characters in it change the answer (the
// conversions between the program's narrow texts and the system's wide ones are
// in path_text.h).
//
// A path counts as missing only when the system says "file not found" or "path not
// found". Access denied, a name too long, an unreachable network and every other
// failure leave the question open: nothing is known to be stale then.

#include <windows.h>

#include <memory>
#include <string>

#include "scan/path_text.h"

enum class PathState { kMissing, kFile, kFolder, kUnknown };

PathState ProbePath(const std::string& path);

// A walk over many entries asks about the same paths again and again: every
// value of a program names its few files. While one of these lives on a thread,
// ProbePath answers a path it was asked about before from memory: "there" (or
// "cannot tell") for the rest of the walk and for the path in any case, "missing"
// for a second and for the path exactly as asked, as the drive types are kept.
// Removal never runs under one: it asks the system afresh before it deletes
// anything.
// The questions remembered, each with its own answers.
enum class ProbeQuestion {
  kPath,
  kReferenced64,
  kReferenced32,
  kFullScan64,  // a full-scan value's whole text: does it name something that exists?
  kFullScan32,
  kCount
};

// Under a ScopedProbeMemory on this thread: the answer kept for a question, by the
// same rules; false when there is none (or no memory).
bool RecallAnswer(ProbeQuestion question, const std::string& text, PathState& state);
// Keeps an answer the system gave just now (nothing without a memory).
void KeepAnswer(ProbeQuestion question, const std::string& text, PathState state);

class ProbeMemory;

class ScopedProbeMemory {
 public:
  ScopedProbeMemory();
  ~ScopedProbeMemory();
  ScopedProbeMemory(const ScopedProbeMemory&) = delete;
  ScopedProbeMemory& operator=(const ScopedProbeMemory&) = delete;

  // The answers of the walk this scope belongs to (the outermost scope's).
  ProbeMemory& Memory() const { return *m_pMemory; }

 private:
  ScopedProbeMemory* m_pOuter;
  std::unique_ptr<ProbeMemory> m_pOwned;  // only the outermost scope's
  ProbeMemory* m_pMemory;
};

// True unless the path is known not to exist.
inline bool MayExist(const std::string& path) { return ProbePath(path) != PathState::kMissing; }

// The system's answer for one wide path: its attributes, or INVALID_FILE_ATTRIBUTES
// and the error. Tests stand in for errors that Wine does not produce.
using PathQuery = DWORD (*)(const std::wstring& path, DWORD& error);
// Null puts the real query back.
void SetPathQueryForTesting(PathQuery query);
