#include "cli/console_scan.h"

#include <windows.h>

#include <cstdio>

#include "app/settings_store.h"
#include "cli/console_interrupt.h"
#include "cli/console_out.h"
#include "cli/test_hold.h"
#include "core/elevation.h"
#include "core/number_list.h"
#include "framework/prompt.h"
#include "scan/exclusion_list.h"
#include "sysinfo/system_info.h"

namespace {

std::unique_ptr<SectionCatalogue> FirstRunThenCatalogue() {
  if (SettingsKeyMissing()) InitSettingsKey();
  return std::make_unique<SectionCatalogue>();
}

bool IsConsole(DWORD stdHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stdHandle), &mode) != FALSE;
}

constexpr unsigned long long kProgressIntervalMs = 200;
constexpr size_t kProgressWidth = 79;

}  // namespace

// Message boxes have no one to answer them here: they go to stderr (the end
// text, which the report shows anyway, excepted) and questions are answered No.
class ConsoleScan::Prompts : public PromptScript {
 public:
  explicit Prompts(std::vector<std::string>& messages)
      : m_messages(messages), m_pPrevious(SetPromptScript(this)) {}
  ~Prompts() override { SetPromptScript(m_pPrevious); }
  void OnMessage(const std::string& text, const std::string&) override {
    if (text == "Scan Complete" || text == "Scan Aborted") return;
    m_messages.push_back(text);
    PrintTo(stderr, "%s\n", text.c_str());
  }
  bool OnQuestion(const std::string&, const std::string&) override { return false; }

 private:
  std::vector<std::string>& m_messages;
  PromptScript* m_pPrevious;
};

ConsoleScan::ConsoleScan()
    : m_pCatalogue(FirstRunThenCatalogue()),
      m_store(*m_pCatalogue, IsExcluded, this, &m_log),
      m_scanner(this),
      m_driver(*m_pCatalogue, m_store, m_scanner, *this, this),
      m_pPrompts(std::make_unique<Prompts>(m_vMessages)) {
  m_driver.SetItemPauseMs(0);
  SystemInfo info;
  info.Collect();
  m_log.SetOsName(info.osName);
}

ConsoleScan::~ConsoleScan() = default;

void ConsoleScan::RequestAbortFromConsole() { RequestConsoleInterrupt(); }

bool ConsoleScan::SelectSections(const std::string& list, std::string& error) {
  std::vector<int> ids;
  for (const ListedNumber& item : ParseNumberList(list, 3)) {
    if (item.value < 0 || m_pCatalogue->Find(item.value) == nullptr) {
      error = "--sections: \"" + item.text + "\" is not a section id (1 to 11, 13, 14)";
      return false;
    }
    ids.push_back(item.value);
  }
  if (ids.empty()) {
    error = "--sections: give one or more section ids, such as 3,4,13";
    return false;
  }
  for (ScanSection& section : m_pCatalogue->Sections()) section.enabled = 0;
  for (int id : ids) m_pCatalogue->Find(id)->enabled = 1;
  return true;
}

void ConsoleScan::Run() {
  m_bProgress = IsConsole(STD_ERROR_HANDLE);
  if (!ProcessIsElevated()) {
    PrintTo(stderr,
                 "Not running as administrator: sections whose keys cannot be opened end "
                 "\"Access Denied\" and are not checked.\n");
  }
  ConsoleInterrupt interrupt;
  m_driver.PrepareScan();
  m_driver.RunScan();
  if (m_bProgress) PrintTo(stderr, "\r%*s\r", static_cast<int>(kProgressWidth), "");
  // The scan and its result stand; the missing log is said once, with where.
  if (!m_log.Problem().empty()) PrintTo(stderr, "%s\n", m_log.Problem().c_str());
}

int ConsoleScan::AppendRow(ScanSection* section, const std::string&, const std::string&,
                           const std::string& status) {
  m_rows.push_back({section, status});
  return static_cast<int>(m_rows.size()) - 1;
}

ScanSection* ConsoleScan::RowSection(int row) {
  return row >= 0 && row < RowCount() ? m_rows[row].section : nullptr;
}

void ConsoleScan::SetRowStatus(int row, const std::string& status) {
  if (row < 0 || row >= RowCount()) return;
  m_rows[row].status = status;
  if (status == "Scanning" && m_rows[row].section) m_strSection = m_rows[row].section->name;
}

bool ConsoleScan::Open() {
  const bool opened = m_log.Open();
  m_strLogPath = opened ? m_log.LogPath() : std::string();
  return opened;
}

void ConsoleScan::ReportProblem(std::unique_ptr<ProblemRecord> record) {
  m_store.OnProblemFound(std::move(record));
  if (m_bHoldAfterFirst) {
    m_bHoldAfterFirst = false;
    HoldForTest(TestHoldFile("QUILLBANE_TEST_SCAN_HOLD"));
  }
}

// Most items go by unseen: the line is redrawn a few times a second at most.
bool ConsoleScan::StatusWanted() {
  return m_bProgress && GetTickCount64() - m_nLastProgress >= kProgressIntervalMs;
}

void ConsoleScan::ShowStatus(const std::string& text) {
  if (!StatusWanted()) return;
  m_nLastProgress = GetTickCount64();
  std::string line = m_strSection.empty() ? text : m_strSection + ": " + text;
  if (line.size() > kProgressWidth) line = line.substr(0, kProgressWidth - 3) + "...";
  PrintTo(stderr, "\r%-*s", static_cast<int>(kProgressWidth), line.c_str());
  std::fflush(stderr);
}

void ConsoleScan::PumpInput() {
  if (ConsoleInterruptRequested() && m_scanner.Running()) {
    if (m_bProgress) PrintTo(stderr, "\r%-*s", static_cast<int>(kProgressWidth), "Aborting Scan...");
    m_scanner.RequestAbort();
  }
}
