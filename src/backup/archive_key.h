#pragma once
// This user account's secret for archive tags: 32 random bytes kept in the
// settings key ("ArchiveKey"), protected by the system for this user (DPAPI),
// so neither another account nor a copy of the value on another machine can use
// it.
//
// A key is never overwritten or dropped. When the stored one cannot be read (the
// value was damaged, or the system no longer unprotects it, as after an
// administrator reset the account's password), it is kept aside as
// "ArchiveKey.1" (".2", ...) before a new one is made: should it read again one
// day, the archives made with it check again.

#include <string>
#include <vector>

// The current secret; false when there is none or it cannot be unprotected.
bool LoadArchiveKey(std::string& key);
// Every secret this account holds that can be read: the current one first, then
// those kept aside.
std::vector<std::string> LoadArchiveKeys();
// The current secret, made and stored first when none can be loaded; `replaced`
// (when given) says that a stored one could not be read and was kept aside. False
// when the settings key is missing (the program's first run writes it), the
// system cannot make or protect one, or an unreadable one could not be kept aside
// (it is then left as it is, and archives go untagged).
bool LoadOrCreateArchiveKey(std::string& key, bool* replaced = nullptr);
