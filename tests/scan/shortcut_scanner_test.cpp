// Shortcut files made with the shell's own link object.

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "core/handles.h"
#include "core/section_catalogue.h"
#include "core/wide_text.h"
#include "scan/referenced_paths.h"
#include "scan/still_stale.h"
#include "scan_recorder.h"
#include "support/temp_folder.h"

namespace {

bool MakeShortcut(const std::string& linkPath, const std::string& target) {
  if (!WriteFileBytes(linkPath, "")) return false;  // creates the folders on the way
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    link.ReceiveVoid())) &&
         SUCCEEDED(link->SetPath(target.c_str())) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
         SUCCEEDED(file->Save(WideText(linkPath).c_str(), TRUE));
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteFileBytes(m_folder / "Programs\\app.exe", "MZ"));
  }
  // A link to a program that existed when the link was made and is then deleted.
  void MakeDeadShortcut(const std::string& linkPath) {
    ASSERT_TRUE(WriteFileBytes(m_folder / "Programs\\gone.exe", "MZ"));
    ASSERT_TRUE(MakeShortcut(linkPath, m_folder / "Programs\\gone.exe"));
    DeleteFileA((m_folder / "Programs\\gone.exe").c_str());
  }

  const ComApartment m_com;  // shortcuts are read and written through the shell-link object
  TempFolder m_folder;
  ScanRecorder m_host;
};

// Only a small link named in lower case is examined; a damaged one yields no
// target. What is filed is re-checked by resolving the link again.
TEST_F(ShortcutTest, DeadTargetsAreFileProblemsTheRecheckResolvesAgain) {
  const std::string link = m_folder / "Links\\dead.lnk", target = m_folder / "Programs\\gone.exe";
  ASSERT_TRUE(MakeShortcut(m_folder / "Links\\good.lnk", m_folder / "Programs\\app.exe"));
  ASSERT_TRUE(MakeShortcut(m_folder / "Links\\folder.lnk", m_folder / "Programs"));
  MakeDeadShortcut(link);
  ASSERT_TRUE(WriteFileBytes(m_folder / "Links\\readme.txt", "text"));
  MakeDeadShortcut(m_folder / "Upper\\DEAD.LNK");
  MakeDeadShortcut(m_folder / "Big\\dead.lnk");
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(m_folder / "Big\\dead.lnk", bytes));
  ASSERT_TRUE(WriteFileBytes(m_folder / "Big\\dead.lnk", bytes + std::string(1100, '\0')));
  ASSERT_TRUE(WriteFileBytes(m_folder / "junk.lnk", std::string("L\0\0\0garbage", 11)));
  std::string junkTarget, description;
  EXPECT_TRUE(FAILED(ResolveShortcut(m_folder / "junk.lnk", junkTarget, description)));
  EXPECT_EQ("", junkTarget);

  EXPECT_EQ(1, m_host.Scanner().ScanFolderForShortcuts(m_folder.Path() + "\\\\"));
  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& r = *m_host.records[0];
  EXPECT_EQ(kFileError, r.errorType);
  EXPECT_EQ(kProgramShortcuts, r.sectionId);
  EXPECT_EQ(link, r.linkPath);
  EXPECT_EQ(target, r.targetPath);
  EXPECT_EQ("The Target File (" + r.targetPath + ") cannot be found at the specified location",
            r.message);
  EXPECT_EQ(0, r.checked);
  EXPECT_EQ("The CLSID (\\\\server\\gone.exe) is Invalid.", ShortcutMessage("\\\\server\\gone.exe"));
  // Every file visited shows its path, shortcut or not.
  EXPECT_EQ(8u, m_host.statuses.size());

  std::string reason;
  EXPECT_TRUE(RecheckProblem(r, reason));
  ASSERT_TRUE(WriteFileBytes(target, "MZ"));
  EXPECT_FALSE(RecheckProblem(r, reason));
  EXPECT_EQ(kChangedSinceScan, reason);
  DeleteFileA(link.c_str());
  EXPECT_FALSE(RecheckProblem(r, reason));
  EXPECT_EQ(kNoLongerPresent, reason);
}

