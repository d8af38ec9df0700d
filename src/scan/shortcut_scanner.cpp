// Invalid Program Shortcuts: every ".lnk" file on the fixed disks whose target is
// neither a file, nor a folder, nor a registered class.

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/handles.h"
#include "core/logical_drives.h"
#include "core/section_catalogue.h"
#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/referenced_paths.h"
#include "scan/section_scanner.h"

namespace {

// An item ID list the shell hands over, in the task allocator's memory.
using IdList = CoTaskMemory<std::remove_pointer_t<PIDLIST_ABSOLUTE>>;

bool HoldsSkipWord(const std::string& path) {
  static const char* const kSkipWords[] = {"System Volume Information", "NetHood", "PlovenTemp",
                                           "McAfee"};
  for (const char* word : kSkipWords) {
    if (path.find(word) != std::string::npos) return true;
  }
  return false;
}

bool EndsWithLnk(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".lnk") == 0;
}

}  // namespace

bool IsWalkableFolder(DWORD attributes) {
  // A junction or symbolic link may point back up the tree: its target is walked
  // where it really lives.
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

std::string ShortcutMessage(const std::string& target) {
  if (target.find(':') != std::string::npos) {
    return "The Target File (" + target + ") cannot be found at the specified location";
  }
  return "The CLSID (" + target + ") is Invalid.";
}

size_t LongPathName(const std::string& path, std::string& longOut) {
  if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  std::string text = path;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  const bool hasRoot = text.size() >= 3 &&
                       ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) &&
                       text[1] == ':' && text[2] == '\\';
  if (!hasRoot) return 0;

  std::string shortSoFar = text.substr(0, 3);
  std::string result = shortSoFar;
  size_t start = 3;
  bool first = true;
  while (start < text.size()) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    const std::string component = text.substr(start, end - start);
    start = end + 1;
    if (component.empty()) continue;
    if (!first) shortSoFar += "\\";
    shortSoFar += component;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(shortSoFar.c_str(), &found));
    if (!search.Valid()) return 0;
    if (!first) result += "\\";
    result += found.cFileName;
    first = false;
  }
  if (GetFileAttributesA(result.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  longOut = result;
  return result.size();
}

bool ReadWholeText(const std::function<HRESULT(wchar_t*, int)>& read, std::wstring& text) {
  // The largest path the system handles; a text that still fills it may be cut.
  static const int kSizes[] = {MAX_PATH, 2048, 32768};
  std::vector<wchar_t> buffer;
  for (int size : kSizes) {
    buffer.assign(static_cast<size_t>(size) + 1, L'\0');
    if (FAILED(read(buffer.data(), size))) return false;
    buffer[static_cast<size_t>(size)] = L'\0';
    const size_t length = wcslen(buffer.data());
    if (length + 1 < static_cast<size_t>(size)) {
      text.assign(buffer.data(), length);
      return true;
    }
  }
  return false;
}

namespace {

// The path an item ID list stands for; it is made from the names the list keeps
// in full, so it is exact where the link's stored path text may not be.
bool PathFromIdList(PCIDLIST_ABSOLUTE pidl, std::wstring& path) {
  // This call fails (rather than cuts) when the buffer is too small.
  for (DWORD size : {static_cast<DWORD>(MAX_PATH), 2048ul, 32768ul}) {
    std::vector<wchar_t> buffer(size + 1, L'\0');
    if (SHGetPathFromIDListEx(pidl, buffer.data(), size, GPFIDL_DEFAULT)) {
      buffer[size] = L'\0';
      path.assign(buffer.data());
      return !path.empty();
    }
  }
  return false;
}

}  // namespace

namespace {

WORD ReadWord(const BYTE* at) {
  WORD value;
  std::memcpy(&value, at, sizeof(value));
  return value;
}

DWORD ReadDword(const BYTE* at) {
  DWORD value;
  std::memcpy(&value, at, sizeof(value));
  return value;
}

// The full name a file or folder item keeps in its first extension block, whose
// place the item's last two bytes give. Windows writes that block with a
// signature and a version that decides where the name starts; Wine writes the
// same block with both left zero and the name where version 3 has it.
bool FullNameOfItem(const BYTE* item, WORD itemSize, std::wstring& name) {
  const BYTE type = item[2];
  // A folder (0x31) or file (0x32), with its short name in ANSI or UTF-16.
  if (type != 0x31 && type != 0x32 && type != 0x35 && type != 0x36) return false;
  const WORD block = ReadWord(item + itemSize - 2);
  if (block < 14 || static_cast<size_t>(block) + 8 > itemSize) return false;
  const WORD blockSize = ReadWord(item + block);
  // The block ends where the item does, with the two bytes that point to it.
  if (blockSize < 8 || static_cast<size_t>(block) + blockSize > itemSize) return false;
  const WORD version = ReadWord(item + block + 2);
  const DWORD signature = ReadDword(item + block + 4);
  size_t start = 0;
  if (signature == 0xBEEF0004 && version >= 3) {
    start = 18 + (version >= 7 ? 18 : 0) + 2 + (version >= 9 ? 4 : 0) + (version >= 8 ? 4 : 0);
  } else if (signature == 0 && version == 0) {
    start = 20;
  } else {
    return false;
  }
  // UTF-16 up to its terminator, all inside the block.
  name.clear();
  for (size_t at = block + start; at + 4 <= static_cast<size_t>(block) + blockSize; at += 2) {
    const wchar_t c = static_cast<wchar_t>(ReadWord(item + at));
    if (c == L'\0') return !name.empty() && name != L"." && name != L"..";
    if (c == L'\\' || c == L'/' || c == L':' || c < 0x20) return false;
    name.push_back(c);
  }
  return false;
}

}  // namespace

std::wstring PathFromItemNames(const void* list, size_t size) {
  // {20D04FE0-3AEA-1069-A2D8-08002B30309D}: the computer, the root of drive paths.
  static const BYTE kComputer[16] = {0xe0, 0x4f, 0xd0, 0x20, 0xea, 0x3a, 0x69, 0x10,
                                     0xa2, 0xd8, 0x08, 0x00, 0x2b, 0x30, 0x30, 0x9d};
  const BYTE* at = static_cast<const BYTE*>(list);
  const BYTE* const end = at + size;
  std::wstring path;
  for (int index = 0;; ++index) {
    if (end - at < 2) return {};
    const WORD itemSize = ReadWord(at);
    if (itemSize == 0) break;
    if (itemSize < 3 || itemSize > end - at) return {};
    if (index == 0) {
      if (itemSize != 20 || at[2] != 0x1f || std::memcmp(at + 4, kComputer, 16) != 0) return {};
    } else if (index == 1) {
      // A drive: "X:\" as text (Windows marks it 0x2f, Wine 0x23).
      const BYTE type = at[2];
      if ((type != 0x2f && type != 0x23) || itemSize < 7) return {};
      const char letter = static_cast<char>(at[3] & ~0x20);
      if (letter < 'A' || letter > 'Z' || at[4] != ':' || at[5] != '\\' || at[6] != 0) return {};
      path.assign({static_cast<wchar_t>(letter), L':', L'\\'});
    } else {
      std::wstring name;
      if (!FullNameOfItem(at, itemSize, name)) return {};
      if (index > 2) path.push_back(L'\\');
      path += name;
    }
    at += itemSize;
  }
  return path.size() > 3 ? path : std::wstring();
}

namespace {

// The shortcut file loaded into a shell-link object and resolved.
HRESULT OpenLink(const std::string& linkPath, ComPtr<IShellLinkW>& link) {
  std::wstring wideLink;
  if (!WideFromNarrow(linkPath, wideLink)) return E_INVALIDARG;
  ComPtr<IPersistFile> file;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = file->Load(wideLink.c_str(), STGM_READ);
  if (SUCCEEDED(hr)) {
    hr = link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | SLR_UPDATE | SLR_NOUPDATE |
                                    SLR_NOSEARCH);
  }
  return hr;
}

// The target of a loaded link, exactly: from its item ID list where it has one.
HRESULT ExactTarget(const ComPtr<IShellLinkW>& link, std::string& targetOut) {
  targetOut.clear();
  std::wstring target;
  IdList pidl;
  bool fromList = false;
  if (link->GetIDList(pidl.Receive()) == S_OK && pidl) {
    fromList = PathFromIdList(pidl.Get(), target);
  }
  if (!fromList &&
      !ReadWholeText([&](wchar_t* buffer, int size) {
        return link->GetPath(buffer, size, nullptr, 0);
      }, target)) {
    // Cut at the longest length a path may have: not the target as written.
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  // A target with a character lost on the way is not the path the link names.
  if (!NarrowExactly(target, targetOut)) {
    targetOut.clear();
    return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  }
  // Only a short (8.3) component, which always carries a '~', can make the long
  // form longer; other targets are spared a file search per component.
  std::string longForm;
  if (targetOut.find('~') != std::string::npos &&
      LongPathName(targetOut, longForm) > targetOut.size()) {
    targetOut = longForm;
  }
  return S_OK;
}

// Whether the link's item list, read by the full names its items keep, names
// exactly its stored path text. Then that text is the exact target, and the
// shell's walk over the list (several folder reads under Wine) is spared; on any
// doubt the shell is asked.
bool ItemNamesSpell(const ComPtr<IShellLinkW>& link, const std::wstring& stored) {
  IdList pidl;
  if (link->GetIDList(pidl.Receive()) != S_OK || !pidl) return false;
  return PathFromItemNames(pidl.Get(), ILGetSize(pidl.Get())) == stored;
}

}  // namespace

HRESULT ResolveShortcut(const std::string& linkPath, std::string& targetOut,
                        std::string& descriptionOut) {
  targetOut.clear();
  descriptionOut.clear();
  std::wstring description;
  {
    ComPtr<IShellLinkW> link;
    const HRESULT hr = OpenLink(linkPath, link);
    if (FAILED(hr)) return hr;
    const HRESULT read = ExactTarget(link, targetOut);
    if (FAILED(read)) return read;
    // Not used by the scan; a description that cannot be read does not matter.
    ReadWholeText([&](wchar_t* buffer, int size) { return link->GetDescription(buffer, size); },
                  description);
  }
  std::string narrowDescription;
  if (NarrowExactly(description, narrowDescription)) descriptionOut = narrowDescription;
  return S_OK;
}

int SectionScanner::ScanShortcuts() {
  for (const std::string& root : LogicalDriveRoots()) {
    if (!m_bRunning) return 0;
    if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED) ScanFolderForShortcuts(root);
  }
  return m_bRunning;
}

