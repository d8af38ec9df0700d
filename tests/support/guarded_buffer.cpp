#include "support/guarded_buffer.h"

#include <cstring>

GuardedBuffer::GuardedBuffer(const std::vector<uint8_t>& bytes) : m_nSize(bytes.size()) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const size_t page = system.dwPageSize;
  const size_t dataPages = (bytes.size() + page - 1) / page + 1;
  m_pBase = static_cast<uint8_t*>(
      VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  DWORD old = 0;
  VirtualProtect(m_pBase + dataPages * page, page, PAGE_NOACCESS, &old);
  uint8_t* data = m_pBase + dataPages * page - bytes.size();
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  m_pData = data;
}
