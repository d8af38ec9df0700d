#include "ui/gif_walker.h"

namespace {

int Word(const uint8_t* data, size_t at) { return data[at] | (data[at + 1] << 8); }

// A run of data sub-blocks starting at `pos`: its size including the closing zero
// length, or 0 when it runs past the end.
size_t SubBlocksSize(const uint8_t* data, size_t size, size_t pos) {
  size_t total = 0;
  for (;;) {
    if (pos >= size) return 0;
    const size_t length = data[pos];
    total += length + 1;
    if (length == 0) return total;
    if (size - pos < length + 1) return 0;
    pos += length + 1;
  }
}

// The size of a fixed part plus the sub-blocks after it; 0 when damaged.
size_t FixedPlusSubBlocks(const uint8_t* data, size_t size, size_t pos, size_t fixed) {
  if (size - pos < fixed) return 0;
  const size_t blocks = SubBlocksSize(data, size, pos + fixed);
  return blocks ? fixed + blocks : 0;
}

size_t ColourTableBytes(uint8_t packed) {
  return (packed & 0x80) ? 3u * (1u << ((packed & 7) + 1)) : 0u;
}

bool Step(const uint8_t* data, size_t size, size_t& pos) {
  const size_t length = GifBlockSize(data, size, pos);
  if (length == 0 || size - pos < length) return false;
  pos += length;
  return true;
}

}  // namespace

GifBlock GifBlockKind(const uint8_t* data, size_t size, size_t pos) {
  if (!data || pos >= size) return GifBlock::kError;
  switch (data[pos]) {
    case 0x2C:
      return GifBlock::kImage;
    case 0x3B:
      return GifBlock::kTrailer;
    case 0x21:
      if (size - pos < 2) return GifBlock::kError;
      switch (data[pos + 1]) {
        case 0xF9:
          return GifBlock::kControl;
        case 0xFE:
          return GifBlock::kComment;
        case 0xFF:
          return GifBlock::kApplication;
        default:
          return GifBlock::kOtherExtension;
      }
    default:
      return GifBlock::kError;
  }
}

size_t GifBlockSize(const uint8_t* data, size_t size, size_t pos) {
  size_t length = 0;
  switch (GifBlockKind(data, size, pos)) {
    case GifBlock::kControl:
      length = 8;
      break;
    case GifBlock::kComment:
      length = FixedPlusSubBlocks(data, size, pos, 2);
      break;
    case GifBlock::kApplication:
      length = FixedPlusSubBlocks(data, size, pos, 14);
      break;
    case GifBlock::kOtherExtension:
      length = FixedPlusSubBlocks(data, size, pos, 15);
      break;
    case GifBlock::kImage: {
      if (size - pos < 11) return 0;
      const size_t fixed = 11 + ColourTableBytes(data[pos + 9]);
      length = FixedPlusSubBlocks(data, size, pos, fixed);
      break;
    }
    case GifBlock::kTrailer:
      length = 1;
      break;
    case GifBlock::kError:
      return 0;
  }
  return (length && size - pos >= length) ? length : 0;
}

bool NextGifFrame(const uint8_t* data, size_t size, size_t& pos, GifFrameInfo& frame) {
  size_t at = pos;
  GifBlock kind;
  for (;;) {
    kind = GifBlockKind(data, size, at);
    if (kind == GifBlock::kControl || kind == GifBlock::kImage) break;
    if (kind == GifBlock::kTrailer || kind == GifBlock::kError) return false;
    if (!Step(data, size, at)) return false;
  }
  GifFrameInfo found;
  found.start = at;
  if (kind == GifBlock::kControl) {
    if (GifBlockSize(data, size, at) == 0) return false;
    found.delay = Word(data, at + 4);
    found.disposal = (data[at + 3] >> 2) & 7;
    if (!Step(data, size, at)) return false;
    for (;;) {
      kind = GifBlockKind(data, size, at);
      if (kind == GifBlock::kImage) break;
      if (kind == GifBlock::kTrailer || kind == GifBlock::kError) return false;
      if (!Step(data, size, at)) return false;
    }
  }
  const size_t imageAt = at;
  if (!Step(data, size, at)) return false;
  found.left = Word(data, imageAt + 1);
  found.top = Word(data, imageAt + 3);
  found.width = Word(data, imageAt + 5);
  found.height = Word(data, imageAt + 7);
  found.end = at;
  frame = found;
  pos = at;
  return true;
}

bool IsGifSignature(const uint8_t* data, size_t size) {
  if (!data || size < 6) return false;
  if (data[0] != 'G' || data[1] != 'I' || data[2] != 'F' || data[3] != '8' || data[5] != 'a')
    return false;
  return data[4] == '7' || data[4] == '9';
}

bool ParseGifLayout(const uint8_t* data, size_t size, GifLayout& layout) {
  layout = GifLayout();
  if (!IsGifSignature(data, size) || size < 13) return false;
  layout.width = Word(data, 6);
  layout.height = Word(data, 8);
  layout.colourTableSize = ColourTableBytes(data[10]);
  layout.headerSize = 13 + layout.colourTableSize;
  if (layout.headerSize > size) return false;
  size_t pos = layout.headerSize;
  GifFrameInfo frame;
  while (NextGifFrame(data, size, pos, frame)) layout.frames.push_back(frame);
  return true;
}

std::vector<uint8_t> BuildFrameStream(const uint8_t* data, size_t size, const GifLayout& layout,
                                      const GifFrameInfo& frame) {
  std::vector<uint8_t> stream;
  if (!data || layout.headerSize > size || frame.start >= frame.end || frame.end > size)
    return stream;
  stream.reserve(layout.headerSize + (frame.end - frame.start) + 1);
  stream.insert(stream.end(), data, data + layout.headerSize);
  stream.insert(stream.end(), data + frame.start, data + frame.end);
  stream.push_back(0x3B);
  return stream;
}

unsigned FrameWaitMilliseconds(int delay) {
  return delay > 4 ? static_cast<unsigned>(delay) * 10u : 100u;
}