TEST_F(ShortcutTest, AbortStopsTheWalk) {
  for (int i = 0; i < 5; ++i) MakeDeadShortcut(m_folder / ("L\\dead" + std::to_string(i) + ".lnk"));
  m_host.AbortAfterReports(1);
  EXPECT_EQ(0, m_host.Scanner().ScanFolderForShortcuts(m_folder.Path()));
  EXPECT_EQ(1u, m_host.records.size());
}

TEST_F(ShortcutTest, ItemNamesOfAShellMadeLinkSpellItsTarget) {
  const std::string link = m_folder / "Links\\dead.lnk";
  MakeDeadShortcut(link);
  ComPtr<IShellLinkW> shellLink;
  ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, shellLink.ReceiveVoid())));
  ASSERT_TRUE(SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.ReceiveVoid())));
  ASSERT_TRUE(SUCCEEDED(file->Load(WideText(link).c_str(), STGM_READ)));
  CoTaskMemory<ITEMIDLIST> idList;
  ASSERT_EQ(S_OK, shellLink->GetIDList(idList.Receive()));
  const ITEMIDLIST* pidl = idList.Get();
  EXPECT_EQ(WideText(m_folder / "Programs\\gone.exe"), PathFromItemNames(pidl, ILGetSize(pidl)));
  // Cut anywhere, the list is refused, never read past its end: each cut is put
  // at the end of a page whose next page cannot be read.
  BYTE* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, 0x2000, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(nullptr, pages);
  DWORD was = 0;
  ASSERT_TRUE(VirtualProtect(pages + 0x1000, 0x1000, PAGE_NOACCESS, &was));
  for (UINT size = 0; size + 2 < ILGetSize(pidl); ++size) {
    std::memcpy(pages + 0x1000 - size, pidl, size);
    EXPECT_EQ(L"", PathFromItemNames(pages + 0x1000 - size, size)) << size;
  }
  VirtualFree(pages, 0, MEM_RELEASE);
}

// Item lists as Windows writes them, by the version of their names' block.
class ItemList {
 public:
  ItemList() {
    // The computer, then drive C:.
    Item(std::string("\x1f\x50\xe0\x4f\xd0\x20\xea\x3a\x69\x10\xa2\xd8\x08\x00\x2b\x30\x30\x9d",
                     18));
    Item(std::string("\x2f" "C:\\", 4) + std::string(19, '\0'));
  }
  // A folder or file item: header, short name, then the block with the full name.
  ItemList& Entry(char type, const std::string& shortName, const std::wstring& name, int version,
                  DWORD signature = 0xBEEF0004) {
    std::string item = std::string(1, type) + std::string(11, '\0') + shortName + '\0';
    if (item.size() % 2) item += '\0';
    std::string block(4, '\0');
    block += std::string(reinterpret_cast<const char*>(&signature), 4);
    const size_t nameAt = version == 0 ? 20
                                       : 18 + (version >= 7 ? 18 : 0) + 2 + (version >= 9 ? 4 : 0) +
                                             (version >= 8 ? 4 : 0);
    block.resize(nameAt, '\0');
    block.append(reinterpret_cast<const char*>(name.c_str()), (name.size() + 1) * 2);
    const WORD offset = static_cast<WORD>(item.size() + 2);
    const WORD blockSize = static_cast<WORD>(block.size() + 2);
    std::memcpy(&block[0], &blockSize, 2);
    const WORD v = static_cast<WORD>(version);
    std::memcpy(&block[2], &v, 2);
    Item(item + block + std::string(reinterpret_cast<const char*>(&offset), 2));
    return *this;
  }
  ItemList& Item(const std::string& body) {
    const WORD size = static_cast<WORD>(body.size() + 2);
    m_bytes += std::string(reinterpret_cast<const char*>(&size), 2) + body;
    return *this;
  }
  std::wstring Path() const {
    const std::string list = m_bytes + std::string(2, '\0');
    return PathFromItemNames(list.data(), list.size());
  }
  std::string m_bytes;
};

