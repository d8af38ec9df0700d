#pragma once
// One move-only owner per kind of system handle, all here so there is one way
// to hold each kind: the owner releases what it holds when it goes, on every
// path, and taking a new handle (Reset, Receive) releases the one held before.
//
// Header only, and built on system headers alone, so every folder may use it -
// the dialog layer too - without depending on anything else of ours. A library
// that never uses a drawing kind links no drawing library: the closers are
// inline and only reach the linker where they are used.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <utility>

// Owns one handle of the kind Traits describes: Traits::Type, the value that
// means "none" (Traits::Invalid) and the call that releases one (Traits::Close,
// true when the system says it was released).
template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept : m_h(Traits::Invalid()) {}
  explicit UniqueHandle(Type handle) noexcept : m_h(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Detach()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  Type Get() const { return m_h; }
  bool Valid() const { return m_h != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  // Holds `handle` from now on, releasing the one held before (unless it is the same).
  void Reset(Type handle = Traits::Invalid()) {
    const Type previous = m_h;
    m_h = handle;
    if (previous != Traits::Invalid() && previous != handle) Traits::Close(previous);
  }
  // Releases now; false when the system said the release failed (a file's last
  // write that did not reach the disk ...). Nothing held is nothing to fail.
  bool Close() {
    const Type previous = Detach();
    return previous == Traits::Invalid() || Traits::Close(previous);
  }
  // Gives the handle up without releasing it.
  Type Detach() {
    const Type previous = m_h;
    m_h = Traits::Invalid();
    return previous;
  }
  // For a call that hands a new handle back through a pointer and leaves it
  // "none" when it fails (COM's rule; the registry's opens and creates): releases
  // the one held first, so nothing leaks when an owner is filled twice. A call
  // that may leave anything there on failure fills a plain variable, and the
  // owner takes it on success.
  Type* Receive() {
    Reset();
    return &m_h;
  }

 private:
  Type m_h;
};

namespace handle_traits {

struct Key {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
// FindFirstFile's search: INVALID_HANDLE_VALUE when it found nothing.
struct Find {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Close(Type h) { return FindClose(h) != FALSE; }
};
// CreateFile's answer: INVALID_HANDLE_VALUE on failure.
struct File {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
// Every other kernel object (event, mutex, process, thread, token, file
// mapping): null on failure.
struct Kernel {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
struct View {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return UnmapViewOfFile(h) != FALSE; }
};
struct Module {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return FreeLibrary(h) != FALSE; }
};
template <class T>
struct Com {
  using Type = T*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type p) {
    p->Release();
    return true;
  }
};
template <class T>
struct LocalMemory {
  using Type = T*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type p) { return LocalFree(p) == nullptr; }
};
template <class T>
struct CoTaskMemory {
  using Type = T*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type p) {
    CoTaskMemFree(p);
    return true;
  }
};
struct GlobalMemory {
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return GlobalFree(h) == nullptr; }
};
struct StdFile {
  using Type = std::FILE*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type f) { return std::fclose(f) == 0; }
};
template <class T>
struct Gdi {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DeleteObject(h) != FALSE; }
};
// A DC of our own (CreateCompatibleDC); a window's DC is a WindowDc.
struct MemoryDc {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DeleteDC(h) != FALSE; }
};
struct ImageList {
  using Type = HIMAGELIST;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return ImageList_Destroy(h) != FALSE; }
};
struct Cursor {
  using Type = HCURSOR;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DestroyCursor(h) != FALSE; }
};

}  // namespace handle_traits

using KeyHandle = UniqueHandle<handle_traits::Key>;
using FindHandle = UniqueHandle<handle_traits::Find>;
using FileHandle = UniqueHandle<handle_traits::File>;
using KernelHandle = UniqueHandle<handle_traits::Kernel>;
using MappedView = UniqueHandle<handle_traits::View>;
using ModuleHandle = UniqueHandle<handle_traits::Module>;
template <class T>
using LocalMemory = UniqueHandle<handle_traits::LocalMemory<T>>;
template <class T>
using CoTaskMemory = UniqueHandle<handle_traits::CoTaskMemory<T>>;
using GlobalMemory = UniqueHandle<handle_traits::GlobalMemory>;
using StdFile = UniqueHandle<handle_traits::StdFile>;
using FontHandle = UniqueHandle<handle_traits::Gdi<HFONT>>;
using BitmapHandle = UniqueHandle<handle_traits::Gdi<HBITMAP>>;
using BrushHandle = UniqueHandle<handle_traits::Gdi<HBRUSH>>;
using PenHandle = UniqueHandle<handle_traits::Gdi<HPEN>>;
using MemoryDc = UniqueHandle<handle_traits::MemoryDc>;
using ImageListHandle = UniqueHandle<handle_traits::ImageList>;
using CursorHandle = UniqueHandle<handle_traits::Cursor>;

// One reference to a COM object.
template <class T>
class ComPtr : public UniqueHandle<handle_traits::Com<T>> {
 public:
  using UniqueHandle<handle_traits::Com<T>>::UniqueHandle;
  T* operator->() const { return this->Get(); }
  // For the calls that hand an object back through a void** (CoCreateInstance,
  // QueryInterface): releases the one held first.
  void** ReceiveVoid() { return reinterpret_cast<void**>(this->Receive()); }
};

// A window's DC, from GetDC, given back to its window with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hWnd) : m_hWnd(hWnd), m_hdc(GetDC(hWnd)) {}
  ~WindowDc() {
    if (m_hdc) ReleaseDC(m_hWnd, m_hdc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& other) noexcept : m_hWnd(other.m_hWnd), m_hdc(other.m_hdc) {
    other.m_hdc = nullptr;
  }
  WindowDc& operator=(WindowDc&&) = delete;

  HDC Get() const { return m_hdc; }
  bool Valid() const { return m_hdc != nullptr; }
  explicit operator bool() const { return Valid(); }

 private:
  HWND m_hWnd;
  HDC m_hdc;
};

// An object selected into a DC for one scope; what was selected before comes
// back when it goes, so the object may then be deleted. Declare it after the
// owner of the object it selects. A null object selects nothing.
class SelectedObject {
 public:
  SelectedObject(HDC hdc, HGDIOBJ object)
      : m_hdc(hdc), m_hPrevious(hdc && object ? SelectObject(hdc, object) : nullptr) {}
  ~SelectedObject() {
    if (m_hPrevious) SelectObject(m_hdc, m_hPrevious);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC m_hdc;
  HGDIOBJ m_hPrevious;
};

// COM on this thread for one scope (single-threaded apartment); undone only when
// this scope did it (a thread already in another apartment keeps its own).
class ComApartment {
 public:
  ComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(m_hr)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool Ready() const { return SUCCEEDED(m_hr); }

 private:
  HRESULT m_hr;
};
