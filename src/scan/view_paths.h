#pragma once
// The system's side of the two views: the folders a path of a 32-bit registration
// is mapped with, and which registry keys the two views share.

#include <windows.h>

#include <string>
#include <vector>

#include "core/registry_view.h"

// The Windows folder (and its 8.3 form) and the "(x86)" program folders of this
// system, read once.
const ViewFolders& SystemViewFolders();

// The path to test for a text of a registration of the view (see PathInView).
std::string PathToTest(std::string text, RegistryView view);

// The key's own name in the registry, as the system keeps it ("\REGISTRY\..."),
// with any registry link already followed; empty when it cannot be asked.
std::wstring RegistryKeyName(HKEY hKey);

// True when both handles reach the same key: the twin of a key the system shares
// between the views reads the same entries through both paths. Unknown is false.
bool SameRegistryKey(HKEY hFirst, HKEY hSecond);

// True when the subkey `name` of a parent, opened and found to be named
// `childName` (RegistryKeyName), is a registry link: the key it reaches lives
// elsewhere. False when either name is unknown.
bool IsLinkedSubKey(const std::wstring& parentName, const std::wstring& childName,
                    const std::string& name);

// True when programs of both views read the key (a key without Wow6432Node in
// its path): the system shares it between the views, or links its 32-bit twin
// to it. Its entries then take the readings of both views.
bool SharedWith32BitView(HKEY hRoot, const std::string& keyPath);

// A key to walk and the view of the entries in it.
struct ViewKey {
  std::string keyPath;
  RegistryView view;
};

// The key (64-bit view) and then its explicit 32-bit twin below Wow6432Node. The
// twin is left out when it is missing or when the system shares the key between
// the views, so that no entry is looked at (and reported) twice.
std::vector<ViewKey> KeysOfBothViews(HKEY hRoot, const std::string& keyPath);
