#include "backup/removal_lock.h"

#include <cstdio>

#include "backup/backup_names.h"

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
  // A hash of the folder: names may not hold backslashes.
  char name[64];
  std::snprintf(name, sizeof(name), "Global\\Quillbane.RemovalOrRestore.%08lx",
                FoldedPathHash(stagingFolder));
  return name;
}
