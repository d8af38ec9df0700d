#pragma once
// Shared pieces of the backup tests: a stand-in registry editor that works on the
// test's private registry roots (the real one runs as a child program and would
// not see them), and a fixture with its own backup and staging folders.

#include <memory>
#include <string>
#include <vector>

#include "backup/backup_archive.h"
#include "backup/registry_editor.h"
#include "core/problem_record.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

// Exports write "export of <key name>" into the named file; imports of such a
// file create that key again. Every argument text is recorded.
class FakeEditor : public RegistryEditor {
 public:
  FakeEditor();
  ~FakeEditor() override;
  bool Run(const std::string& arguments) override;

  std::vector<std::string> calls;
  bool failExports = false;
  bool emptyExports = false;

 private:
  RegistryEditor* m_pPrevious;
};

class BackupTest : public SandboxedTest {
 protected:
  BackupTest();
  std::string Staging() const { return m_folder / "stage"; }
  std::string BackupFolder() const { return m_folder / "Backup"; }

  TempFolder m_folder;
  ScriptedPrompts m_prompts;
  FakeEditor m_editor;
  BackupArchive m_archive;
};

std::unique_ptr<ProblemRecord> ValueProblem(HKEY root, const std::string& key,
                                            const std::string& name, const std::string& data,
                                            int sectionId = 3);
std::unique_ptr<ProblemRecord> KeyProblem(HKEY root, const std::string& key, int sectionId = 13);
std::unique_ptr<ProblemRecord> FileProblem(const std::string& linkPath, int sectionId = 14);

// Names of the entries of a zip, in archive order.
std::vector<std::string> ZipEntryNames(const std::string& archive);
// A 31 December 2008 23:59:59 local time.
SYSTEMTIME NewYearsEve();
