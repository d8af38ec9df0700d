#include "cli/console_scan.h"

#include <windows.h>

#include <cstdio>

#include "app/settings_store.h"
#include "cli/console_interrupt.h"
#include "cli/console_out.h"
#include "cli/test_hold.h"
#include "core/elevation.h"
#include "core/number_list.h"
#include "scan/exclusion_list.h"
#include "scan/section_registry.h"
#include "sysinfo/system_info.h"

namespace {

std::unique_ptr<SectionCatalogue> FirstRunThenCatalogue() {
  if (SettingsKeyMissing()) InitSettingsKey();
  return std::make_unique<SectionCatalogue>(RegisteredSections());
}

bool IsConsole(DWORD stdHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stdHandle), &mode) != FALSE;
}

constexpr unsigned long long kProgressIntervalMs = 200;
constexpr size_t kProgressWidth = 79;

}  // namespace

ConsoleScan::ConsoleScan()
    : m_pCatalogue(FirstRunThenCatalogue()),
      m_store(*m_pCatalogue, IsExcluded, &m_log),
      m_driver(*m_pCatalogue, m_store, m_scanner, *this, this) {
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
  m_rows.clear();
  for (ScanSection& section : m_pCatalogue->Sections()) {
    if (section.enabled) m_rows.push_back({&section, "Ready"});
  }
  m_driver.RunScan();
  if (m_bProgress) PrintTo(stderr, "\r%*s\r", static_cast<int>(kProgressWidth), "");
  // The scan and its result stand; the missing log is said once, with where.
  if (!m_log.Problem().empty()) PrintTo(stderr, "%s\n", m_log.Problem().c_str());
}

ConsoleRow* ConsoleScan::RowOf(const ScanSection& section) {
  for (ConsoleRow& row : m_rows) {
    if (row.section == &section) return &row;
  }
  return nullptr;
}

void ConsoleScan::SectionStarted(const ScanSection& section) {
  if (ConsoleRow* row = RowOf(section)) row->status = "Scanning";
  m_strSection = section.name;
}

void ConsoleScan::SectionEnded(const ScanSection& section, SectionStatus status) {
  if (ConsoleRow* row = RowOf(section)) row->status = SectionStatusText(status);
}

bool ConsoleScan::Open() {
  const bool opened = m_log.Open();
  m_strLogPath = opened ? m_log.LogPath() : std::string();
  return opened;
}

void ConsoleScan::ProblemFiled(const ScanSection&, const ProblemRecord&, const ScanTotals&) {
  if (m_bHoldAfterFirst) {
    m_bHoldAfterFirst = false;
    HoldForTest(TestHoldFile("QUILLBANE_TEST_SCAN_HOLD"));
  }
}

// Most items go by unseen: the line is redrawn a few times a second at most.
bool ConsoleScan::ProgressWanted() {
  return m_bProgress && GetTickCount64() - m_nLastProgress >= kProgressIntervalMs;
}

void ConsoleScan::Progress(const std::string& text) {
  if (!ProgressWanted()) return;
  m_nLastProgress = GetTickCount64();
  std::string line = m_strSection.empty() ? text : m_strSection + ": " + text;
  if (line.size() > kProgressWidth) line = line.substr(0, kProgressWidth - 3) + "...";
  PrintTo(stderr, "\r%-*s", static_cast<int>(kProgressWidth), line.c_str());
  std::fflush(stderr);
}

bool ConsoleScan::StopRequested() {
  if (!ConsoleInterruptRequested()) return false;
  if (m_bProgress && m_scanner.Running())
    PrintTo(stderr, "\r%-*s", static_cast<int>(kProgressWidth), "Aborting Scan...");
  return true;
}

// The window shows it in a box; here it goes with the other notes, on stderr.
void ConsoleScan::EntryFailed() { PrintTo(stderr, "%s\n", kEntryFailedText); }
