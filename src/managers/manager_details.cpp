#include "managers/manager_details.h"

#include <algorithm>

std::string StartupLookupPath(const std::string& commandLine) {
  std::string path = commandLine;
  // ASCII only: the bytes of other characters are parts of multi-byte sequences,
  // and file names compare without regard to case anyway.
  for (char& c : path) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const size_t exe = path.find(".exe");
  if (exe != std::string::npos) path.erase(exe + 4);
  path.erase(std::remove(path.begin(), path.end(), '"'), path.end());
  return path;
}

DetailTexts DetailsFor(const FileVersionInfo& info) {
  DetailTexts texts;
  texts.company = info.CompanyName();
  texts.description = info.FileDescription();
  texts.fileName = info.InternalName();
  if (!texts.fileName.empty()) texts.fileName += " (Version : " + info.FileVersion() + ")";
  texts.productName = info.ProductName();
  if (!texts.productName.empty()) {
    texts.productName += " (Version : " + info.ProductVersion() + ")";
  }
  return texts;
}
