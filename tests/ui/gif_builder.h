#pragma once
// Builds small, valid GIF files for the tests: a two-colour-per-frame palette and
// uncompressed LZW (a clear code every two pixels), which every decoder reads.

#include <cstdint>
#include <vector>

struct GifFrameLayout {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  int paletteIndex = 0;  // the whole frame is this colour of the global palette
  int delay = 10;
  int disposal = 1;
  bool control = true;   // write a graphic control extension
};

// Palette: 0 white, 1 red, 2 green, 3 blue.
std::vector<uint8_t> BuildGif(int width, int height, const std::vector<GifFrameLayout>& frames,
                              bool withComment = false, bool withLoop = true);
