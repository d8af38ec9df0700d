// Seeding helper for end-to-end tests: make_shortcut LINK TARGET [LINK TARGET...]
// writes real shell links with IShellLinkA, as any installer would.

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: make_shortcut LINK TARGET [LINK TARGET...]\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int failures = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    // Link paths may be longer than MAX_PATH (a 255-character name in a folder).
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0), L'\0');
    if (!wide.empty()) MultiByteToWideChar(CP_ACP, 0, argv[i], -1, &wide[0], static_cast<int>(wide.size()));
    const bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->SetPath(argv[i + 1])) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Save(wide.c_str(), TRUE));
    if (file) file->Release();
    if (link) link->Release();
    if (!ok) {
      std::fprintf(stderr, "make_shortcut: cannot write %s\n", argv[i]);
      ++failures;
    }
  }
  CoUninitialize();
  return failures ? 1 : 0;
}
