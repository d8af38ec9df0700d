#include "ui/gif_animator.h"

#include <objidl.h>
#include <process.h>

#include <cstring>

#include "ui/gif_walker.h"

namespace {

const unsigned kStopWaitMilliseconds = 5000;

// Holds the lock for one scope.
class CanvasLock {
 public:
  explicit CanvasLock(CRITICAL_SECTION& section) : m_section(section) {
    EnterCriticalSection(&m_section);
  }
  ~CanvasLock() { LeaveCriticalSection(&m_section); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

 private:
  CRITICAL_SECTION& m_section;
};

// Locks a movable memory block for one scope.
class GlobalView {
 public:
  explicit GlobalView(HGLOBAL hData) : m_hData(hData) {
    m_pData = hData ? static_cast<const uint8_t*>(GlobalLock(hData)) : nullptr;
  }
  ~GlobalView() {
    if (m_pData) GlobalUnlock(m_hData);
  }
  GlobalView(const GlobalView&) = delete;
  GlobalView& operator=(const GlobalView&) = delete;
  const uint8_t* Data() const { return m_pData; }

 private:
  HGLOBAL m_hData;
  const uint8_t* m_pData;
};

void RenderPicture(IPicture* picture, HDC hdc, int left, int top, int width, int height) {
  OLE_XSIZE_HIMETRIC pictureWidth = 0;
  OLE_YSIZE_HIMETRIC pictureHeight = 0;
  picture->get_Width(&pictureWidth);
  picture->get_Height(&pictureHeight);
  picture->Render(hdc, left, top, width, height, 0, pictureHeight, pictureWidth, -pictureHeight,
                  nullptr);
}

void ReleaseMemoryDC(HDC& hdc, HBITMAP& bitmap, HGDIOBJ& old) {
  if (hdc && old) SelectObject(hdc, old);
  if (bitmap) DeleteObject(bitmap);
  if (hdc) DeleteDC(hdc);
  hdc = nullptr;
  bitmap = nullptr;
  old = nullptr;
}

}  // namespace

IPicture* LoadPictureFromMemory(const uint8_t* data, size_t length) {
  if (!data || length == 0 || length > 0x7FFFFFFF) return nullptr;
  HGLOBAL hCopy = GlobalAlloc(GMEM_MOVEABLE, length);
  if (!hCopy) return nullptr;
  void* target = GlobalLock(hCopy);
  if (!target) {
    GlobalFree(hCopy);
    return nullptr;
  }
  std::memcpy(target, data, length);
  GlobalUnlock(hCopy);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(hCopy, TRUE, &stream)) || !stream) {
    GlobalFree(hCopy);
    return nullptr;
  }
  IPicture* picture = nullptr;
  if (FAILED(OleLoadPicture(stream, static_cast<LONG>(length), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(&picture))))
    picture = nullptr;
  stream->Release();
  return picture;
}

GifAnimator::GifAnimator() {
  InitializeCriticalSection(&m_canvasLock);
  m_hWake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

GifAnimator::~GifAnimator() {
  Detach();
  Stop();
  if (m_hThread) {
    // The frame loop outlived the bounded wait: this object must not go away under
    // it, and it leaves at its next check of the stop flag.
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }
  Release();
  if (m_hWake) CloseHandle(m_hWake);
  DeleteCriticalSection(&m_canvasLock);
}

bool GifAnimator::LoadFromResource(const char* name, const char* type) {
  HINSTANCE hModule = Dialog::ResourceModule();
  HRSRC hInfo = FindResourceA(hModule, name, type);
  if (!hInfo) return false;
  const DWORD size = SizeofResource(hModule, hInfo);
  HGLOBAL hResource = LoadResource(hModule, hInfo);
  const void* source = hResource ? LockResource(hResource) : nullptr;
  if (!source || size == 0) return false;
  HGLOBAL hCopy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!hCopy) return false;
  void* target = GlobalLock(hCopy);
  if (!target) {
    GlobalFree(hCopy);
    return false;
  }
  std::memcpy(target, source, size);
  GlobalUnlock(hCopy);
  const bool loaded = Load(hCopy, size);
  GlobalFree(hCopy);  // the pictures keep copies of their own
  return loaded;
}

