#include "ui/gif_animator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gif_builder.h"
#include "support/test_surface.h"
#include "ui/resource_ids.h"

namespace {

// Two frames of 655 seconds each: only the wake event can end a wait early.
const std::vector<uint8_t> kLongFrames =
    BuildGif(4, 4, {{0, 0, 4, 4, 1, 65535, 1, true}, {0, 0, 4, 4, 2, 65535, 1, true}});

class GifAnimatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    m_hWnd = CreateWindowA("STATIC", "", WS_POPUP, 50, 50, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(m_animator.Attach(m_hWnd));
  }
  void TearDown() override {
    if (IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    OleUninitialize();
  }
  bool Load(const std::vector<uint8_t>& bytes) {
    const GlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    std::memcpy(GlobalLock(copy.Get()), bytes.data(), bytes.size());
    GlobalUnlock(copy.Get());
    return m_animator.Load(copy.Get(), bytes.size());
  }
  COLORREF CanvasPixel(int x, int y) {
    Surface surface(m_animator.CanvasSize().cx, m_animator.CanvasSize().cy);
    m_animator.CopyCanvas(surface.Dc());
    return surface.Pixel(x, y);
  }
  bool DrawAndWaitForTheThread() {
    if (!m_animator.Draw()) return false;
    for (int i = 0; i < 200 && !m_animator.Running(); ++i) Sleep(10);
    return m_animator.Running();
  }

  HWND m_hWnd = nullptr;
  GifAnimator m_animator;
};

TEST_F(GifAnimatorTest, OneFrameGifIsShownWithoutAThreadAtItsOwnSize) {
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

// Disposal 3 puts back exactly what lay under the frame, however mixed; disposal 2
// fills the frame's area, and only that, with the background.
TEST_F(GifAnimatorTest, DisposalRestoresWhatLayUnderOrFillsWithTheBackground) {
  ASSERT_TRUE(Load(BuildGif(8, 8, {{0, 0, 8, 8, 3, 10, 1, true}, {0, 0, 2, 2, 2, 10, 1, true},
                                   {1, 1, 3, 3, 1, 10, 3, true}, {5, 5, 2, 2, 2, 10, 2, true}})));
  ASSERT_EQ(m_animator.FrameCount(), 4u);
  m_animator.RenderFrame(0);
  m_animator.RenderFrame(1);
  Surface before(8, 8);
  m_animator.CopyCanvas(before.Dc());
  m_animator.RenderFrame(2);
  EXPECT_EQ(CanvasPixel(2, 2), RGB(255, 0, 0));
  m_animator.DisposeFrame(2);
  Surface after(8, 8);
  m_animator.CopyCanvas(after.Dc());
  EXPECT_TRUE(after.SameAs(before));
  m_animator.RenderFrame(3);
  EXPECT_EQ(CanvasPixel(5, 5), RGB(0, 255, 0));
  m_animator.DisposeFrame(3);
  EXPECT_EQ(CanvasPixel(5, 5), m_animator.Background());
  EXPECT_EQ(CanvasPixel(7, 7), RGB(0, 0, 255)) << "outside the frame nothing changes";
}

TEST_F(GifAnimatorTest, NonGifDataIsOneStillPictureAndDamagedDataLeavesTheControlEmpty) {
  // A 5 x 3 24-bit bitmap file (rows of 16 bytes), all green.
  std::vector<uint8_t> bmp(54 + 3 * 16, 0);
  const int fields[][2] = {{0, 'B'}, {1, 'M'}, {2, static_cast<int>(bmp.size())}, {10, 54},
                           {14, 40}, {18, 5}, {22, 3}, {26, 1}, {28, 24}};
  for (const auto& field : fields) bmp[field[0]] = static_cast<uint8_t>(field[1]);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) bmp[54 + y * 16 + x * 3 + 1] = 255;
  ASSERT_TRUE(Load(bmp));
  EXPECT_FALSE(m_animator.IsGif());
  EXPECT_EQ(m_animator.CanvasSize().cx * 10 + m_animator.CanvasSize().cy, 53);
  ASSERT_TRUE(m_animator.Draw());
  EXPECT_EQ(CanvasPixel(2, 1), RGB(0, 255, 0));

  const std::vector<uint8_t> gif = BuildGif(4, 4, {{0, 0, 4, 4, 1, 10, 1, true}});
  EXPECT_FALSE(Load(std::vector<uint8_t>(gif.begin(), gif.begin() + 30)));
  EXPECT_FALSE(m_animator.Ready());
  EXPECT_FALSE(Load({'x'}));
  EXPECT_FALSE(m_animator.Draw());
  EXPECT_FALSE(m_animator.LoadFromResource("NOSUCH", "GIF"));
}

// Stop, a new load and the window's end each end a frame's long wait at once.
TEST_F(GifAnimatorTest, StopReloadAndDestroyEndTheAnimationFirst) {
  // The test program carries the program's own busy indicator.
  ASSERT_TRUE(m_animator.LoadFromResource(MAKEINTRESOURCEA(IDR_BUSY_GIF), "GIF"));
  EXPECT_GE(m_animator.FrameCount(), 4u);
  ASSERT_TRUE(DrawAndWaitForTheThread());
  m_animator.Stop();
  EXPECT_FALSE(m_animator.Running());
  ASSERT_TRUE(Load(kLongFrames));
  ASSERT_TRUE(DrawAndWaitForTheThread());
  ASSERT_TRUE(Load(BuildGif(2, 2, {{0, 0, 2, 2, 3, 10, 1, true}})));
  EXPECT_FALSE(m_animator.Running());
  EXPECT_EQ(m_animator.CanvasSize().cx, 2);
  ASSERT_TRUE(Load(kLongFrames));
  ASSERT_TRUE(DrawAndWaitForTheThread());
  DestroyWindow(m_hWnd);
  EXPECT_FALSE(m_animator.Running()) << "the thread has ended when the window is gone";
  EXPECT_EQ(m_animator.Handle(), nullptr);
}

}  // namespace
