// Registry helper for the differential test against the registry editor:
//   reg_corpus seed BASE          writes the corpus below HKCU\BASE (Corpus, Quirks)
//   reg_corpus export KEY FILE    our export of HKCU\KEY, then checks it holds the key
//   reg_corpus import FILE KEY    our import, confined to HKCU\KEY
//   reg_corpus compare FILE KEY   the export holds exactly HKCU\KEY as it is now
//   reg_corpus same FILE FILE     both exports read back to the same keys and values
// Exit 0 when done, else 1 with the reason. Seeding uses the wide API directly.

#include <windows.h>

#include <cstdio>
#include <string>

#include "backup/file_utils.h"
#include "backup/reg_export_check.h"
#include "backup/reg_key_transfer.h"
#include "core/handles.h"

namespace {

HKEY g_hBase = nullptr;

void Put(const std::wstring& key, const std::wstring& name, DWORD type, const std::string& data) {
  KeyHandle created;
  RegCreateKeyExW(g_hBase, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.Receive(), nullptr);
  std::string guarded = data + "\xff\xff";  // no NUL the system would count in
  RegSetValueExW(created.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                 static_cast<DWORD>(data.size()));
}

std::string Bytes(const std::wstring& text) {  // UTF-16LE, the NULs in `text` included
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// A literal's UTF-16LE bytes with its terminating NUL (and any NULs inside).
template <size_t N>
std::string Z(const wchar_t (&text)[N]) {
  return Bytes(std::wstring(text, N));
}

void Seed() {
  const std::wstring c = L"Corpus";
  Put(c, L"", REG_SZ, Z(L"default"));
  Put(c, L"none", REG_NONE, "");
  Put(c, L"none with data", REG_NONE, "\x01\x02");
  Put(c, L"sz", REG_SZ, Z(L"a \"quoted\" C:\\path\\ 100% \t\x1b ok"));
  Put(c, L"sz lines", REG_SZ, Z(L"one\r\ntwo"));
  Put(c, L"sz empty", REG_SZ, std::string(2, '\0'));
  Put(c, L"expand", REG_EXPAND_SZ, Z(L"%SystemRoot%\\x"));
  Put(c, L"dword", REG_DWORD, std::string("\x0a\x00\x00\xf0", 4));
  Put(c, L"big endian", REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x00\x0a", 4));
  Put(c, L"qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
  Put(c, L"multi", REG_MULTI_SZ, Z(L"a\0\0b\0"));
  Put(c, L"unknown", 0x100, "\x01");
  Put(c, L"q\"uo\"te a=b [c] @", REG_DWORD, std::string(4, '\x01'));
  Put(c, L"back\\slash\\", REG_SZ, Z(L"\\"));
  Put(c, L"\x00fc\x4e2d\xd83d\xde00 \x01\t", REG_SZ, Z(L"\x00e4\x6587\xd83d\xde01"));
  Put(c, std::wstring(150, L'n'), REG_BINARY, std::string(100, '\x7f'));  // wraps after a long name
  Put(c, L"1 MB", REG_BINARY, std::string(1 << 20, '\xa5'));
  for (const wchar_t* sub : {L"Corpus\\Sub \"quoted\"", L"Corpus\\ctl\x01\x1b\t", L"Corpus\\[x]=y",
                             L"Corpus\\\x00e4\x4e2d\xd83d\xde00", L"Corpus\\ spaced "}) {
    Put(sub, L"", REG_SZ, Bytes(std::wstring(sub) + L'\0'));
  }
  KeyHandle empty;
  RegCreateKeyExW(g_hBase, L"Corpus\\Empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, empty.Receive(), nullptr);
  std::wstring deep = L"Corpus\\Deep";
  for (int level = 0; level < 200; ++level) deep += L"\\d";
  Put(deep, L"bottom", REG_DWORD, std::string(4, '\0'));
  for (int i = 0; i < 10000; ++i) {
    Put(L"Corpus\\Many", L"v" + std::to_wstring(i), i % 2 ? REG_DWORD : REG_SZ,
        i % 2 ? std::string(4, static_cast<char>(i)) : Bytes(std::to_wstring(i) + L'\0'));
  }
  // What the editor cannot give back: text data of an odd length, without its
  // NUL, with a NUL inside, empty, and a REG_DWORD of two bytes.
  Put(L"Quirks", L"odd", REG_SZ, std::string("A\0B", 3));
  Put(L"Quirks", L"no nul", REG_SZ, Bytes(L"AB"));
  Put(L"Quirks", L"inner nul", REG_SZ, Z(L"A\0B"));
  Put(L"Quirks", L"zero bytes", REG_SZ, "");
  Put(L"Quirks", L"short dword", REG_DWORD, "\x01\x02");
}

int Say(const std::string& problem) {
  std::printf("%s\n", problem.c_str());
  return problem.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 2 ? argv[1] : "";
  std::string error, one, two;
  ExportContents first, second;
  if (command == "seed") {
    RegCreateKeyExA(HKEY_CURRENT_USER, argv[2], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &g_hBase, nullptr);
    Seed();
    return 0;
  }
  if (command == "export" && argc == 4) {
    if (!ExportKeyToFile(HKEY_CURRENT_USER, argv[2], argv[3], error)) return Say(error);
    return Say(ExportedKeyDifference(argv[3], HKEY_CURRENT_USER, argv[2]));
  }
  if (command == "import" && argc == 4) {
    if (!ReadWholeFile(argv[2], one)) return Say("cannot read the file");
    ImportExportFile(one, std::string("HKEY_CURRENT_USER\\") + argv[3], error);
    return Say(error);
  }
  if (command == "compare" && argc == 4) return Say(ExportedKeyDifference(argv[2], HKEY_CURRENT_USER, argv[3]));
  if (command == "same" && argc == 4) {
    if (!ReadWholeFile(argv[2], one) || !ReadWholeFile(argv[3], two) ||
        !ParseExportFile(one, first, error) || !ParseExportFile(two, second, error)) {
      return Say("unreadable: " + error);
    }
    return Say(ExportDifference(first, {second.sections.begin(), second.sections.end()}));
  }
  std::fprintf(stderr, "usage: see the head of reg_corpus.cpp\n");
  return 2;
}
