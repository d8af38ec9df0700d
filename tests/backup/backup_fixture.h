#pragma once
// Shared pieces of the backup tests: a fixture with its own backup and staging
// folders, and helpers.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backup/backup_archive.h"
#include "core/problem_record.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

class BackupTest : public SandboxedTest {
 protected:
  BackupTest();
  std::string Staging() const { return m_folder / "stage"; }
  std::string BackupFolder() const { return m_folder / "Backup"; }

  TempFolder m_folder;
  ScriptedPrompts m_prompts;
  BackupArchive m_archive;
};

// Holds a file open without sharing, as another program might, until destroyed.
// Every test that uses it fails visibly when the lock did not take.
struct FileLock {
  explicit FileLock(const std::string& path);
  const FileHandle file;
};

// 31 December 2008 23:59:59, a Wednesday.
inline const SYSTEMTIME kNewYearsEve = {2008, 12, 3, 31, 23, 59, 59, 0};

std::unique_ptr<ProblemRecord> ValueProblem(HKEY root, const std::string& key,
                                            const std::string& name, const std::string& data,
                                            int sectionId = 3);
std::unique_ptr<ProblemRecord> KeyProblem(HKEY root, const std::string& key, int sectionId = 13);
std::unique_ptr<ProblemRecord> FileProblem(const std::string& linkPath, int sectionId = 14);

// A value's bytes and type ("<missing>" when unreadable).
std::string ValueBytes(HKEY root, const std::string& key, const std::string& name, DWORD& type);
// An export as regedit writes it: UTF-16LE with a byte-order mark, the header, then `ascii`.
std::string Utf16Export(const std::string& ascii);
// A file's bytes, "<missing>" when it cannot be read.
std::string FileText(const std::string& path);
bool PathExists(const std::string& path);
// Writes a zip whose entries carry exactly the given names and bytes, the way
// another program (or an attacker) might have written it.
bool CraftZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries,
              uint32_t dosDate = 0);
// Names of the entries of a zip, in archive order.
std::vector<std::string> ZipEntryNames(const std::string& archive);
