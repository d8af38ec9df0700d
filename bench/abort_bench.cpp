// Abort responsiveness of the window: while a full scan runs in the real main
// window, another thread posts a click on Abort at a random moment; the time from
// that post to the scan's end (its end message) is measured. Prints every try and
// the median, p95 and worst over 20 tries (the target is a p95 under 50 ms).
//
// Runs under Wine in a throwaway clone of the test prefix (bench/run-abort-bench),
// against that prefix's own registry and disk, every section enabled.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/cleaner_app.h"
#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "core/section_catalogue.h"
#include "framework/prompt.h"
#include "scan/section_registry.h"

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

class EndClock : public PromptScript {
 public:
  void OnMessage(const std::string& text, const std::string&) override {
    if (text == "Scan Aborted" || text == "Scan Complete") {
      endMs = Now();
      aborted = text == "Scan Aborted";
    }
  }
  bool OnQuestion(const std::string&, const std::string&) override { return false; }
  double endMs = 0;
  bool aborted = false;
};

}  // namespace

int main() {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  if (SettingsKeyMissing()) InitSettingsKey();
  const SectionCatalogue catalogue(RegisteredSections());
  for (const ScanSection& section : catalogue.Sections()) SaveSectionEnabled(section.sectionId, 1);

  EndClock clock;
  SetPromptScript(&clock);
  CleanerApp app;
  app.Info().Collect();
  MainDialog dialog(app);
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  dialog.SetBackupFolder(std::string(temp) + "QuillbaneBench");
  if (!dialog.Create()) {
    std::printf("the window could not be created\n");
    return 1;
  }
  HWND hButton = GetDlgItem(dialog.Handle(), kScanButton);

  // One full scan first: its length bounds the random abort moments.
  SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(kNavScanNow, BN_CLICKED), 0);
  const double fullStart = Now();
  SendMessageA(hButton, BM_CLICK, 0, 0);
  const double fullMs = clock.endMs - fullStart;
  std::printf("full scan: %.0f ms, %d problems\n", fullMs, dialog.Store().totalProblems());

  std::mt19937 random(12345);
  std::uniform_real_distribution<double> moment(20.0, std::max(60.0, fullMs * 0.6));
  std::vector<double> latencies;
  for (int attempt = 0; latencies.size() < 20 && attempt < 200; ++attempt) {
    SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(kNavScanNow, BN_CLICKED), 0);
    clock.endMs = 0;
    std::atomic<double> postedMs{0};
    const double delay = moment(random);
    std::thread clicker([&] {
      Sleep(static_cast<DWORD>(delay));
      postedMs = Now();
      PostMessageA(hButton, BM_CLICK, 0, 0);
    });
    SendMessageA(hButton, BM_CLICK, 0, 0);
    clicker.join();
    if (!clock.aborted || clock.endMs < postedMs) continue;  // ended before the click
    const double latency = clock.endMs - postedMs;
    latencies.push_back(latency);
    std::printf("try %2zu: abort after %5.0f ms, scan ended %.1f ms after the click\n",
                latencies.size(), delay, latency);
  }
  if (latencies.empty()) {
    std::printf("no try aborted a running scan\n");
    return 1;
  }
  std::sort(latencies.begin(), latencies.end());
  const auto at = [&](double q) {
    return latencies[std::min(latencies.size() - 1, static_cast<size_t>(q * latencies.size()))];
  };
  std::printf("abort to end over %zu tries: median %.1f ms, p95 %.1f ms, worst %.1f ms\n",
              latencies.size(), at(0.5), at(0.95), latencies.back());
  dialog.DestroyWindow();
  SetPromptScript(nullptr);
  OleUninitialize();
  return 0;
}
