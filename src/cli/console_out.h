#pragma once
// The console's two streams. The program's texts are UTF-8; a console window
// shows the bytes it is given in its own output code page (and the C library may
// translate them on the way), so "José" would read "JosÃ©". To a console the text
// goes as UTF-16 through WriteConsoleW; files and pipes get the UTF-8 bytes as
// they always have.

#include <cstdio>
#include <string>

// True when the stream is a console (not a file, a pipe or nothing).
bool IsConsoleStream(FILE* stream);

// Writes UTF-8 bytes; false when they did not all get through. A character cut
// between two writes is completed by the next one.
bool WriteText(FILE* stream, const char* data, size_t size);
inline bool WriteText(FILE* stream, const std::string& text) {
  return WriteText(stream, text.data(), text.size());
}

// printf-style, through WriteText.
void PrintTo(FILE* stream, const char* format, ...);
