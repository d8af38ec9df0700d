// Key export and import: ours in-process against the registry editor run as a
// child program (as backups and restores have run it), on the same keys in the
// same run. 300 keys (QB_BENCH_KEYS) of two values each below
// HKCU\Software\QuillbaneBench\Transfer, each key:
//   - delete only (what a removal without a backup costs);
//   - export into RegKeyBkupN.reg, then delete (ours also reads the export back
//     and compares it with the live key first, as a removal will);
//   - import the export again.
// Alternating rounds (QB_BENCH_ROUNDS, 3), the median of each column and of each
// round's ratio. Runs under Wine in a throwaway prefix (bench/run-transfer-bench).

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "backup/file_utils.h"
#include "backup/reg_key_transfer.h"
#include "support/registry_editor.h"

namespace {

const std::string kBase = "Software\\QuillbaneBench\\Transfer";
const std::string kFolder = "C:\\transfer-bench";

std::string KeyPath(int i) { return kBase + "\\K" + std::to_string(i); }
std::string FileOf(int i) { return kFolder + "\\RegKeyBkup" + std::to_string(i) + ".reg"; }

void Seed(int keys) {
  for (int i = 0; i < keys; ++i) {
    HKEY hKey = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(i).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    const std::string path = "C:\\Program Files\\Gone " + std::to_string(i) + "\\app.exe";
    const DWORD number = static_cast<DWORD>(i);
    RegSetValueExA(hKey, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), static_cast<DWORD>(path.size() + 1));
    RegSetValueExA(hKey, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(hKey);
  }
}

int Present(int keys) {
  int present = 0;
  for (int i = 0; i < keys; ++i) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(i).c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
      ++present;
      RegCloseKey(hKey);
    }
  }
  return present;
}

double Seconds(const std::function<bool(int)>& step, int keys, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < keys; ++i) ok = step(i) && ok;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Delete(int i) { return RegDeleteTreeA(HKEY_CURRENT_USER, KeyPath(i).c_str()) == ERROR_SUCCESS; }

int Setting(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const int number = text ? std::atoi(text) : 0;
  return number > 0 ? number : fallback;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  const int keys = Setting("QB_BENCH_KEYS", 300);
  const int rounds = Setting("QB_BENCH_ROUNDS", 3);
  CreateDirectoryA(kFolder.c_str(), nullptr);
  std::vector<double> deleteOnly, oursOut, oursIn, editorOut, editorIn, ratioOut, ratioIn;
  bool ok = true;
  for (int round = 0; round < rounds; ++round) {
    Seed(keys);
    deleteOnly.push_back(Seconds(Delete, keys, ok));

    Seed(keys);
    oursOut.push_back(Seconds([](int i) {
      std::string error;
      return ExportKeyToFile(HKEY_CURRENT_USER, KeyPath(i), FileOf(i), error) &&
             ExportedKeyDifference(FileOf(i), HKEY_CURRENT_USER, KeyPath(i)).empty() && Delete(i);
    }, keys, ok));
    oursIn.push_back(Seconds([](int i) {
      std::string bytes, error;
      return ReadWholeFile(FileOf(i), bytes) &&
             ImportExportFile(bytes, "HKEY_CURRENT_USER\\" + KeyPath(i), error);
    }, keys, ok));
    ok = Present(keys) == keys && ok;

    editorOut.push_back(Seconds([](int i) {
      return ExportKeyChecked(BackupExportArguments(kFolder, i, "HKEY_CURRENT_USER\\" + KeyPath(i)), FileOf(i)) &&
             Delete(i);
    }, keys, ok));
    editorIn.push_back(Seconds([](int i) {
      return RunRegistryEditor(ImportArguments(kFolder, "RegKeyBkup" + std::to_string(i) + ".reg"));
    }, keys, ok));
    ok = Present(keys) == keys && ok;
    RegDeleteTreeA(HKEY_CURRENT_USER, kBase.c_str());
    ratioOut.push_back(editorOut.back() / oursOut.back());
    ratioIn.push_back(editorIn.back() / oursIn.back());
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuillbaneBench");
  std::printf("%d keys of two values, %d rounds, medians (seconds)\n", keys, rounds);
  std::printf("  delete only                         %8.3f\n", Median(deleteOnly));
  std::printf("  export+check+delete  ours %8.3f  editor %8.3f  editor/ours %6.1fx  ours/delete-only %5.1fx\n",
              Median(oursOut), Median(editorOut), Median(ratioOut), Median(oursOut) / Median(deleteOnly));
  std::printf("  import               ours %8.3f  editor %8.3f  editor/ours %6.1fx\n", Median(oursIn),
              Median(editorIn), Median(ratioIn));
  if (!ok) std::printf("SOME STEP FAILED: the figures do not measure complete work\n");
  return ok ? 0 : 1;
}
