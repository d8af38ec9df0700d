#include "backup_fixture.h"

#include "backup/zip_packer.h"
#include "core/registry.h"

namespace {

// The quoted texts of an argument line, in order.
std::vector<std::string> Quoted(const std::string& arguments) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (;;) {
    const size_t open = arguments.find('"', at);
    if (open == std::string::npos) break;
    const size_t close = arguments.find('"', open + 1);
    if (close == std::string::npos) break;
    parts.push_back(arguments.substr(open + 1, close - open - 1));
    at = close + 1;
  }
  return parts;
}

}  // namespace

FakeEditor::FakeEditor() : m_pPrevious(SetRegistryEditor(this)) {}

FakeEditor::~FakeEditor() { SetRegistryEditor(m_pPrevious); }

bool FakeEditor::Run(const std::string& arguments) {
  calls.push_back(arguments);
  const std::vector<std::string> parts = Quoted(arguments);
  if (arguments.compare(0, 3, "/e ") == 0 && parts.size() == 2) {
    if (failExports) return true;  // like regedit: ran, wrote nothing
    return WriteFileBytes(parts[0], emptyExports ? "" : "export of " + parts[1]);
  }
  if (arguments.compare(0, 4, " /S ") == 0 && parts.size() == 1) {
    std::string content;
    if (!ReadFileBytes(parts[0], content) || content.compare(0, 10, "export of ") != 0) {
      return true;
    }
    const std::string name = content.substr(10);
    const size_t slash = name.find('\\');
    HKEY hRoot = RootKeyFromName(name.substr(0, slash));
    if (hRoot) {
      CRegistry key(hRoot);
      key.CreateKey(name.substr(slash + 1), false);
    }
    return true;
  }
  return false;
}

BackupTest::BackupTest() {
  m_archive.SetStagingFolder(Staging());
  m_archive.SetBackupFolder(BackupFolder());
}

std::unique_ptr<ProblemRecord> ValueProblem(HKEY root, const std::string& key,
                                            const std::string& name, const std::string& data,
                                            int sectionId) {
  auto problem = std::make_unique<ProblemRecord>();
  problem->errorType = kRegistryError;
  problem->sectionId = sectionId;
  problem->rootKey = root;
  problem->keyPath = key;
  problem->valueName = name;
  problem->valueData = data;
  problem->isValue = 1;
  problem->checked = 1;
  return problem;
}

std::unique_ptr<ProblemRecord> KeyProblem(HKEY root, const std::string& key, int sectionId) {
  auto problem = ValueProblem(root, key, "", "", sectionId);
  problem->isValue = 0;
  return problem;
}

std::unique_ptr<ProblemRecord> FileProblem(const std::string& linkPath, int sectionId) {
  auto problem = std::make_unique<ProblemRecord>();
  problem->errorType = kFileError;
  problem->sectionId = sectionId;
  problem->linkPath = linkPath;
  problem->targetPath = "C:\\gone\\target.exe";
  problem->checked = 1;
  return problem;
}

std::vector<std::string> ZipEntryNames(const std::string& archive) {
  std::vector<std::string> names;
  ZipUnpacker unpacker(archive);
  for (bool ok = unpacker.GotoFirst(); ok; ok = unpacker.GotoNext()) {
    ZipEntryInfo info;
    if (unpacker.GetEntryInfo(info)) names.push_back(info.name);
  }
  return names;
}

SYSTEMTIME NewYearsEve() {
  SYSTEMTIME when = {};
  when.wYear = 2008;
  when.wMonth = 12;
  when.wDay = 31;
  when.wHour = 23;
  when.wMinute = 59;
  when.wSecond = 59;
  return when;
}
