#include "manager_fixture.h"

#include <commctrl.h>

#include <algorithm>

#include "core/handles.h"
#include "managers/manager_rows.h"

namespace {
// RT_RCDATA, whose macro has the wide type in a Unicode build.
const int kRawDataResourceType = 10;
}  // namespace

std::string TestLibrary(const std::string& name) {
  // The test program's folder has no Windows path in the test prefix, so the
  // libraries travel as its resources and are written out once per run.
  static TempFolder folder;
  const std::string path = folder / name;
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(self, name.c_str(), MAKEINTRESOURCEA(kRawDataResourceType));
  const char* bytes = info ? static_cast<const char*>(LockResource(LoadResource(self, info))) : nullptr;
  if (bytes && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    WriteFileBytes(path, std::string(bytes, SizeofResource(self, info)));
  }
  return path;
}

Rows SeedStartup(const std::string& folder) {
  const std::string tool = folder + "\\Tool.EXE", command = "\"" + tool + "\" /background";
  CopyFileA(TestLibrary("version_us.dll").c_str(), tool.c_str(), FALSE);
  RegPutString(HKEY_CURRENT_USER, kRunKeyPath, "Agent", command);
  RegPutString(HKEY_CURRENT_USER, kRunKeyPath, "Beta", "%SystemRoot%\\beta.exe", REG_EXPAND_SZ);
  RegPutBytes(HKEY_CURRENT_USER, kRunKeyPath, "Gamma", REG_BINARY, "\x01", 1);
  RegPutString(HKEY_LOCAL_MACHINE, kRunKeyPath, "Machine", "C:\\m.exe");
  char root[MAX_PATH] = {};
  GetEnvironmentVariableA("SystemRoot", root, sizeof(root));
  return {"Agent|" + command, "Beta|" + std::string(root) + "\\beta.exe", "Gamma|",
          "Machine|C:\\m.exe"};
}

Rows SeedBho(const std::string& folder) {
  const std::string helper = folder + "\\Helper.DLL", bho = std::string(kBhoKeyPath) + "\\";
  CopyFileA(TestLibrary("version_us.dll").c_str(), helper.c_str(), FALSE);
  RegPutString(HKEY_LOCAL_MACHINE, kBhoKeyPath, "", "The key's own name names no object");
  RegPutString(HKEY_LOCAL_MACHINE, bho + "{B1}", "x", "");
  RegPutString(HKEY_LOCAL_MACHINE, bho + "{B2}", "x", "");
  RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{B1}", "", "Alpha Helper");
  RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{B1}\\InProcServer32", "", helper);
  return {"Alpha Helper|" + helper, std::string(kNoBhoName) + "|"};
}

Rows SeedUninstall() {
  const struct {
    const char *key, *name, *value;
  } values[] = {{"App1", "DisplayName", "One"},      {"App1", "UninstallString", "u1.exe"},
                {"Hidden", "DisplayName", "Hidden"}, {"Nameless", "Publisher", "Somebody"},
                {"OnlyUninstall", "UninstallString", "u4.exe"},
                {"TextFlag", "SystemComponent", "1"},  // text, not a DWORD: listed
                {"TextFlag", "DisplayName", "Text Flag"}, {"Zed", "DisplayName", "Last"}};
  const std::string base = std::string(kUninstallKeyPath) + "\\";
  for (const auto& v : values) RegPutString(HKEY_LOCAL_MACHINE, base + v.key, v.name, v.value);
  RegPutDword(HKEY_LOCAL_MACHINE, base + "Hidden", "SystemComponent", 1);
  return {"One|u1.exe", "|u4.exe", "Text Flag|", "Last|"};
}

void ManagerTest::SetUp() {
  SandboxedTest::SetUp();
  m_startup = {m_folder / "UserStartup", m_folder / "CommonStartup"};
  CreateDirectoryA(m_startup.user.c_str(), nullptr);
  CreateDirectoryA(m_startup.common.c_str(), nullptr);
  SetStartupFoldersForTest(&m_startup);
}

std::vector<std::string> ExportsIn(const std::string& folder) {
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  const FindHandle search(FindFirstFileA((folder + "\\*.reg").c_str(), &found));
  if (!search) return files;
  do files.push_back(folder + "\\" + found.cFileName);
  while (FindNextFileA(search.Get(), &found));
  std::sort(files.begin(), files.end());
  return files;
}

Rows ListRows(HWND hList) {
  Rows rows;
  const int count = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char texts[2][1024] = {};
    for (int column = 0; column < 2; ++column) {
      LVITEMA item = {};
      item.iSubItem = column;
      item.pszText = texts[column];
      item.cchTextMax = sizeof(texts[column]);
      SendMessageA(hList, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }
    rows.push_back(std::string(texts[0]) + "|" + texts[1]);
  }
  return rows;
}

std::string ColumnHeader(HWND hList, int column) {
  char text[64] = {};
  LVCOLUMNA info = {};
  info.mask = LVCF_TEXT;
  info.pszText = text;
  info.cchTextMax = sizeof(text);
  SendMessageA(hList, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
  return text;
}

void SetRowState(HWND hList, int index, UINT mask, UINT state) {
  LVITEMA item = {};
  item.stateMask = mask;
  item.state = state;
  SendMessageA(hList, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

std::string ItemText(HWND hDialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(hDialog, id, text, sizeof(text));
  return text;
}
