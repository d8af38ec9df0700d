#pragma once
// Redirects HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT of this
// process to private, empty keys for the lifetime of the object, so tests run the
// real registry API without touching the prefix's own entries. Child processes
// (regedit) do not see the redirection.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "core/handles.h"

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  bool Active() const { return m_bActive; }
  // Copies a key of the real HKEY_LOCAL_MACHINE\SOFTWARE into the private one,
  // for system services that read their settings there (the data protection
  // API finds its cryptographic providers under Microsoft\Cryptography).
  bool CopyMachineSoftwareKey(const std::string& path);

 private:
  bool m_bActive = false;
  std::string m_strBase;
  KeyHandle m_hSoftware;  // the real HKCU\Software, opened before redirecting
  KeyHandle m_hRealMachineSoftware;  // the real HKLM\SOFTWARE, likewise
  KeyHandle m_hMachine;
  KeyHandle m_hUser;
  KeyHandle m_hClasses;
};

// A test whose registry roots are sandboxed.
class SandboxedTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_sandbox.Active()); }
  RegistrySandbox m_sandbox;
};

// Small direct helpers for arranging and inspecting registry state in tests.
bool RegPutString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type = REG_SZ);
bool RegPutDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
bool RegPutBytes(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const void* data, DWORD size);
bool RegKeyExists(HKEY root, const std::string& key);
// Type and raw bytes of a value; false when it cannot be read.
bool RegGetRaw(HKEY root, const std::string& key, const std::string& name, DWORD& type,
               std::string& bytes);
bool HasValue(HKEY root, const std::string& key, const std::string& name);

// Lets everyone only read a key (a real access list: Wine checks it) for the
// object's lifetime, as a standard user sees the machine's keys, or gives it
// another list (SDDL); then everyone may do anything with it again, so the
// sandbox can delete it.
class ReadOnlyKey {
 public:
  ReadOnlyKey(HKEY root, const std::string& key, const char* accessList = "D:P(A;;KR;;;WD)");
  ~ReadOnlyKey();
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
  bool Applied() const { return m_bApplied; }

 private:
  KeyHandle m_hKey;  // opened with the right to change its list
  bool m_bApplied = false;
};
