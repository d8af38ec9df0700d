#include "ui/gif_animator.h"

#include <objidl.h>
#include <process.h>

#include <cstring>
#include <utility>

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

// A movable copy of the bytes; none when there is no room.
GlobalMemory MovableCopy(const void* data, size_t length) {
  GlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, length));
  void* target = copy ? GlobalLock(copy.Get()) : nullptr;
  if (!target) return GlobalMemory();
  std::memcpy(target, data, length);
  GlobalUnlock(copy.Get());
  return copy;
}

}  // namespace

ComPtr<IPicture> LoadPictureFromMemory(const uint8_t* data, size_t length) {
  ComPtr<IPicture> picture;
  if (!data || length == 0 || length > 0x7FFFFFFF) return picture;
  GlobalMemory copy = MovableCopy(data, length);
  ComPtr<IStream> stream;
  if (!copy || FAILED(CreateStreamOnHGlobal(copy.Get(), TRUE, stream.Receive())) || !stream) {
    return picture;
  }
  copy.Detach();  // the stream frees it when it goes
  if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(length), FALSE, IID_IPicture,
                            picture.ReceiveVoid()))) {
    picture.Detach();  // whatever a failed load left there is no picture of ours
  }
  return picture;
}

bool GifAnimator::Surface::Make(HDC hdc, int width, int height) {
  Reset();
  dc.Reset(CreateCompatibleDC(hdc));
  if (dc) bitmap.Reset(CreateCompatibleBitmap(hdc, width, height));
  if (!dc || !bitmap) {
    Reset();
    return false;
  }
  hOriginal = SelectObject(dc.Get(), bitmap.Get());
  return true;
}

void GifAnimator::Surface::Reset() {
  // The bitmap may be deleted only once no DC holds it.
  if (dc && hOriginal) SelectObject(dc.Get(), hOriginal);
  hOriginal = nullptr;
  dc.Reset();
  bitmap.Reset();
}

GifAnimator::GifAnimator() : m_hWake(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  InitializeCriticalSection(&m_canvasLock);
}

GifAnimator::~GifAnimator() {
  Detach();
  Stop();
  if (m_hThread) {
    // The frame loop outlived the bounded wait: this object must not go away under
    // it, and it leaves at its next check of the stop flag.
    WaitForSingleObject(m_hThread.Get(), INFINITE);
    m_hThread.Reset();
  }
  Unload();
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
  // The pictures keep copies of their own: this one goes when loaded.
  const GlobalMemory copy = MovableCopy(source, size);
  return copy && Load(copy.Get(), size);
}

bool GifAnimator::Load(HGLOBAL hData, size_t length) {
  Stop();
  if (m_hThread) return false;  // a frame loop that would not stop still uses the frames
  Unload();

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
    const WindowDc screen(nullptr);
    const int dpiX = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
    const int dpiY = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
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
    ComPtr<IPicture> picture = LoadPictureFromMemory(stream.data(), stream.size());
    if (!picture) continue;
    Frame frame;
    frame.picture = std::move(picture);
    frame.width = info.width;
    frame.height = info.height;
    frame.left = info.left;
    frame.top = info.top;
    frame.delay = info.delay;
    frame.disposal = info.disposal;
    m_frames.push_back(std::move(frame));
  }
  return !m_frames.empty() && PrepareCanvas();
}

void GifAnimator::Unload() {
  CanvasLock lock(m_canvasLock);
  m_frames.clear();
  m_pPicture.Reset();
  m_canvas.Reset();
  m_saved.Reset();
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
  CanvasLock lock(m_canvasLock);
  {
    const WindowDc window(m_hWnd);
    if (!window || !m_canvas.Make(window.Get(), m_nWidth, m_nHeight)) return false;
  }
  m_crBackground = GetSysColor(COLOR_BTNFACE);
  FillCanvas(RECT{0, 0, m_nWidth, m_nHeight}, GetSysColor(COLOR_MENU));
  m_bReady = true;
  return true;
}

void GifAnimator::FillCanvas(const RECT& area, COLORREF colour) {
  const BrushHandle brush(CreateSolidBrush(colour));
  FillRect(m_canvas.Dc(), &area, brush.Get());
}

bool GifAnimator::Draw() {
  if (!m_bReady) return false;
  if (m_frames.size() >= 2) {
    if (m_hThread) return true;
    m_bStop = false;
    unsigned threadId = 0;
    m_hThread.Reset(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, &threadId)));
    if (!m_hThread) return false;
    ResumeThread(m_hThread.Get());
    return true;
  }
  {
    CanvasLock lock(m_canvasLock);
    if (m_pPicture)
      RenderPicture(m_pPicture.Get(), m_canvas.Dc(), 0, 0, m_nWidth, m_nHeight);
    else if (!m_frames.empty() && m_frames[0].picture)
      RenderPicture(m_frames[0].picture.Get(), m_canvas.Dc(), m_frames[0].left, m_frames[0].top,
                    m_frames[0].width, m_frames[0].height);
  }
  if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
  return true;
}

void GifAnimator::Stop() {
  if (!m_hThread) return;
  m_bStop = true;
  if (m_hWake) SetEvent(m_hWake.Get());
  if (WaitForSingleObject(m_hThread.Get(), kStopWaitMilliseconds) != WAIT_OBJECT_0) return;
  m_hThread.Reset();
  if (m_hWake) ResetEvent(m_hWake.Get());
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
  if (index >= m_frames.size() || !m_canvas.Dc()) return;
  const Frame& frame = m_frames[index];
  if (!frame.picture) return;
  {
    CanvasLock lock(m_canvasLock);
    if (frame.disposal == 3 && m_saved.Make(m_canvas.Dc(), frame.width, frame.height)) {
      BitBlt(m_saved.Dc(), 0, 0, frame.width, frame.height, m_canvas.Dc(), frame.left, frame.top,
             SRCCOPY);
    }
    RenderPicture(frame.picture.Get(), m_canvas.Dc(), frame.left, frame.top, frame.width,
                  frame.height);
  }
  if (HWND hWnd = m_hWnd) InvalidateRect(hWnd, nullptr, FALSE);
}

void GifAnimator::DisposeFrame(size_t index) {
  if (index >= m_frames.size() || !m_canvas.Dc()) return;
  const Frame& frame = m_frames[index];
  CanvasLock lock(m_canvasLock);
  const RECT area = {frame.left, frame.top, frame.left + frame.width, frame.top + frame.height};
  if (frame.disposal == 2) {
    FillCanvas(area, m_crBackground);
  } else if (frame.disposal == 3 && m_saved.Dc()) {
    BitBlt(m_canvas.Dc(), frame.left, frame.top, frame.width, frame.height, m_saved.Dc(), 0, 0,
           SRCCOPY);
    m_saved.Reset();
  }
}

void GifAnimator::AnimationLoop() {
  DisposeFrame(m_nCurrent);
  while (!m_bStop) {
    if (m_nCurrent < m_frames.size() && m_frames[m_nCurrent].picture) {
      RenderFrame(m_nCurrent);
      if (m_bStop) return;
      WaitForSingleObject(m_hWake.Get(), FrameWaitMilliseconds(m_frames[m_nCurrent].delay));
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
  if (m_canvas.Dc()) BitBlt(hdc, 0, 0, m_nWidth, m_nHeight, m_canvas.Dc(), 0, 0, SRCCOPY);
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
