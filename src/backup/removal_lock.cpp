#include "backup/removal_lock.h"

#include <cctype>
#include <cstdio>

RemovalLock::RemovalLock(const std::string& stagingFolder) {
  m_hMutex = CreateMutexA(nullptr, FALSE, RemovalLockName(stagingFolder).c_str());
  if (m_hMutex == nullptr) return;
  const DWORD waited = WaitForSingleObject(m_hMutex, 0);
  // Abandoned: the holder was killed. Its staging folder is recovered by the
  // run that follows, so the lock is simply taken over.
  m_bHeld = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

RemovalLock::~RemovalLock() {
  if (m_bHeld) ReleaseMutex(m_hMutex);
  if (m_hMutex) CloseHandle(m_hMutex);
}

std::string RemovalLockName(const std::string& stagingFolder) {
  // FNV-1a of the folder in lower case: names may not hold backslashes.
  unsigned long hash = 2166136261ul;
  for (char c : stagingFolder) {
    hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
    hash = (hash * 16777619ul) & 0xFFFFFFFFul;
  }
  char name[64];
  std::snprintf(name, sizeof(name), "Global\\Quillbane.RemovalOrRestore.%08lx", hash);
  return name;
}