bool GifAnimator::Load(HGLOBAL hData, size_t length) {
  Stop();
  if (m_hThread) return false;  // a frame loop that would not stop still uses the frames
  Release();

  GlobalView view(hData);
  const uint8_t* data = view.Data();
  if (!data || length == 0) return false;
  if (GlobalSize(hData) < length) length = GlobalSize(hData);

  if (!IsGifSignature(data, length)) {
    m_pPicture = LoadPictureFromMemory(data, length);
    if (!m_pPicture) return false;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_pPicture->get_Width(&width);
    m_pPicture->get_Height(&height);
    HDC hScreen = GetDC(nullptr);
    const int dpiX = hScreen ? GetDeviceCaps(hScreen, LOGPIXELSX) : 96;
    const int dpiY = hScreen ? GetDeviceCaps(hScreen, LOGPIXELSY) : 96;
    if (hScreen) ReleaseDC(nullptr, hScreen);
    m_nWidth = MulDiv(width, dpiX, 2540);
    m_nHeight = MulDiv(height, dpiY, 2540);
    return PrepareCanvas();
  }

  m_bIsGif = true;
  GifLayout layout;
  if (!ParseGifLayout(data, length, layout)) return false;
  m_nWidth = layout.width;
  m_nHeight = layout.height;
  m_nColourTableSize = layout.colourTableSize;
  if (layout.frames.empty()) return false;
  if (layout.frames.size() == 1) {
    m_pPicture = LoadPictureFromMemory(data, length);
    return m_pPicture && PrepareCanvas();
  }
  for (const GifFrameInfo& info : layout.frames) {
    const std::vector<uint8_t> stream = BuildFrameStream(data, length, layout, info);
    IPicture* picture = LoadPictureFromMemory(stream.data(), stream.size());
    if (!picture) continue;
    Frame frame;
    frame.picture = picture;
    frame.width = info.width;
    frame.height = info.height;
    frame.left = info.left;
    frame.top = info.top;
    frame.delay = info.delay;
    frame.disposal = info.disposal;
    m_frames.push_back(frame);
  }
  return !m_frames.empty() && PrepareCanvas();
}

void GifAnimator::Release() {
  CanvasLock lock(m_canvasLock);
  for (Frame& frame : m_frames)
    if (frame.picture) frame.picture->Release();
  m_frames.clear();
  if (m_pPicture) m_pPicture->Release();
  m_pPicture = nullptr;
  ReleaseMemoryDC(m_hCanvas, m_hCanvasBitmap, m_hCanvasOld);
  ReleaseMemoryDC(m_hSaved, m_hSavedBitmap, m_hSavedOld);
  m_bIsGif = m_bReady = false;
  m_nCurrent = 0;
  m_nWidth = m_nHeight = 0;
  m_nColourTableSize = 0;
  m_crBackground = RGB(255, 255, 255);
}

bool GifAnimator::PrepareCanvas() {
  if (m_nWidth <= 0 || m_nHeight <= 0) return false;
  if (m_hWnd)
    SetWindowPos(m_hWnd, nullptr, 0, 0, m_nWidth, m_nHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HDC hWindowDC = GetDC(m_hWnd);
  if (!hWindowDC) return false;
  CanvasLock lock(m_canvasLock);
  m_hCanvas = CreateCompatibleDC(hWindowDC);
  m_hCanvasBitmap = m_hCanvas ? CreateCompatibleBitmap(hWindowDC, m_nWidth, m_nHeight) : nullptr;
  ReleaseDC(m_hWnd, hWindowDC);
  if (!m_hCanvas || !m_hCanvasBitmap) {
    ReleaseMemoryDC(m_hCanvas, m_hCanvasBitmap, m_hCanvasOld);
    return false;
  }
  m_hCanvasOld = SelectObject(m_hCanvas, m_hCanvasBitmap);
  m_crBackground = GetSysColor(COLOR_BTNFACE);
  RECT all = {0, 0, m_nWidth, m_nHeight};
  HBRUSH menu = CreateSolidBrush(GetSysColor(COLOR_MENU));
  FillRect(m_hCanvas, &all, menu);
  DeleteObject(menu);
  m_bReady = true;
  return true;
}

void GifAnimator::FillCanvas(const RECT& area, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(m_hCanvas, &area, brush);
  DeleteObject(brush);
}

bool GifAnimator::Draw() {
  if (!m_bReady) return false;
  if (m_frames.size() >= 2) {
    if (m_hThread) return true;
    m_bStop = false;
    unsigned threadId = 0;
    m_hThread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, &threadId));
    if (!m_hThread) return false;
    ResumeThread(m_hThread);
    return true;
  }
  {
    CanvasLock lock(m_canvasLock);
    if (m_pPicture)
      RenderPicture(m_pPicture, m_hCanvas, 0, 0, m_nWidth, m_nHeight);
    else if (!m_frames.empty() && m_frames[0].picture)
      RenderPicture(m_frames[0].picture, m_hCanvas, m_frames[0].left, m_frames[0].top,
                    m_frames[0].width, m_frames[0].height);
  }
  if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
  return true;
}

