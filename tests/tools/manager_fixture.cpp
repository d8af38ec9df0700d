#include "manager_fixture.h"

#include <commctrl.h>

#include "tools/manager_rows.h"

std::string TestLibrary(const std::string& name) {
  // The program's own folder has no Windows path under the test prefix, so the
  // libraries travel as resources and are written out once per run.
  static TempFolder folder;
  const std::string path = folder / name;
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(self, name.c_str(), MAKEINTRESOURCEA(10));
  HGLOBAL data = info ? LoadResource(self, info) : nullptr;
  const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  if (bytes) WriteFileBytes(path, std::string(bytes, SizeofResource(self, info)));
  return path;
}

FakeEditor::FakeEditor() : m_pPrevious(SetRegistryEditor(this)) {}

FakeEditor::~FakeEditor() { SetRegistryEditor(m_pPrevious); }

bool FakeEditor::Run(const std::string& arguments) {
  calls.push_back(arguments);
  // "/e \"file\" \"key\" "
  const size_t a = arguments.find('"'), b = arguments.find('"', a + 1);
  const size_t c = arguments.find('"', b + 1), d = arguments.find('"', c + 1);
  if (arguments.compare(0, 3, "/e ") != 0 || d == std::string::npos) return false;
  const std::string file = arguments.substr(a + 1, b - a - 1);
  const std::string key = arguments.substr(c + 1, d - c - 1);
  if (key.find(failKeysWith) != std::string::npos) return true;
  files.push_back(file);
  return WriteFileBytes(file, "export of " + key);
}

Rows ListRows(HWND hList) {
  Rows rows;
  const int count = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string texts[2];
    for (int column = 0; column < 2; ++column) {
      char buffer[1024] = {};
      LVITEMA item = {};
      item.iSubItem = column;
      item.pszText = buffer;
      item.cchTextMax = sizeof(buffer);
      SendMessageA(hList, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
      texts[column] = buffer;
    }
    rows.emplace_back(texts[0], texts[1]);
  }
  return rows;
}

void CheckRow(HWND hList, int index) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  SendMessageA(hList, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void SetRowState(HWND hList, int index, UINT state) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = state;
  SendMessageA(hList, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

std::string ItemText(HWND hDialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(hDialog, id, text, sizeof(text));
  return text;
}

Rows SeedStartup(const std::string& folder) {
  const std::string tool = folder + "\\Tool.EXE";
  CopyFileA(TestLibrary("version_us.dll").c_str(), tool.c_str(), FALSE);
  const std::string command = "\"" + tool + "\" /background";
  RegPutString(HKEY_CURRENT_USER, kRunKeyPath, "Agent", command);
  RegPutString(HKEY_CURRENT_USER, kRunKeyPath, "Beta", "%SystemRoot%\\beta.exe", REG_EXPAND_SZ);
  RegPutBytes(HKEY_CURRENT_USER, kRunKeyPath, "Gamma", REG_BINARY, "\x01\x02", 2);
  RegPutString(HKEY_LOCAL_MACHINE, kRunKeyPath, "Machine", "C:\\m.exe");
  char systemRoot[MAX_PATH] = {};
  GetEnvironmentVariableA("SystemRoot", systemRoot, sizeof(systemRoot));
  return {{"Agent", command},
          {"Beta", std::string(systemRoot) + "\\beta.exe"},
          {"Gamma", ""},
          {"Machine", "C:\\m.exe"}};
}

Rows SeedBho(const std::string& folder) {
  const std::string helper = folder + "\\Helper.DLL";
  CopyFileA(TestLibrary("version_us.dll").c_str(), helper.c_str(), FALSE);
  const std::string bho = kBhoKeyPath;
  // The BHO key's own default value names none of the objects.
  RegPutString(HKEY_LOCAL_MACHINE, bho, "", "Shared name");
  RegPutString(HKEY_LOCAL_MACHINE, bho + "\\{B1}", "", "");
  RegPutString(HKEY_LOCAL_MACHINE, bho + "\\{B2}", "", "");
  RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{B1}", "", "Alpha Helper");
  RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{B1}\\InProcServer32", "", helper);
  return {{"Alpha Helper", helper}, {kNoBhoName, ""}};
}

Rows SeedUninstall() {
  const std::string base = std::string(kUninstallKeyPath) + "\\";
  RegPutString(HKEY_LOCAL_MACHINE, base + "App1", "DisplayName", "One");
  RegPutString(HKEY_LOCAL_MACHINE, base + "App1", "UninstallString", "u1.exe");
  RegPutDword(HKEY_LOCAL_MACHINE, base + "Hidden", "SystemComponent", 1);
  RegPutString(HKEY_LOCAL_MACHINE, base + "Hidden", "DisplayName", "Hidden");
  RegPutString(HKEY_LOCAL_MACHINE, base + "Nameless", "Publisher", "Somebody");
  RegPutString(HKEY_LOCAL_MACHINE, base + "OnlyUninstall", "UninstallString", "u4.exe");
  // A flag stored as text is no DWORD: the entry shows.
  RegPutString(HKEY_LOCAL_MACHINE, base + "TextFlag", "SystemComponent", "1");
  RegPutString(HKEY_LOCAL_MACHINE, base + "TextFlag", "DisplayName", "Text Flag");
  RegPutString(HKEY_LOCAL_MACHINE, base + "Zed", "DisplayName", "Last");
  RegPutString(HKEY_LOCAL_MACHINE, base + "Zed", "UninstallString", "z.exe");
  return {{"One", "u1.exe"}, {"", "u4.exe"}, {"Text Flag", ""}, {"Last", "z.exe"}};
}