TEST(ShortcutWalk, ItemNamesAreReadOnlyWhenCertain) {
  EXPECT_EQ(L"C:\\Program Files\\R\u00e9sum\u00e9 Tool\\app.exe",
            ItemList()
                .Entry('\x31', "PROGRA~1", L"Program Files", 9)
                .Entry('\x31', "RSUM~1", L"R\u00e9sum\u00e9 Tool", 8)
                .Entry('\x32', "app.exe", L"app.exe", 3)
                .Path());
  EXPECT_EQ(L"C:\\Tools\\a.exe",  // a folder as Wine writes it, a file of version 7
            ItemList().Entry('\x31', "Tools", L"Tools", 0, 0).Entry('\x32', "a.exe", L"a.exe", 7).Path());
  // What is not read for certain: the shell is asked instead.
  EXPECT_EQ(L"", ItemList().Path());  // the drive alone
  EXPECT_EQ(L"", ItemList().Entry('\x32', "a.exe", L"a.exe", 9, 0xBEEF0026).Path());
  EXPECT_EQ(L"", ItemList().Entry('\x32', "a.exe", L"a.exe", 2).Path());
  EXPECT_EQ(L"", ItemList().Entry('\x74', "a.exe", L"a.exe", 9).Path());  // a delegate item
  EXPECT_EQ(L"", ItemList().Entry('\x32', "a", L"..\\a", 9).Path());
  EXPECT_EQ(L"", ItemList().Entry('\x32', "a", L"", 9).Path());
  ItemList unterminated;
  unterminated.Entry('\x32', "a.exe", L"a.exe", 9);
  unterminated.m_bytes[unterminated.m_bytes.size() - 4] = 'x';  // the name's terminator
  EXPECT_EQ(L"", unterminated.Path());
  ItemList pointsOut;
  pointsOut.Entry('\x32', "a.exe", L"a.exe", 9);
  pointsOut.m_bytes[pointsOut.m_bytes.size() - 2] = '\x7f';  // where the block starts
  EXPECT_EQ(L"", pointsOut.Path());
  ItemList network;
  network.m_bytes = std::string("\x14\x00\x1f\x58", 4) + std::string(16, '\x11');
  EXPECT_EQ(L"", network.Entry('\x32', "a.exe", L"a.exe", 9).Path());
}

// Link texts are read through calls that cut silently at the buffer's size.
TEST(ShortcutWalk, TextsAreReadWholeOrNotAtAll) {
  const std::pair<size_t, bool> kCases[] = {
      {0, true}, {100, true}, {MAX_PATH - 1, true}, {5000, true}, {32766, true},
      {32767, false}, {40000, false}};
  for (const auto& c : kCases) {
    const std::wstring source(c.first, L'x');
    std::wstring read;
    const bool whole = ReadWholeText([&](wchar_t* buffer, int size) {
      const size_t n = std::min(source.size(), static_cast<size_t>(size) - 1);
      source.copy(buffer, n);
      buffer[n] = L'\0';
      return S_OK;
    }, read);
    EXPECT_EQ(c.second, whole) << c.first;
    EXPECT_EQ(c.second ? source : L"", read) << c.first;
  }
  std::wstring read;
  EXPECT_FALSE(ReadWholeText([](wchar_t*, int) { return E_FAIL; }, read));
}

// Wine cannot make junctions or directory links, so the walk's decision is
// checked on the attributes a junction reports.
TEST(ShortcutWalk, JunctionsAndLinksAreNotDescended) {
  EXPECT_TRUE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_NORMAL));
}

TEST(ShortcutWalk, LongPathNamesOnlyOfExistingRootedPaths) {
  std::string longForm;
  EXPECT_EQ(GetWindowsFolder().size(), LongPathName(GetWindowsFolder(), longForm));
  for (const char* path : {"", "C:\\no\\such\\thing", "windows"}) EXPECT_EQ(0u, LongPathName(path, longForm)) << path;
}

}  // namespace
