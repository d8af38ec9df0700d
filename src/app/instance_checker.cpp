#include "app/instance_checker.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// The slot the first instance created: it must live exactly as long as the
// process, so it is closed at exit (or by ReleaseInstanceSlot) and nothing closes
// it earlier.
KernelHandle g_createdSlot;

constexpr DWORD kSlotSize = 4;

// Window handles are 32-bit values even in 64-bit processes, so 4 bytes carry one.
HWND WindowFromSlot(uint32_t value) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

}  // namespace

void ReleaseInstanceSlot() { g_createdSlot.Reset(); }

CInstanceChecker::CInstanceChecker(std::string applicationName)
    : m_strApplication(std::move(applicationName)),
      m_hMutex(CreateMutexA(nullptr, FALSE, nullptr)) {}

std::string CInstanceChecker::SlotName() const { return "CInstanceChecker_MMF_" + m_strApplication; }

bool CInstanceChecker::IsAnotherInstanceRunning() {
  m_hOpenedSlot.Reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, SlotName().c_str()));
  return m_hOpenedSlot.Valid();
}

bool CInstanceChecker::RegisterAsFirstInstance(HWND mainWindow) {
  if (IsAnotherInstanceRunning()) return false;
  HANDLE hSlot = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSlotSize,
                                    SlotName().c_str());
  if (!hSlot) return true;
  g_createdSlot.Reset(hSlot);
  MappedView view(MapViewOfFile(hSlot, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kSlotSize));
  if (!view) return true;
  if (m_hMutex) WaitForSingleObject(m_hMutex.Get(), INFINITE);
  const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mainWindow));
  std::memcpy(view.Get(), &value, sizeof(value));
  view.Reset();
  if (m_hMutex) ReleaseMutex(m_hMutex.Get());
  return true;
}

HWND CInstanceChecker::BringOtherInstanceForward() {
  if (!m_hOpenedSlot) return nullptr;
  MappedView view(
      MapViewOfFile(m_hOpenedSlot.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kSlotSize));
  if (!view) {
    m_hOpenedSlot.Reset();
    return nullptr;
  }
  if (m_hMutex) WaitForSingleObject(m_hMutex.Get(), INFINITE);
  uint32_t value = 0;
  std::memcpy(&value, view.Get(), sizeof(value));
  HWND hOther = WindowFromSlot(value);
  if (hOther && IsWindow(hOther)) {
    // The dialog the other instance has open in front (details, a manager) gets
    // the focus, not the main window behind it.
    HWND hPopup = GetLastActivePopup(hOther);
    if (IsIconic(hOther)) ShowWindow(hOther, SW_RESTORE);
    SetForegroundWindow(hPopup ? hPopup : hOther);
  }
  view.Reset();
  m_hOpenedSlot.Reset();
  if (m_hMutex) ReleaseMutex(m_hMutex.Get());
  return hOther;
}
