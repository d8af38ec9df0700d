// Test helper: read_shortcut LINK... prints one line per shell link, its target read
// back with IShellLink as the shell reads it: "target<TAB>runas<TAB>exists", where
// runas is 1 when the link starts its program as administrator and exists is 1 when
// the target is there. A link that cannot be read prints "unreadable".
//
// The administrator bit is read from the link's header (the flags at offset 0x14),
// where the shell reads it: Wine's IShellLinkDataList::GetFlags does not report it.

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "core/handles.h"

namespace {

bool HeaderFlags(const char* path, DWORD& flags) {
  const StdFile file(std::fopen(path, "rb"));
  if (!file) return false;
  unsigned char header[0x18] = {};
  const bool read = std::fread(header, 1, sizeof(header), file.Get()) == sizeof(header) &&
                    header[0] == 0x4C;  // the header's size, 76 bytes
  if (read) flags = header[0x14] | (header[0x15] << 8) | (header[0x16] << 16) |
                    (static_cast<DWORD>(header[0x17]) << 24);
  return read;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: read_shortcut LINK...\n");
    return 2;
  }
  const ComApartment com;
  if (!com.Ready()) return 1;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    wchar_t wide[MAX_PATH] = {};
    char target[MAX_PATH] = {};
    DWORD flags = 0;
    MultiByteToWideChar(CP_UTF8, 0, argv[i], -1, wide, MAX_PATH);
    const bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   link.ReceiveVoid())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
        SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        HeaderFlags(argv[i], flags);
    if (ok) {
      const bool exists = GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES;
      std::printf("%s\t%d\t%d\n", target, (flags & SLDF_RUNAS_USER) ? 1 : 0, exists ? 1 : 0);
    } else {
      std::printf("unreadable\n");
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
