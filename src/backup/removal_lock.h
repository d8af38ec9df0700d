#pragma once
// One removal or restore at a time: both work in the user's staging folder, and a
// second run there would empty or pack the first one's saved items. The lock is a
// named mutex derived from the staging folder, so it covers every program of the
// user that uses that folder (the window, the console, two consoles). It is
// never waited for: a second run is refused at once.
//
// The thread that holds it may take it again (the console takes it before its
// scan, the removal takes it once more); a holder that died leaves it free.

#include <windows.h>

#include <string>

constexpr const char* kAnotherRunMessage = "Another removal or restore is running";

class RemovalLock {
 public:
  explicit RemovalLock(const std::string& stagingFolder);
  ~RemovalLock();
  RemovalLock(const RemovalLock&) = delete;
  RemovalLock& operator=(const RemovalLock&) = delete;

  bool Held() const { return m_bHeld; }

 private:
  HANDLE m_hMutex = nullptr;
  bool m_bHeld = false;
};

// The mutex name for a staging folder (letter case ignored, as Windows does).
std::string RemovalLockName(const std::string& stagingFolder);
