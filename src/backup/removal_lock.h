#pragma once
// One removal or restore at a time per user account: both work in the user's
// staging folder, and a second run would empty or pack the first one's saved
// items; two logon sessions of one user (each with its own TEMP folder) would
// otherwise both remove and back up the same entries. The lock is a named mutex
// in the Global namespace named from the user's SID, so it covers every program
// of the user in every session (the window, the console, two consoles). It is
// never waited for: a second run is refused at once.
//
// The thread that holds it may take it again (the console takes it before its
// scan, the removal takes it once more); a holder that died leaves it free.

#include <windows.h>

#include <string>

#include "core/handles.h"

constexpr const char* kAnotherRunMessage = "Another removal or restore is running";

class RemovalLock {
 public:
  RemovalLock();
  ~RemovalLock();
  RemovalLock(const RemovalLock&) = delete;
  RemovalLock& operator=(const RemovalLock&) = delete;

  bool Held() const { return m_bHeld; }

 private:
  KernelHandle m_hMutex;
  bool m_bHeld = false;
};

// The mutex name for a user's SID ("S-1-5-21-..."); "" when there is none.
std::string RemovalLockName(const std::string& userSid);
// The SID of the user the process runs as, as text; "" when it cannot be read.
std::string CurrentUserSid();

// Tests only: test programs that run side by side as one user each take a lock
// of their own (the scope is added to the name).
void SetRemovalLockScope(const std::string& scope);
