#include "app/instance_checker.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// The slot the first instance created: it must live exactly as long as the
// process, so one holder closes it at exit and nothing closes it earlier.
class SlotHolder {
 public:
  ~SlotHolder() { Release(); }
  void Keep(HANDLE hSlot) {
    Release();
    m_hSlot = hSlot;
  }
  void Release() {
    if (m_hSlot) CloseHandle(m_hSlot);
    m_hSlot = nullptr;
  }

 private:
  HANDLE m_hSlot = nullptr;
};

SlotHolder g_createdSlot;

constexpr DWORD kSlotSize = 4;

// Window handles are 32-bit values even in 64-bit processes, so 4 bytes carry one.
HWND WindowFromSlot(uint32_t value) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

}  // namespace

void ReleaseInstanceSlot() { g_createdSlot.Release(); }

CInstanceChecker::CInstanceChecker(std::string applicationName)
    : m_strApplication(std::move(applicationName)),
      m_hMutex(CreateMutexA(nullptr, FALSE, nullptr)) {}

CInstanceChecker::~CInstanceChecker() {
  if (m_hOpenedSlot) CloseHandle(m_hOpenedSlot);
  if (m_hMutex) CloseHandle(m_hMutex);
}

std::string CInstanceChecker::SlotName() const { return "CInstanceChecker_MMF_" + m_strApplication; }

bool CInstanceChecker::IsAnotherInstanceRunning() {
  if (m_hOpenedSlot) CloseHandle(m_hOpenedSlot);
  m_hOpenedSlot = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, SlotName().c_str());
  return m_hOpenedSlot != nullptr;
}

bool CInstanceChecker::RegisterAsFirstInstance(HWND mainWindow) {
  if (IsAnotherInstanceRunning()) return false;
  HANDLE hSlot = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSlotSize,
                                    SlotName().c_str());
  if (!hSlot) return true;
  g_createdSlot.Keep(hSlot);
  void* view = MapViewOfFile(hSlot, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kSlotSize);
  if (!view) return true;
  if (m_hMutex) WaitForSingleObject(m_hMutex, INFINITE);
  const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mainWindow));
  std::memcpy(view, &value, sizeof(value));
  UnmapViewOfFile(view);
  if (m_hMutex) ReleaseMutex(m_hMutex);
  return true;
}

HWND CInstanceChecker::BringOtherInstanceForward() {
  if (!m_hOpenedSlot) return nullptr;
  void* view = MapViewOfFile(m_hOpenedSlot, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kSlotSize);
  if (!view) {
    CloseHandle(m_hOpenedSlot);
    m_hOpenedSlot = nullptr;
    return nullptr;
  }
  if (m_hMutex) WaitForSingleObject(m_hMutex, INFINITE);
  uint32_t value = 0;
  std::memcpy(&value, view, sizeof(value));
  HWND hOther = WindowFromSlot(value);
  if (hOther && IsWindow(hOther)) {
    // The dialog the other instance has open in front (details, a manager) gets
    // the focus, not the main window behind it.
    HWND hPopup = GetLastActivePopup(hOther);
    if (IsIconic(hOther)) ShowWindow(hOther, SW_RESTORE);
    SetForegroundWindow(hPopup ? hPopup : hOther);
  }
  UnmapViewOfFile(view);
  CloseHandle(m_hOpenedSlot);
  m_hOpenedSlot = nullptr;
  if (m_hMutex) ReleaseMutex(m_hMutex);
  return hOther;
}
