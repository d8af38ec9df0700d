#include "gif_builder.h"

namespace {

void Put16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

class BitWriter {
 public:
  void Write(int code, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (code & (1 << i)) m_nCurrent |= static_cast<uint8_t>(1 << m_nFill);
      if (++m_nFill == 8) Flush();
    }
  }
  std::vector<uint8_t> Finish() {
    if (m_nFill) Flush();
    return m_bytes;
  }

 private:
  void Flush() {
    m_bytes.push_back(m_nCurrent);
    m_nCurrent = 0;
    m_nFill = 0;
  }
  std::vector<uint8_t> m_bytes;
  uint8_t m_nCurrent = 0;
  int m_nFill = 0;
};

// Minimum code size 2: codes 0-3 colours, 4 clear, 5 end, three bits wide. A clear
// before every second pixel keeps the table from ever growing the code width.
std::vector<uint8_t> EncodePixels(int count, int index) {
  BitWriter writer;
  for (int i = 0; i < count; ++i) {
    if (i % 2 == 0) writer.Write(4, 3);
    writer.Write(index, 3);
  }
  writer.Write(5, 3);
  return writer.Finish();
}

}  // namespace

std::vector<uint8_t> BuildGif(int width, int height, const std::vector<GifFrameLayout>& frames,
                              bool withComment, bool withLoop) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, width);
  Put16(out, height);
  out.push_back(0x81);  // global table of 4 colours
  out.push_back(0);
  out.push_back(0);
  const uint8_t palette[] = {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  out.insert(out.end(), palette, palette + sizeof(palette));
  if (withLoop) {
    const uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                            '2',  '.',  '0',  0x03, 0x01, 0x00, 0x00, 0x00};
    out.insert(out.end(), loop, loop + sizeof(loop));
  }
  if (withComment) {
    const uint8_t comment[] = {0x21, 0xFE, 0x03, 'q', 'b', '!', 0x00};
    out.insert(out.end(), comment, comment + sizeof(comment));
  }
  for (const GifFrameLayout& frame : frames) {
    if (frame.control) {
      out.push_back(0x21);
      out.push_back(0xF9);
      out.push_back(4);
      out.push_back(static_cast<uint8_t>((frame.disposal & 7) << 2));
      Put16(out, frame.delay);
      out.push_back(0);
      out.push_back(0);
    }
    out.push_back(0x2C);
    Put16(out, frame.left);
    Put16(out, frame.top);
    Put16(out, frame.width);
    Put16(out, frame.height);
    out.push_back(0);
    out.push_back(2);  // minimum code size
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
