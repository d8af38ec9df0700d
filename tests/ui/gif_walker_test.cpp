#include "ui/gif_walker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>

#include "gif_builder.h"
#include "support/test_surface.h"

namespace {

GifLayout Parsed(const std::vector<uint8_t>& gif, size_t frames) {
  GifLayout layout;
  EXPECT_TRUE(ParseGifLayout(gif.data(), gif.size(), layout));
  EXPECT_EQ(layout.frames.size(), frames);
  return layout;
}

TEST(GifWalker, ReadsPlacementDelayAndDisposalOfEveryFrame) {
  const std::vector<uint8_t> gif = BuildGif(
      8, 8, {{0, 0, 8, 8, 1, 0, 2, true}, {2, 3, 4, 5, 2, 300, 3, true}, {1, 1, 2, 2, 3, 0, 0, false}},
      true);
  const GifLayout layout = Parsed(gif, 3);
  ASSERT_EQ(layout.frames.size(), 3u);
  EXPECT_EQ(std::vector<size_t>({size_t(layout.width), size_t(layout.height), layout.colourTableSize,
                                 layout.headerSize}), std::vector<size_t>({8, 8, 12, 25}));
  const GifFrameInfo& f0 = layout.frames[0];
  const GifFrameInfo& f1 = layout.frames[1];
  const GifFrameInfo& f2 = layout.frames[2];
  EXPECT_EQ(std::vector<int>({f0.disposal, f0.delay, f1.disposal, f1.delay, f1.left, f1.top,
                              f1.width, f1.height, f2.delay}),
            std::vector<int>({2, 0, 3, 300, 2, 3, 4, 5, -1}));
  EXPECT_EQ(gif[f1.start], 0x21) << "a frame starts at its control block";
  EXPECT_EQ(gif[f2.start], 0x2C);
  EXPECT_EQ(f2.end, gif.size() - 1) << "the last frame ends at the trailer";
  Parsed(BuildGif(3, 3, {{0, 0, 3, 3, 1, 10, 1, false}}, false, false), 1);
}

TEST(GifWalker, SignatureIsGif87aOrGif89a) {
  const std::pair<const char*, bool> cases[] = {
      {"GIF87a", true}, {"GIF89a", true}, {"GIF88a", false}, {"GIF87", false}, {"BMxxxx", false}};
  for (const auto& c : cases) {
    GifLayout layout;
    const auto* bytes = reinterpret_cast<const uint8_t*>(c.first);
    EXPECT_EQ(IsGifSignature(bytes, std::strlen(c.first)), c.second) << c.first;
    EXPECT_FALSE(ParseGifLayout(bytes, std::strlen(c.first), layout));
  }
}

TEST(GifWalker, TruncatedDataKeepsOnlyCompleteFrames) {
  const std::vector<uint8_t> gif = BuildGif(4, 4, {{0, 0, 4, 4, 1, 10, 1, true}, {0, 0, 4, 4, 2, 10, 1, true}});
  const GifLayout whole = Parsed(gif, 2);
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    GuardedBuffer buffer(std::vector<uint8_t>(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(cut)));
    GifLayout layout;
    ParseGifLayout(buffer.Data(), buffer.Size(), layout);
    size_t expected = 0;
    for (const GifFrameInfo& frame : whole.frames) expected += frame.end <= cut ? 1 : 0;
    EXPECT_EQ(layout.frames.size(), expected) << cut;
    // The animator draws each frame from a stream of its own: none past the data.
    EXPECT_EQ(BuildFrameStream(buffer.Data(), buffer.Size(), whole, whole.frames[1]).empty(),
              cut < whole.frames[1].end) << cut;
  }
}

TEST(GifWalker, DelaysBelowFiveHundredthsPlayAtOneHundredMilliseconds) {
  EXPECT_EQ(FrameWaitMilliseconds(-1) + FrameWaitMilliseconds(4), 200u);
  EXPECT_EQ(FrameWaitMilliseconds(5) + FrameWaitMilliseconds(65535), 655400u);
}

// Random bytes after a GIF header, random mutations of a real file, and random
// cuts, each placed against an unreadable page.
TEST(GifWalker, FuzzedDataStaysInBounds) {
  std::mt19937 random(5150);
  const std::vector<uint8_t> real = BuildGif(6, 6, {{0, 0, 6, 6, 1, 3, 2, true}, {1, 1, 3, 3, 2, 7, 3, true}}, true);
  for (int round = 0; round < 8000; ++round) {
    std::vector<uint8_t> bytes;
    switch (round % 3) {
      case 0:
        bytes.assign({'G', 'I', 'F', '8', '9', 'a'});
        bytes.resize(6 + random() % 120);
        for (size_t i = 6; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(random());
        break;
      case 1:
        bytes = real;
        for (int flips = 1 + static_cast<int>(random() % 6); flips > 0; --flips)
          bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        break;
      default:
        bytes.assign(real.begin(), real.begin() + static_cast<std::ptrdiff_t>(random() % real.size()));
        break;
    }
    GuardedBuffer buffer(bytes);
    GifLayout layout;
    if (!ParseGifLayout(buffer.Data(), buffer.Size(), layout)) continue;
    for (const GifFrameInfo& frame : layout.frames) {
      ASSERT_LT(frame.start, frame.end);
      ASSERT_LE(frame.end, buffer.Size());
      ASSERT_FALSE(BuildFrameStream(buffer.Data(), buffer.Size(), layout, frame).empty());
    }
  }
}

}  // namespace