void GifAnimator::Stop() {
  if (!m_hThread) return;
  m_bStop = true;
  if (m_hWake) SetEvent(m_hWake);
  if (WaitForSingleObject(m_hThread, kStopWaitMilliseconds) != WAIT_OBJECT_0) return;
  CloseHandle(m_hThread);
  m_hThread = nullptr;
  if (m_hWake) ResetEvent(m_hWake);
  m_bStop = false;
}

unsigned __stdcall GifAnimator::ThreadMain(void* self) {
  GifAnimator* animator = static_cast<GifAnimator*>(self);
  animator->m_bRunning = true;
  animator->AnimationLoop();
  animator->m_bRunning = false;
  return 0;
}

void GifAnimator::RenderFrame(size_t index) {
  if (index >= m_frames.size() || !m_hCanvas) return;
  const Frame& frame = m_frames[index];
  if (!frame.picture) return;
  {
    CanvasLock lock(m_canvasLock);
    if (frame.disposal == 3) {
      ReleaseMemoryDC(m_hSaved, m_hSavedBitmap, m_hSavedOld);
      m_hSaved = CreateCompatibleDC(m_hCanvas);
      m_hSavedBitmap = m_hSaved ? CreateCompatibleBitmap(m_hCanvas, frame.width, frame.height)
                                : nullptr;
      if (m_hSaved && m_hSavedBitmap) {
        m_hSavedOld = SelectObject(m_hSaved, m_hSavedBitmap);
        BitBlt(m_hSaved, 0, 0, frame.width, frame.height, m_hCanvas, frame.left, frame.top,
               SRCCOPY);
      } else {
        ReleaseMemoryDC(m_hSaved, m_hSavedBitmap, m_hSavedOld);
      }
    }
    RenderPicture(frame.picture, m_hCanvas, frame.left, frame.top, frame.width, frame.height);
  }
  if (HWND hWnd = m_hWnd) InvalidateRect(hWnd, nullptr, FALSE);
}

void GifAnimator::DisposeFrame(size_t index) {
  if (index >= m_frames.size() || !m_hCanvas) return;
  const Frame& frame = m_frames[index];
  CanvasLock lock(m_canvasLock);
  const RECT area = {frame.left, frame.top, frame.left + frame.width, frame.top + frame.height};
  if (frame.disposal == 2) {
    FillCanvas(area, m_crBackground);
  } else if (frame.disposal == 3 && m_hSaved) {
    BitBlt(m_hCanvas, frame.left, frame.top, frame.width, frame.height, m_hSaved, 0, 0, SRCCOPY);
    ReleaseMemoryDC(m_hSaved, m_hSavedBitmap, m_hSavedOld);
  }
}

void GifAnimator::AnimationLoop() {
  DisposeFrame(m_nCurrent);
  while (!m_bStop) {
    if (m_nCurrent < m_frames.size() && m_frames[m_nCurrent].picture) {
      RenderFrame(m_nCurrent);
      if (m_bStop) return;
      WaitForSingleObject(m_hWake, FrameWaitMilliseconds(m_frames[m_nCurrent].delay));
      if (m_bStop) return;
      DisposeFrame(m_nCurrent);
    }
    if (++m_nCurrent >= m_frames.size()) {
      m_nCurrent = 0;
      CanvasLock lock(m_canvasLock);
      FillCanvas(RECT{0, 0, m_nWidth, m_nHeight}, m_crBackground);
    }
  }
}

void GifAnimator::CopyCanvas(HDC hdc) {
  CanvasLock lock(m_canvasLock);
  if (m_hCanvas) BitBlt(hdc, 0, 0, m_nWidth, m_nHeight, m_hCanvas, 0, 0, SRCCOPY);
}

void GifAnimator::OnDetaching() { Stop(); }

LRESULT GifAnimator::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(m_hWnd, &paint);
    if (hdc) CopyCanvas(hdc);
    EndPaint(m_hWnd, &paint);
    return 0;
  }
  if (message == WM_DESTROY) Stop();
  return Default(message, wParam, lParam);
}
