#include "ui/gif_walker.h"

#include <gtest/gtest.h>

#include <random>

#include "gif_builder.h"
#include "test_surface.h"

namespace {

TEST(GifWalker, ReadsPlacementDelayAndDisposalOfEveryFrame) {
  std::vector<GifFrameLayout> layouts(3);
  layouts[0] = {0, 0, 8, 8, 1, 0, 2, true};
  layouts[1] = {2, 3, 4, 5, 2, 5, 3, true};
  layouts[2] = {1, 1, 2, 2, 3, 0, 0, false};
  const std::vector<uint8_t> gif = BuildGif(8, 8, layouts, true);
  GifLayout layout;
  ASSERT_TRUE(ParseGifLayout(gif.data(), gif.size(), layout));
  EXPECT_EQ(layout.width, 8);
  EXPECT_EQ(layout.height, 8);
  EXPECT_EQ(layout.colourTableSize, 12u);
  EXPECT_EQ(layout.headerSize, 25u);
  ASSERT_EQ(layout.frames.size(), 3u);
  EXPECT_EQ(layout.frames[0].disposal, 2);
  EXPECT_EQ(layout.frames[0].delay, 0);
  EXPECT_EQ(layout.frames[1].disposal, 3);
  EXPECT_EQ(layout.frames[1].delay, 5);
  EXPECT_EQ(layout.frames[1].left, 2);
  EXPECT_EQ(layout.frames[1].top, 3);
  EXPECT_EQ(layout.frames[1].width, 4);
  EXPECT_EQ(layout.frames[1].height, 5);
  EXPECT_EQ(layout.frames[2].delay, -1) << "no graphic control extension";
  EXPECT_EQ(gif[layout.frames[1].start], 0x21) << "a frame starts at its control block";
  EXPECT_EQ(gif[layout.frames[2].start], 0x2C);
  EXPECT_EQ(layout.frames[2].end, gif.size() - 1) << "the last frame ends at the trailer";
}

TEST(GifWalker, FrameStreamsAreStandaloneGifs) {
  const std::vector<uint8_t> gif = BuildGif(4, 4, {{0, 0, 4, 4, 1, 10, 1, true}, {1, 1, 2, 2, 2, 10, 1, true}});
  GifLayout layout;
  ASSERT_TRUE(ParseGifLayout(gif.data(), gif.size(), layout));
  ASSERT_EQ(layout.frames.size(), 2u);
  const std::vector<uint8_t> stream = BuildFrameStream(gif.data(), gif.size(), layout, layout.frames[1]);
  GifLayout single;
  ASSERT_TRUE(ParseGifLayout(stream.data(), stream.size(), single));
  ASSERT_EQ(single.frames.size(), 1u);
  EXPECT_EQ(single.frames[0].left, 1);
  EXPECT_EQ(stream.back(), 0x3B);
  EXPECT_TRUE(BuildFrameStream(gif.data(), 10, layout, layout.frames[1]).empty());
}

TEST(GifWalker, OneFrameFileAndNonGifData) {
  const std::vector<uint8_t> gif = BuildGif(3, 3, {{0, 0, 3, 3, 1, 10, 1, false}}, false, false);
  GifLayout layout;
  ASSERT_TRUE(ParseGifLayout(gif.data(), gif.size(), layout));
  EXPECT_EQ(layout.frames.size(), 1u);
  const uint8_t bitmap[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(IsGifSignature(bitmap, sizeof(bitmap)));
  EXPECT_FALSE(ParseGifLayout(bitmap, sizeof(bitmap), layout));
  const uint8_t gif87[] = {'G', 'I', 'F', '8', '7', 'a'};
  const uint8_t gif88[] = {'G', 'I', 'F', '8', '8', 'a'};
  EXPECT_TRUE(IsGifSignature(gif87, 6));
  EXPECT_FALSE(IsGifSignature(gif88, 6));
  EXPECT_FALSE(IsGifSignature(gif87, 5));
}

TEST(GifWalker, TruncatedDataKeepsOnlyCompleteFrames) {
  const std::vector<uint8_t> gif = BuildGif(4, 4, {{0, 0, 4, 4, 1, 10, 1, true}, {0, 0, 4, 4, 2, 10, 1, true}});
  GifLayout whole;
  ASSERT_TRUE(ParseGifLayout(gif.data(), gif.size(), whole));
  ASSERT_EQ(whole.frames.size(), 2u);
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    SCOPED_TRACE(cut);
    GuardedBuffer buffer(std::vector<uint8_t>(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(cut)));
    GifLayout layout;
    ParseGifLayout(buffer.Data(), buffer.Size(), layout);
    size_t expected = 0;
    for (const GifFrameInfo& frame : whole.frames) expected += frame.end <= cut ? 1 : 0;
    EXPECT_EQ(layout.frames.size(), expected);
  }
}

TEST(GifWalker, BlockSizes) {
  // Zero-length sub-block runs: a comment with no data is 3 bytes.
  const uint8_t emptyComment[] = {0x21, 0xFE, 0x00};
  EXPECT_EQ(GifBlockKind(emptyComment, 3, 0), GifBlock::kComment);
  EXPECT_EQ(GifBlockSize(emptyComment, 3, 0), 3u);
  EXPECT_EQ(GifBlockSize(emptyComment, 2, 0), 0u);
  const uint8_t trailer[] = {0x3B};
  EXPECT_EQ(GifBlockSize(trailer, 1, 0), 1u);
  const uint8_t control[] = {0x21, 0xF9, 4, 0, 0, 0, 0, 0};
  EXPECT_EQ(GifBlockSize(control, 8, 0), 8u);
  EXPECT_EQ(GifBlockSize(control, 7, 0), 0u);
  const uint8_t plainText[15 + 1] = {0x21, 0x01, 12};
  EXPECT_EQ(GifBlockKind(plainText, 16, 0), GifBlock::kOtherExtension);
  EXPECT_EQ(GifBlockSize(plainText, 16, 0), 16u);
  const uint8_t junk[] = {0x00, 0x21};
  EXPECT_EQ(GifBlockKind(junk, 2, 0), GifBlock::kError);
  EXPECT_EQ(GifBlockKind(junk, 2, 1), GifBlock::kError) << "an extension needs its label";
  EXPECT_EQ(GifBlockKind(junk, 2, 2), GifBlock::kError);
  // An image whose local colour table would run past the end.
  const uint8_t image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87, 2, 0};
  EXPECT_EQ(GifBlockSize(image, sizeof(image), 0), 0u);
}

TEST(GifWalker, DelaysBelowFiveHundredthsPlayAtOneHundredMilliseconds) {
  for (int delay = -1; delay <= 4; ++delay) EXPECT_EQ(FrameWaitMilliseconds(delay), 100u);
  EXPECT_EQ(FrameWaitMilliseconds(5), 50u);
  EXPECT_EQ(FrameWaitMilliseconds(65535), 655350u);
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
      const std::vector<uint8_t> stream = BuildFrameStream(buffer.Data(), buffer.Size(), layout, frame);
      ASSERT_FALSE(stream.empty());
    }
  }
}

}  // namespace
