#pragma once
// Walking the blocks of a GIF file: pure code over bytes, bounds-checked on every
// read, so damaged or hostile data ends the walk instead of reading past the end.

#include <cstddef>
#include <cstdint>
#include <vector>

enum class GifBlock { kControl, kComment, kApplication, kOtherExtension, kImage, kTrailer, kError };

// What kind of block starts at `pos`.
GifBlock GifBlockKind(const uint8_t* data, size_t size, size_t pos);

// The size of the block at `pos` in bytes; 0 when it is damaged or runs past the end.
size_t GifBlockSize(const uint8_t* data, size_t size, size_t pos);

// One image of the file: where its bytes lie (graphic control extension, when there
// is one, through the end of the image data) and how it is placed and shown.
struct GifFrameInfo {
  size_t start = 0;
  size_t end = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int delay = -1;    // hundredths of a second; -1 without a graphic control extension
  int disposal = 0;  // 0-7
};

// Finds the next frame from `pos`; on success `pos` is just past it.
bool NextGifFrame(const uint8_t* data, size_t size, size_t& pos, GifFrameInfo& frame);

struct GifLayout {
  int width = 0;             // logical screen
  int height = 0;
  size_t colourTableSize = 0;
  size_t headerSize = 0;     // header, screen descriptor and global colour table
  std::vector<GifFrameInfo> frames;
};

// True when the data starts with "GIF87a" or "GIF89a".
bool IsGifSignature(const uint8_t* data, size_t size);

// Reads the screen and every complete frame; false when the data is not a GIF.
bool ParseGifLayout(const uint8_t* data, size_t size, GifLayout& layout);

// A standalone one-frame GIF: the file's header block, the frame, a trailer.
std::vector<uint8_t> BuildFrameStream(const uint8_t* data, size_t size, const GifLayout& layout,
                                      const GifFrameInfo& frame);

// How long a frame stays: the delay in milliseconds, or 100 for delays of 0 to 4
// (and for frames without a delay), which browsers treat as "as fast as sensible".
unsigned FrameWaitMilliseconds(int delay);
