#include "gif_builder.h"

namespace {

void Put(std::vector<uint8_t>& out, std::initializer_list<int> bytes) {
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}
void Put16(std::vector<uint8_t>& out, int value) { Put(out, {value & 0xFF, (value >> 8) & 0xFF}); }

// Minimum code size 2: codes 0-3 colours, 4 clear, 5 end, three bits wide. A clear
// before every second pixel keeps the table from ever growing the code width.
std::vector<uint8_t> EncodePixels(int count, int index) {
  std::vector<uint8_t> bytes;
  int bit = 0;
  auto write = [&](int code) {
    for (int i = 0; i < 3; ++i, ++bit) {
      if (bit % 8 == 0) bytes.push_back(0);
      if (code & (1 << i)) bytes.back() |= static_cast<uint8_t>(1 << (bit % 8));
    }
  };
  for (int i = 0; i < count; ++i) {
    if (i % 2 == 0) write(4);
    write(index);
  }
  write(5);
  return bytes;
}

}  // namespace

std::vector<uint8_t> BuildGif(int width, int height, const std::vector<GifFrameLayout>& frames,
                              bool withComment, bool withLoop) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, width);
  Put16(out, height);
  Put(out, {0x81, 0, 0});  // global table of 4 colours
  Put(out, {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255});
  if (withLoop)
    Put(out, {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01,
              0x00, 0x00, 0x00});
  if (withComment) Put(out, {0x21, 0xFE, 0x03, 'q', 'b', '!', 0x00});
  for (const GifFrameLayout& frame : frames) {
    if (frame.control) {
      Put(out, {0x21, 0xF9, 4, (frame.disposal & 7) << 2});
      Put16(out, frame.delay);
      Put(out, {0, 0});
    }
    out.push_back(0x2C);
    for (int value : {frame.left, frame.top, frame.width, frame.height}) Put16(out, value);
    Put(out, {0, 2});  // no local table, minimum code size
    const std::vector<uint8_t> data = EncodePixels(frame.width * frame.height, frame.paletteIndex);
    for (size_t at = 0; at < data.size(); at += 255) {
      const size_t chunk = data.size() - at < 255 ? data.size() - at : 255;
      out.push_back(static_cast<uint8_t>(chunk));
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + chunk));
    }
    out.push_back(0);
  }
  out.push_back(0x3B);
  return out;
}
