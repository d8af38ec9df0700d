#include "backup/removal_lock.h"

#include <sddl.h>

#include <vector>

namespace {

std::string g_strScope;

}  // namespace

RemovalLock::RemovalLock() {
  std::string name = RemovalLockName(CurrentUserSid());
  if (!name.empty() && !g_strScope.empty()) name += "." + g_strScope;
  // Without the user's identity there is no lock that covers the account:
  // refusing is safer than two runs at once.
  if (name.empty()) return;
  m_hMutex.Reset(CreateMutexA(nullptr, FALSE, name.c_str()));
  if (!m_hMutex) return;
  const DWORD waited = WaitForSingleObject(m_hMutex.Get(), 0);
  // Abandoned: the holder was killed. Its staging folder is recovered by the
  // run that follows, so the lock is simply taken over.
  m_bHeld = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

RemovalLock::~RemovalLock() {
  // Given back before the owner closes it (a mutex closed while held would be
  // abandoned, not released).
  if (m_bHeld) ReleaseMutex(m_hMutex.Get());
}

std::string RemovalLockName(const std::string& userSid) {
  if (userSid.empty() || userSid.find('\\') != std::string::npos) return "";
  return "Global\\Quillbane.RemovalOrRestore." + userSid;
}

std::string CurrentUserSid() {
  HANDLE hOpened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hOpened)) return "";
  const KernelHandle token(hOpened);
  const HANDLE hToken = token.Get();
  DWORD size = 0;
  GetTokenInformation(hToken, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  std::string text;
  if (size > 0 && GetTokenInformation(hToken, TokenUser, buffer.data(), size, &size)) {
    LocalMemory<char> sid;
    if (ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                               sid.Receive())) {
      text = sid.Get();
    }
  }
  return text;
}

void SetRemovalLockScope(const std::string& scope) { g_strScope = scope; }
