#pragma once
// This user account's secret for archive tags: 32 random bytes kept in the
// settings key ("ArchiveKey"), protected by the system for this user (DPAPI),
// so neither another account nor a copy of the value on another machine can use
// it.

#include <string>

// The secret; false when there is none or it cannot be unprotected.
bool LoadArchiveKey(std::string& key);
// The secret, made and stored first when none can be loaded. False when the
// settings key is missing (the program's first run writes it) or the system
// cannot make or protect one.
bool LoadOrCreateArchiveKey(std::string& key);
