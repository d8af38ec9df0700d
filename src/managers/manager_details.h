#pragma once
// The details box of the Startup and BHO managers: which file a row names and the
// four texts shown for it. Pure text work.

#include <string>

#include "managers/file_version_info.h"
#include "managers/manager_rows.h"

struct DetailTexts {
  std::string company;      // IDC_MANAGER_COMPANY
  std::string description;  // IDC_MANAGER_DESCRIPTION
  std::string fileName;     // IDC_MANAGER_FILE_NAME
  std::string productName;  // IDC_MANAGER_PRODUCT_NAME
};

// The program file of a Run command line: lower case, cut after the first ".exe"
// (dropping the switches after it), without double quotes.
std::string StartupLookupPath(const std::string& commandLine);

// Company and description as they are; the internal and product names followed by
// " (Version : ...)" when they are not empty. All empty for a reset object.
DetailTexts DetailsFor(const FileVersionInfo& info);
