#pragma once
// For parsers of untrusted bytes: a copy of the bytes placed so that the byte
// after the last one is on a page that cannot be read, so any read past the data
// faults at once.

#include <windows.h>

#include <cstdint>
#include <vector>

class GuardedBuffer {
 public:
  explicit GuardedBuffer(const std::vector<uint8_t>& bytes);
  ~GuardedBuffer() { VirtualFree(m_pBase, 0, MEM_RELEASE); }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  const uint8_t* Data() const { return m_pData; }
  size_t Size() const { return m_nSize; }

 private:
  uint8_t* m_pBase = nullptr;
  const uint8_t* m_pData = nullptr;
  size_t m_nSize = 0;
};