int SectionScanner::ScanFolderForShortcuts(const std::string& folder) {
  // The shortcuts of a tree name the same programs and folders again and again.
  ScopedProbeMemory memory;
  std::string base = folder;
  while (!base.empty() && base.back() == '\\') base.pop_back();
  std::wstring wideBase;
  if (!WideFromNarrow(base, wideBase)) return 1;

  // The wide search: names of any length and characters, in folders of any depth.
  WIN32_FIND_DATAW entry;
  FindHandle search(FindFirstFileW(LongPathForm(wideBase + L"\\*").c_str(), &entry));
  if (!search.Valid()) return 1;

  std::string name, full;
  do {
    const wchar_t* wideName = entry.cFileName;
    const bool dots = wideName[0] == L'.' &&
                      (wideName[1] == L'\0' || (wideName[1] == L'.' && wideName[2] == L'\0'));
    if (dots) continue;
    // A name that has no exact narrow form could not be named again: passed over.
    if (!NarrowExactly(wideName, name)) continue;
    full.assign(base).append(1, '\\').append(name);

    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!m_bRunning) return 0;
      if (IsWalkableFolder(entry.dwFileAttributes)) ScanFolderForShortcuts(full);
      Pump();
      continue;
    }

    if (!m_bRunning) return 0;
    if (HoldsSkipWord(full)) return 0;
    if (entry.nFileSizeHigh == 0 && entry.nFileSizeLow < 1024 && EndsWithLnk(full)) {
      for (const Finding& finding : ShortcutFindings(full)) {
        auto record = std::make_unique<ProblemRecord>();
        record->errorType = kFileError;
        record->checked = 0;
        record->sectionId = kProgramShortcuts;
        record->linkPath = full;
        record->targetPath = finding.data;
        record->message = finding.message;
        Report(std::move(record));
      }
    }
    Status(full);
    Pump();
  } while (FindNextFileW(search.Get(), &entry));
  return 1;
}

