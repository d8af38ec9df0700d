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

#include "framework/window.h"

class GifAnimator : public Control {
 public:
  struct Frame {
    IPicture* picture = nullptr;
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
  void Release();
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
  IPicture* m_pPicture = nullptr;
  std::vector<Frame> m_frames;
  HDC m_hCanvas = nullptr;
  HBITMAP m_hCanvasBitmap = nullptr;
  HGDIOBJ m_hCanvasOld = nullptr;
  HDC m_hSaved = nullptr;
  HBITMAP m_hSavedBitmap = nullptr;
  HGDIOBJ m_hSavedOld = nullptr;
  HANDLE m_hThread = nullptr;
  size_t m_nCurrent = 0;
  std::atomic<bool> m_bRunning{false};
  std::atomic<bool> m_bStop{false};
  HANDLE m_hWake = nullptr;
  // The worker draws while the paint handler copies; one lock keeps them apart.
  CRITICAL_SECTION m_canvasLock;
};

// Loads a picture (any format the system's loader reads) from memory; null on failure.
IPicture* LoadPictureFromMemory(const uint8_t* data, size_t length);
