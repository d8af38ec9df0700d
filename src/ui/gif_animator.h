#pragma once
// A static control that shows a picture from the program's resources and plays an
// animated GIF in a loop on a worker thread, composing frames on an off-screen canvas.
// Each frame is decoded by the system's picture loader from a one-frame GIF stream.

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/handles.h"
#include "framework/window.h"

class GifAnimator : public Control {
 public:
  struct Frame {
    ComPtr<IPicture> picture;
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int delay = -1;
    int disposal = 0;
  };

  GifAnimator();
  ~GifAnimator() override;

  bool LoadFromResource(const char* name, const char* type);
  bool Load(HGLOBAL hData, size_t length);
  // Starts showing: the animation thread for two or more frames, else the still picture.
  bool Draw();
  void Stop();

  bool Ready() const { return m_bReady; }
  bool IsGif() const { return m_bIsGif; }
  bool Running() const { return m_bRunning.load(); }
  size_t FrameCount() const { return m_frames.size(); }
  const Frame& FrameAt(size_t index) const { return m_frames[index]; }
  SIZE CanvasSize() const { return SIZE{m_nWidth, m_nHeight}; }
  COLORREF Background() const { return m_crBackground; }
  // Copies the canvas into `hdc` at (0, 0), as the paint handler does.
  void CopyCanvas(HDC hdc);

  // The frame loop's steps, public so tests can drive them without a thread.
  void RenderFrame(size_t index);
  void DisposeFrame(size_t index);

 protected:
  void OnDetaching() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // An off-screen picture: a bitmap selected into a DC of its own, the DC's
  // first bitmap selected back before both go.
  struct Surface {
    Surface() = default;
    ~Surface() { Reset(); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    // A surface like `hdc` of this size; false (and nothing held) when the system
    // has no room for it.
    bool Make(HDC hdc, int width, int height);
    void Reset();
    HDC Dc() const { return dc.Get(); }

    BitmapHandle bitmap;
    MemoryDc dc;
    HGDIOBJ hOriginal = nullptr;
  };

  void Unload();
  bool PrepareCanvas();
  void FillCanvas(const RECT& area, COLORREF colour);
  void AnimationLoop();
  static unsigned __stdcall ThreadMain(void* self);

  size_t m_nColourTableSize = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
  COLORREF m_crBackground = RGB(255, 255, 255);
  bool m_bIsGif = false;
  bool m_bReady = false;
  ComPtr<IPicture> m_pPicture;
  std::vector<Frame> m_frames;
  Surface m_canvas;
  // What a frame that is to be restored after it covers.
  Surface m_saved;
  KernelHandle m_hThread;
  size_t m_nCurrent = 0;
  std::atomic<bool> m_bRunning{false};
  std::atomic<bool> m_bStop{false};
  KernelHandle m_hWake;
  // The worker draws while the paint handler copies; one lock keeps them apart.
  CRITICAL_SECTION m_canvasLock;
};

// Loads a picture (any format the system's loader reads) from memory; none on failure.
ComPtr<IPicture> LoadPictureFromMemory(const uint8_t* data, size_t length);
