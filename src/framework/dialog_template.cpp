#include "framework/dialog_template.h"

namespace {

const uint32_t kSetFont = 0x40L;      // DS_SETFONT

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
  bool Has(size_t count) const { return m_nPos <= m_bytes.size() && m_bytes.size() - m_nPos >= count; }
  bool Word(uint16_t& value) {
    if (!Has(2)) return false;
    value = static_cast<uint16_t>(m_bytes[m_nPos] | (m_bytes[m_nPos + 1] << 8));
    m_nPos += 2;
    return true;
  }
  bool Skip(size_t count) {
    if (!Has(count)) return false;
    m_nPos += count;
    return true;
  }
  // A wide string up to and including its terminating zero.
  bool SkipString() {
    uint16_t c = 0;
    do {
      if (!Word(c)) return false;
    } while (c != 0);
    return true;
  }
  // Menu and class fields: 0, 0xFFFF plus an ordinal, or a string.
  bool SkipNameOrOrdinal() {
    uint16_t first = 0;
    if (!Word(first)) return false;
    if (first == 0) return true;
    if (first == 0xFFFF) return Skip(2);
    return SkipString();
  }
  size_t Pos() const { return m_nPos; }

 private:
  const std::vector<uint8_t>& m_bytes;
  size_t m_nPos = 0;
};

uint32_t ReadDword(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

int FixedFontPointSize(int dotsPerInch) {
  if (dotsPerInch <= 0) return 8;
  return static_cast<int>(792.0 / dotsPerInch + 0.5);
}

std::vector<uint8_t> ReplaceTemplateFont(const std::vector<uint8_t>& in, const std::string& face,
                                         int pointSize) {
  std::vector<uint8_t> none;
  if (in.size() < 18) return none;
  const bool extended = in[0] == 1 && in[1] == 0 && in[2] == 0xFF && in[3] == 0xFF;
  const size_t styleAt = extended ? 12 : 0;
  const size_t headerSize = extended ? 26 : 18;
  if (in.size() < headerSize) return none;
  const uint32_t style = ReadDword(in, styleAt);

  Reader reader(in);
  if (!reader.Skip(headerSize) || !reader.SkipNameOrOrdinal() || !reader.SkipNameOrOrdinal() ||
      !reader.SkipString())
    return none;
  const size_t fontAt = reader.Pos();
  if (style & kSetFont) {
    if (!reader.Skip(extended ? 6 : 2) || !reader.SkipString()) return none;
  }
  // The first control starts on the next 4-byte boundary.
  size_t itemsAt = (reader.Pos() + 3) & ~static_cast<size_t>(3);
  if (itemsAt > in.size()) itemsAt = in.size();

  std::vector<uint8_t> out(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(fontAt));
  if (!(style & kSetFont)) {
    const uint32_t newStyle = style | kSetFont;
    for (int i = 0; i < 4; ++i) out[styleAt + i] = static_cast<uint8_t>(newStyle >> (8 * i));
  }
  PutWord(out, static_cast<uint16_t>(pointSize));
  if (extended) {
    PutWord(out, 400);  // weight
    out.push_back(0);   // italic
    out.push_back(1);   // DEFAULT_CHARSET
  }
  for (unsigned char c : face) PutWord(out, c);
  PutWord(out, 0);
  while (out.size() % 4) out.push_back(0);
  out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(itemsAt), in.end());
  return out;
}
