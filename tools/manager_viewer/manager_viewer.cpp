// Opens one registry entry manager by its template id, for eyes and screenshots.
// Usage: manager-viewer.exe 145|147|148 [demo]
// With "demo" the machine, user and classes roots are redirected, for this
// process only, to a private key filled with demonstration entries, the first row
// is selected and the second checked; nothing of the real registry is touched.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/handles.h"
#include "managers/manager_dialogs.h"
#include "ui/resource_ids.h"

namespace {

const char kDemoKey[] = "Software\\QuillbaneDemo";

void Put(HKEY root, const std::string& key, const char* name, const std::string& value,
         DWORD type = REG_SZ) {
  KeyHandle created;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      created.Receive(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (name) {
    RegSetValueExA(created.Get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }
}

void PutDword(HKEY root, const std::string& key, const char* name, DWORD value) {
  KeyHandle created;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      created.Receive(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(created.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof(value));
}

// A shortcut to the registry editor in the demonstration Startup folder.
void PutShortcut(const std::string& link) {
  ComPtr<IShellLinkA> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              shellLink.ReceiveVoid()))) {
    return;
  }
  shellLink->SetPath("C:\\windows\\regedit.exe");
  ComPtr<IPersistFile> file;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) {
    wchar_t path[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, link.c_str(), -1, path, MAX_PATH);
    file->Save(path, TRUE);
  }
}

StartupFolders g_demoFolders;

void SeedDemo() {
  const std::string run = kRunKeyPath;
  Put(HKEY_CURRENT_USER, run, "Editor Agent", "\"C:\\windows\\REGEDIT.EXE\" /background");
  Put(HKEY_CURRENT_USER, run, "Sound Tray", "%SystemRoot%\\system32\\sndtray.exe",
      REG_EXPAND_SZ);
  Put(HKEY_LOCAL_MACHINE, run, "Tarnwick Updater",
      "\"C:\\Program Files\\Tarnwick\\update.exe\" /silent");
  // A 32-bit program's, listed with "(32-bit)".
  Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
      "Harbor Tray", "\"C:\\Program Files (x86)\\Harbor\\tray.exe\"");
  // Switched off in the Task Manager: 03 and the time of the change.
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  const std::string off = DisabledApprovalBytes(now);
  KeyHandle approved;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, StartupApprovedKey(kApprovedRun).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, approved.Receive(), nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(approved.Get(), "Sound Tray", 0, REG_BINARY, reinterpret_cast<const BYTE*>(off.data()),
                   static_cast<DWORD>(off.size()));
  }
  // A shortcut in a Startup folder of the demonstration's own.
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  g_demoFolders.user = std::string(temp) + "QuillbaneDemoStartup";
  CreateDirectoryA(g_demoFolders.user.c_str(), nullptr);
  PutShortcut(g_demoFolders.user + "\\Registry Editor.lnk");
  SetStartupFoldersForTest(&g_demoFolders);

  const std::string bho = std::string(kBhoKeyPath) + "\\";
  const char* const helper = "{5C3B3E21-6F3A-4D0B-9C1E-1A2B3C4D5E6F}";
  Put(HKEY_LOCAL_MACHINE, bho + helper, nullptr, "");
  Put(HKEY_CLASSES_ROOT, std::string("CLSID\\") + helper, "", "Orrelmoor Toolbar Helper");
  Put(HKEY_CLASSES_ROOT, std::string("CLSID\\") + helper + "\\InProcServer32", "",
      "C:\\windows\\system32\\shdocvw.dll");
  Put(HKEY_LOCAL_MACHINE, bho + "{9E8D7C6B-5A49-3827-1605-F4E3D2C1B0A9}", nullptr, "");

  const std::string uninstall = std::string(kUninstallKeyPath) + "\\";
  Put(HKEY_LOCAL_MACHINE, uninstall + "OrrelmoorViewer", "DisplayName", "Orrelmoor Photo Viewer 3.2");
  Put(HKEY_LOCAL_MACHINE, uninstall + "OrrelmoorViewer", "UninstallString",
      "\"C:\\Program Files\\Orrelmoor\\uninst.exe\"");
  Put(HKEY_LOCAL_MACHINE, uninstall + "Plovenware", "DisplayName", "Plovenware Toolbar");
  Put(HKEY_LOCAL_MACHINE, uninstall + "Plovenware", "UninstallString",
      "MsiExec.exe /X{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
  Put(HKEY_LOCAL_MACHINE, uninstall + "Runtime", "DisplayName", "Shared Runtime");
  PutDword(HKEY_LOCAL_MACHINE, uninstall + "Runtime", "SystemComponent", 1);
  Put(HKEY_LOCAL_MACHINE, uninstall + "Leftover", "UninstallString",
      "C:\\Program Files\\Gone\\remove.exe");
  const std::string uninstall32 =
      "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Harbor";
  Put(HKEY_LOCAL_MACHINE, uninstall32, "DisplayName", "Harbor");
  Put(HKEY_LOCAL_MACHINE, uninstall32, "UninstallString",
      "\"C:\\Program Files (x86)\\Harbor\\uninstall.exe\"");
}

