#pragma once
// A fresh folder under C:\QuillbaneTests for one test, removed with everything in
// it when the object goes away.

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Full Windows path, without a trailing backslash.
  const std::string& Path() const { return m_strPath; }
  std::string operator/(const std::string& name) const { return m_strPath + "\\" + name; }

 private:
  std::string m_strPath;
};

// Writes bytes to a file, creating missing parent folders; false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Reads a whole file; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string& bytes);
// Deletes a folder tree (read-only files included); false when something stayed.
bool DeleteTree(const std::string& path);