namespace {

// A target in braces is a class identifier, which only its registration makes
// valid (ClsidKeyExists); any other is valid unless every reading of it is
// missing.
bool TargetFound(const std::string& target) {
  return target[0] != '{' && ReferencedFileExists(target);
}

}  // namespace

Findings ShortcutFindings(const std::string& linkPath) {
  ComPtr<IShellLinkW> link;
  if (FAILED(OpenLink(linkPath, link))) return {};
  // The path text the link stores is read at once, where the exact target costs
  // the shell a walk over the item list. When that text names something that
  // exists, the shortcut stands: a text saved with a character changed (a link
  // made in another code page) can at worst name another file that exists, and
  // keep a shortcut. Only a target about to be reported must be the exact one.
  std::wstring stored;
  std::string text;
  if (ReadWholeText([&](wchar_t* buffer, int size) {
        return link->GetPath(buffer, size, nullptr, 0);
      }, stored) &&
      NarrowExactly(stored, text) && !text.empty() && TargetFound(text)) {
    return {};
  }
  std::string target;
  if (ItemNamesSpell(link, stored)) {
    target = text;
  } else {
    ExactTarget(link, target);
  }
  if (target.empty() || TargetFound(target) || ClsidKeyExists(target)) return {};
  return {{target, ShortcutMessage(target), 1}};
}
