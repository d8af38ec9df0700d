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

#include "core/handles.h"

namespace {

std::string Ansi(const wchar_t* text) {
  char buffer[4096] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer) - 1, nullptr, nullptr);
  return buffer;
}

bool Save(IUnknown* link, const wchar_t* linkPath) {
  ComPtr<IPersistFile> file;
  return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
         SUCCEEDED(file->Save(linkPath, TRUE));
}

template <class Link, class Text>
bool MakeLinkThrough(REFIID kind, const Text& target, const wchar_t* linkPath) {
  ComPtr<Link> link;
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, kind,
                                    link.ReceiveVoid())) &&
         SUCCEEDED(link->SetPath(target)) && Save(link.Get(), linkPath);
}

bool MakeLink(const wchar_t* linkPath, const wchar_t* target, bool ansi) {
  return ansi ? MakeLinkThrough<IShellLinkA>(IID_IShellLinkA, Ansi(target).c_str(), linkPath)
              : MakeLinkThrough<IShellLinkW>(IID_IShellLinkW, target, linkPath);
}

}  // namespace

int main() {
  int argc = 0;
  const LocalMemory<wchar_t*> args(CommandLineToArgvW(GetCommandLineW(), &argc));
  wchar_t** argv = args.Get();
  int first = 1;
  const bool ansi = argc > 1 && std::wstring(argv[1]) == L"--ansi";
  if (ansi) ++first;
  if (argv == nullptr || argc - first < 2 || (argc - first) % 2 != 0) {
    std::fprintf(stderr, "usage: make_shortcut [--ansi] LINK TARGET [LINK TARGET...]\n");
    return 2;
  }
  const ComApartment com;
  if (!com.Ready()) return 1;
  int failures = 0;
  for (int i = first; i + 1 < argc; i += 2) {
    if (!MakeLink(argv[i], argv[i + 1], ansi)) {
      std::fprintf(stderr, "make_shortcut: cannot write %s\n", Ansi(argv[i]).c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
