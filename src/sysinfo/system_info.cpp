#include "sysinfo/system_info.h"

#include <windows.h>

#include "core/logical_drives.h"
#include "sysinfo/os_name.h"

namespace {

// The true version: GetVersionExA reports an older one to programs whose manifest
// does not name the running system.
bool TrueVersion(OSVERSIONINFOEXW& info) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return false;
  auto rtlGetVersion =
      reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (rtlGetVersion == nullptr) return false;
  ZeroMemory(&info, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  return rtlGetVersion(&info) == 0;
}

std::string Narrow(const wchar_t* text) {
  char buffer[256] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer) - 1, nullptr, nullptr);
  return buffer;
}

}  // namespace

SystemInfo::SystemInfo() : isNT((GetVersion() & 0x80000000u) == 0) {}

void SystemInfo::Collect() {
  OsVersionFacts facts;
  facts.isNT = isNT;
  OSVERSIONINFOEXW trueInfo;
  if (TrueVersion(trueInfo)) {
    facts.major = trueInfo.dwMajorVersion;
    facts.minor = trueInfo.dwMinorVersion;
    facts.build = trueInfo.dwBuildNumber;
    facts.serviceText = Narrow(trueInfo.szCSDVersion);
    facts.haveExtended = true;
    facts.productType = trueInfo.wProductType;
    facts.suiteMask = trueInfo.wSuiteMask;
  } else {
    OSVERSIONINFOEXA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
      facts.major = info.dwMajorVersion;
      facts.minor = info.dwMinorVersion;
      facts.build = info.dwBuildNumber;
      facts.serviceText = info.szCSDVersion;
      facts.haveExtended = true;
      facts.productType = info.wProductType;
      facts.suiteMask = info.wSuiteMask;
    }
  }
  majorVersion = facts.major;
  minorVersion = facts.minor;
  buildNumber = facts.build;
  servicePack = isNT ? ServicePackNumber(facts.serviceText) : 0;
  osName = OsNameFromVersion(facts);

  char user[100] = {};
  DWORD size = sizeof(user);
  userName = GetUserNameA(user, &size) ? std::string(user) : std::string();

  MEMORYSTATUSEX memory;
  memory.dwLength = sizeof(memory);
  if (GlobalMemoryStatusEx(&memory)) {
    totalMemory = memory.ullTotalPhys;
    availableMemory = memory.ullAvailPhys;
  } else {
    MEMORYSTATUS basic;
    basic.dwLength = sizeof(basic);
    GlobalMemoryStatus(&basic);
    totalMemory = basic.dwTotalPhys;
    availableMemory = basic.dwAvailPhys;
  }
}

std::string SystemInfo::FreeDiskSpaceText() const {
  unsigned long long freeGb = 0, totalGb = 0;
  for (const std::string& root : LogicalDriveRoots()) {
    if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) continue;
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) continue;
    freeGb += free.QuadPart >> 30;
    totalGb += total.QuadPart >> 30;
  }
  return FreeDiskSpaceLine(freeGb, totalGb);
}

std::string SystemInfo::MemoryText() const {
  return "Available Memory : " + std::to_string(availableMemory >> 20) + " MB of " +
         std::to_string(totalMemory >> 20) + " MB";
}
