#include "cli/console_out.h"

#include <windows.h>
#include <io.h>

#include <cstdarg>
#include <vector>

namespace {

HANDLE HandleOf(FILE* stream) {
  const int fd = stream ? _fileno(stream) : -1;
  return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The bytes that end a text in the middle of a character: 0 to 3.
size_t IncompleteTail(const char* data, size_t size) {
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const unsigned char c = static_cast<unsigned char>(data[size - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// What a character cut at the end of the last write left, per stream.
std::string& Pending(FILE* stream) {
  static std::string out, err, other;
  return stream == stdout ? out : stream == stderr ? err : other;
}

bool WriteConsoleText(HANDLE hConsole, const std::string& text) {
  if (text.empty()) return true;
  const int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
  if (chars <= 0) return false;
  std::vector<wchar_t> wide(static_cast<size_t>(chars));
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), chars);
  // A console takes large writes in parts.
  for (size_t done = 0; done < wide.size();) {
    const DWORD part = static_cast<DWORD>(wide.size() - done > 8192 ? 8192 : wide.size() - done);
    DWORD written = 0;
    if (!WriteConsoleW(hConsole, wide.data() + done, part, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

bool IsConsoleStream(FILE* stream) {
  DWORD mode = 0;
  const HANDLE handle = HandleOf(stream);
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != FALSE;
}

bool WriteText(FILE* stream, const char* data, size_t size) {
  if (!IsConsoleStream(stream)) return std::fwrite(data, 1, size, stream) == size;
  // What the C library holds for this stream goes first, in order.
  std::fflush(stream);
  std::string& pending = Pending(stream);
  pending.append(data, size);
  const size_t whole = pending.size() - IncompleteTail(pending.data(), pending.size());
  // A line feed alone starts a new line in a console.
  const bool ok = WriteConsoleText(HandleOf(stream), pending.substr(0, whole));
  pending.erase(0, whole);
  return ok;
}

void PrintTo(FILE* stream, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  char small[512];
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(small, sizeof(small), format, copy);
  va_end(copy);
  if (length >= 0 && static_cast<size_t>(length) < sizeof(small)) {
    WriteText(stream, small, static_cast<size_t>(length));
  } else if (length > 0) {
    std::vector<char> large(static_cast<size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, arguments);
    WriteText(stream, large.data(), static_cast<size_t>(length));
  }
  va_end(arguments);
}
