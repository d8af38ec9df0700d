// Seeding helper for end-to-end tests: make_shortcut [--ansi] LINK TARGET [LINK TARGET...]
// writes real shell links, as any installer would: through IShellLinkW with the
// texts as given, or with --ansi through IShellLinkA in the program's ANSI code
// page. Built twice: with our manifest (UTF-8) and without it (the code page of an
// older system, 1252 here), whose --ansi links keep their path text in that code page.

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string Ansi(const wchar_t* text) {
  char buffer[4096] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer) - 1, nullptr, nullptr);
  return buffer;
}

bool Save(IUnknown* link, const wchar_t* linkPath) {
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Save(linkPath, TRUE));
  if (file) file->Release();
  return ok;
}

bool MakeLink(const wchar_t* linkPath, const wchar_t* target, bool ansi) {
  bool ok = false;
  if (ansi) {
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
      ok = SUCCEEDED(link->SetPath(Ansi(target).c_str())) && Save(link, linkPath);
      link->Release();
    }
  } else {
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
      ok = SUCCEEDED(link->SetPath(target)) && Save(link, linkPath);
      link->Release();
    }
  }
  return ok;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int first = 1;
  const bool ansi = argc > 1 && std::wstring(argv[1]) == L"--ansi";
  if (ansi) ++first;
  if (argv == nullptr || argc - first < 2 || (argc - first) % 2 != 0) {
    std::fprintf(stderr, "usage: make_shortcut [--ansi] LINK TARGET [LINK TARGET...]\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int failures = 0;
  for (int i = first; i + 1 < argc; i += 2) {
    if (!MakeLink(argv[i], argv[i + 1], ansi)) {
      std::fprintf(stderr, "make_shortcut: cannot write %s\n", Ansi(argv[i]).c_str());
      ++failures;
    }
  }
  CoUninitialize();
  LocalFree(argv);
  return failures ? 1 : 0;
}
