#pragma once
// ProblemRecord: one problem a scanner found. Registry problems name a value or a
// key; file problems name a shortcut file and the target it could not resolve.

#include <windows.h>

#include <string>

#include "core/registry_view.h"

constexpr int kFileError = 1;      // errorType of a file problem (a shortcut)
constexpr int kRegistryError = 2;  // errorType of a registry problem

struct ProblemRecord {
  // Common head.
  int errorType = kRegistryError;
  int checked = 0;
  std::string message;
  int sectionId = 0;

  // Registry shape (errorType 2).
  HKEY rootKey = nullptr;
  std::string keyPath;
  std::string valueName;
  std::string valueData;
  int isValue = 0;

  // File shape (errorType 1).
  std::string linkPath;
  std::string targetPath;
};

// The word that names a record's kind: "REG_VALUE", "REG_KEY" or "FILE";
// "" for an errorType that is neither 1 nor 2.
std::string ErrorType(const ProblemRecord& record);

// The scan-log block of one problem (CR LF line ends, the file's text mode adds
// the extra CR on disk).
std::string ProblemLogBlock(const std::string& sectionName, const ProblemRecord& record);

