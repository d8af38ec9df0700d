// The owners of system handles: each handle is released exactly once whatever
// path its owner takes, a failed open is never taken for a handle, and each kind
// is released by the call that really lets its object go.
#include "core/handles.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace {

std::vector<int> g_released;

// Releases by noting the handle; 13 is one the system refuses to release.
struct NotedRelease {
  using Type = int;
  static int Invalid() { return 0; }
  static bool Close(int handle) {
    g_released.push_back(handle);
    return handle != 13;
  }
};
using Noted = UniqueHandle<NotedRelease>;

TEST(Handles, EachHandleIsReleasedOnceOnEveryPath) {
  g_released.clear();
  {
    Noted first(1), second(2);
    Noted moved(std::move(first));  // 1 changes hands: released by no one yet
    second = std::move(moved);      // 2 goes, second holds 1
    second.Reset(1);                // the handle it holds: kept
    second.Reset(3);                // 1 goes
    *second.Receive() = 4;          // 3 goes before the call fills the owner
    EXPECT_EQ(4, second.Detach());  // given up, never released here
    Noted refused(13);
    EXPECT_FALSE(refused.Close());  // the system's refusal is told...
    EXPECT_TRUE(refused.Close());   // ...once: nothing held is nothing to fail
    Noted last(5);                  // goes with its scope
  }
  EXPECT_EQ((std::vector<int>{2, 1, 3, 13, 5}), g_released);
}

TEST(Handles, FailedOpensHoldNothingAndHeldObjectsGoWithTheirOwners) {
  WIN32_FIND_DATAA found;
  EXPECT_FALSE(FileHandle(CreateFileA("C:\\qb-nowhere\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
  EXPECT_FALSE(FindHandle(FindFirstFileA("C:\\qb-nowhere\\*", &found)));
  EXPECT_FALSE(KernelHandle(OpenMutexA(SYNCHRONIZE, FALSE, "qb-nowhere")));

  const std::string name = "qb-handles-test-" + std::to_string(GetCurrentProcessId());
  {
    const KernelHandle mutex(CreateMutexA(nullptr, FALSE, name.c_str()));
    ASSERT_TRUE(mutex);
    EXPECT_TRUE(KernelHandle(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())));
  }
  EXPECT_FALSE(KernelHandle(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()))) << "its last handle closed";

  TempFolder folder;
  const std::string path = folder / "closed.tmp";
  {
    const FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(file);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << "deleted on close";

  // A drawing object selected for a scope is given back, so its owner can delete it.
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  FontHandle font(CreateFontA(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma"));
  ASSERT_TRUE(dc && font);
  {
    const SelectedObject selected(dc.Get(), font.Get());
    EXPECT_EQ(font.Get(), GetCurrentObject(dc.Get(), OBJ_FONT));
  }
  EXPECT_NE(font.Get(), GetCurrentObject(dc.Get(), OBJ_FONT));
  const HGDIOBJ hFont = font.Get();
  EXPECT_TRUE(font.Close());
  EXPECT_EQ(0u, GetObjectType(hFont));
}

}  // namespace