// Redirects the three roots to private keys below the real user's demo key.
bool RedirectRoots() {
  KeyHandle software;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, software.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  const HKEY hSoftware = software.Get();
  SHDeleteKeyA(hSoftware, "QuillbaneDemo");
  bool ok = true;
  const struct {
    HKEY root;
    const char* name;
  } roots[] = {{HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"}, {HKEY_CLASSES_ROOT, "HKCR"}};
  for (const auto& r : roots) {
    HKEY hKey = nullptr;
    const std::string path = std::string("QuillbaneDemo\\") + r.name;
    ok = ok && RegCreateKeyExA(hSoftware, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                               &hKey, nullptr) == ERROR_SUCCESS &&
         RegOverridePredefKey(r.root, hKey) == ERROR_SUCCESS;
  }
  return ok;
}

// A manager that selects its first row and checks its second once it is up.
template <class Manager>
class Shown : public Manager {
 public:
  explicit Shown(bool demo) : Manager(nullptr), m_bDemo(demo) {}

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = Manager::OnInitDialog();
    if (m_bDemo) {
      HWND hList = this->Item(kManagerList);
      LVITEMA item = {};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(hList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
      item.stateMask = LVIS_STATEIMAGEMASK;
      item.state = INDEXTOSTATEIMAGEMASK(2);
      SendMessageA(hList, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
    }
    return result;
  }

 private:
  bool m_bDemo;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const int id = __argc > 1 ? std::atoi(__argv[1]) : IDD_STARTUP_MANAGER;
  const bool demo = __argc > 2 && std::string(__argv[2]) == "demo";
  // Shortcut targets are read through the shell-link object.
  const ComApartment com;
  if (demo) {
    if (!RedirectRoots()) return 2;
    SeedDemo();
  }
  std::unique_ptr<ManagerDialog> dialog;
  if (id == IDD_BHO_MANAGER) {
    dialog = std::make_unique<Shown<BhoManagerDialog>>(demo);
  } else if (id == IDD_ADD_REMOVE_MANAGER) {
    dialog = std::make_unique<Shown<AddRemoveManagerDialog>>(demo);
  } else {
    dialog = std::make_unique<Shown<StartupManagerDialog>>(demo);
  }
  const INT_PTR result = dialog->DoModal();
  if (demo) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
      RegOverridePredefKey(root, nullptr);
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, kDemoKey);
    if (!g_demoFolders.user.empty()) {
      DeleteFileA((g_demoFolders.user + "\\Registry Editor.lnk").c_str());
      RemoveDirectoryA(g_demoFolders.user.c_str());
    }
  }
  return result == -1 ? 1 : 0;
}
