#include "ui/gif_animator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gif_builder.h"
#include "test_surface.h"

namespace {

HGLOBAL ToGlobal(const std::vector<uint8_t>& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

class GifAnimatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    m_hWnd = CreateWindowA("STATIC", "ANITMATED", WS_POPUP, 50, 50, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
    ASSERT_TRUE(m_animator.Attach(m_hWnd));
  }
  void TearDown() override {
    if (IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    OleUninitialize();
  }
  bool Load(const std::vector<uint8_t>& bytes) {
    HGLOBAL h = ToGlobal(bytes);
    const bool loaded = m_animator.Load(h, bytes.size());
    GlobalFree(h);
    return loaded;
  }
  COLORREF CanvasPixel(int x, int y) {
    Surface surface(m_animator.CanvasSize().cx, m_animator.CanvasSize().cy);
    m_animator.CopyCanvas(surface.Dc());
    return surface.Pixel(x, y);
  }

  HWND m_hWnd = nullptr;
  GifAnimator m_animator;
};

TEST_F(GifAnimatorTest, OneFrameGifIsShownWithoutAThread) {
  ASSERT_TRUE(Load(BuildGif(6, 4, {{0, 0, 6, 4, 1, 10, 1, true}})));
  EXPECT_TRUE(m_animator.IsGif());
  EXPECT_EQ(m_animator.FrameCount(), 0u) << "shown as one picture";
  RECT window = {};
  GetWindowRect(m_hWnd, &window);
  EXPECT_EQ(window.right - window.left, 6) << "the control takes the canvas size";
  ASSERT_TRUE(m_animator.Draw());
  EXPECT_FALSE(m_animator.Running());
  EXPECT_EQ(CanvasPixel(3, 2), RGB(255, 0, 0));
}

TEST_F(GifAnimatorTest, DisposalTwoFillsWithTheBackground) {
  ASSERT_TRUE(Load(BuildGif(8, 8, {{2, 2, 4, 4, 1, 10, 2, true}, {0, 0, 1, 1, 2, 10, 1, true}})));
  ASSERT_EQ(m_animator.FrameCount(), 2u);
  m_animator.RenderFrame(0);
  EXPECT_EQ(CanvasPixel(3, 3), RGB(255, 0, 0));
  m_animator.DisposeFrame(0);
  EXPECT_EQ(CanvasPixel(3, 3), m_animator.Background());
  EXPECT_EQ(CanvasPixel(7, 7), GetSysColor(COLOR_MENU)) << "outside the frame nothing changes";
}

TEST_F(GifAnimatorTest, DisposalThreeRestoresExactlyTheAreaUnderTheFrame) {
  ASSERT_TRUE(Load(BuildGif(8, 8, {{0, 0, 8, 8, 3, 10, 1, true}, {2, 2, 3, 3, 1, 10, 3, true}})));
  ASSERT_EQ(m_animator.FrameCount(), 2u);
  m_animator.RenderFrame(0);
  Surface before(8, 8);
  m_animator.CopyCanvas(before.Dc());
  EXPECT_EQ(before.Pixel(3, 3), RGB(0, 0, 255));
  m_animator.RenderFrame(1);
  EXPECT_EQ(CanvasPixel(3, 3), RGB(255, 0, 0));
  m_animator.DisposeFrame(1);
  Surface after(8, 8);
  m_animator.CopyCanvas(after.Dc());
  EXPECT_TRUE(after.SameAs(before));
}

TEST_F(GifAnimatorTest, NonGifDataIsOneStillPictureAtItsOwnSize) {
  // A 5 x 3 24-bit bitmap file, all green.
  std::vector<uint8_t> bmp(54 + 3 * 16, 0);
  const int stride = 16;
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[2] = static_cast<uint8_t>(bmp.size());
  bmp[10] = 54;
  bmp[14] = 40;
  bmp[18] = 5;
  bmp[22] = 3;
  bmp[26] = 1;
  bmp[28] = 24;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) bmp[54 + y * stride + x * 3 + 1] = 255;
  ASSERT_TRUE(Load(bmp));
  EXPECT_FALSE(m_animator.IsGif());
  EXPECT_EQ(m_animator.CanvasSize().cx, 5);
  EXPECT_EQ(m_animator.CanvasSize().cy, 3);
  ASSERT_TRUE(m_animator.Draw());
  EXPECT_EQ(CanvasPixel(2, 1), RGB(0, 255, 0));
}

TEST_F(GifAnimatorTest, DamagedDataFailsAndLeavesTheControlEmpty) {
  const std::vector<uint8_t> gif = BuildGif(4, 4, {{0, 0, 4, 4, 1, 10, 1, true}});
  EXPECT_FALSE(Load(std::vector<uint8_t>(gif.begin(), gif.begin() + 30)));
  EXPECT_FALSE(m_animator.Ready());
  EXPECT_FALSE(Load({'x'}));
  EXPECT_FALSE(m_animator.Draw());
  EXPECT_FALSE(m_animator.LoadFromResource("NOSUCH", "GIF"));
}

TEST_F(GifAnimatorTest, DestroyingTheWindowEndsALongFrameAtOnce) {
  // Both frames wait 655 seconds; only the wake event can end the wait early.
  ASSERT_TRUE(Load(BuildGif(4, 4, {{0, 0, 4, 4, 1, 65535, 1, true}, {0, 0, 4, 4, 2, 65535, 1, true}})));
  ASSERT_TRUE(m_animator.Draw());
  for (int i = 0; i < 200 && !m_animator.Running(); ++i) Sleep(10);
  ASSERT_TRUE(m_animator.Running());
  DestroyWindow(m_hWnd);
  EXPECT_FALSE(m_animator.Running()) << "the thread has ended when the window is gone";
  EXPECT_EQ(m_animator.Handle(), nullptr);
}

TEST_F(GifAnimatorTest, ReloadingStopsTheAnimationFirst) {
  const std::vector<uint8_t> two = BuildGif(4, 4, {{0, 0, 4, 4, 1, 65535, 1, true}, {0, 0, 4, 4, 2, 65535, 1, true}});
  ASSERT_TRUE(Load(two));
  ASSERT_TRUE(m_animator.Draw());
  for (int i = 0; i < 200 && !m_animator.Running(); ++i) Sleep(10);
  ASSERT_TRUE(Load(BuildGif(2, 2, {{0, 0, 2, 2, 3, 10, 1, true}})));
  EXPECT_FALSE(m_animator.Running());
  EXPECT_EQ(m_animator.CanvasSize().cx, 2);
}

TEST_F(GifAnimatorTest, ProgramResourceLoads) {
  // The test program carries a copy of the busy indicator as resource 144.
  ASSERT_TRUE(m_animator.LoadFromResource(MAKEINTRESOURCEA(144), "GIF"));
  EXPECT_GE(m_animator.FrameCount(), 2u);
  ASSERT_TRUE(m_animator.Draw());
  m_animator.Stop();
  EXPECT_FALSE(m_animator.Running());
}

}  // namespace
