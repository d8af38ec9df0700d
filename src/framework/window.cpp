#include "framework/window.h"

#include <commctrl.h>

namespace {

const char kControlProperty[] = "QuillbaneControl";
const UINT_PTR kSubclassId = 0x51420001;
HINSTANCE g_hResources = nullptr;

}  // namespace

// ---------------------------------------------------------------- Control

Control::~Control() { Detach(); }

bool Control::Attach(HWND hWnd) {
  if (!hWnd || m_hWnd || FromHandle(hWnd)) return false;
  if (!SetWindowSubclass(hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  SetPropA(hWnd, kControlProperty, this);
  m_hWnd = hWnd;
  try {
    OnAttached();
  } catch (...) {
  }
  return true;
}

void Control::Detach() {
  if (!m_hWnd) return;
  try {
    OnDetaching();
  } catch (...) {
  }
  RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
  RemovePropA(m_hWnd, kControlProperty);
  m_hWnd = nullptr;
}

Control* Control::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  return static_cast<Control*>(GetPropA(hWnd, kControlProperty));
}

bool Control::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Control::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT Control::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK Control::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR data) {
  Control* self = reinterpret_cast<Control*>(data);
  if (message == WM_NCDESTROY) {
    // Let go while the window is still whole; the rest of the chain still runs.
    if (self && self->m_hWnd == hWnd) self->Detach();
    return DefSubclassProc(hWnd, message, wParam, lParam);
  }
  try {
    if (self && self->m_hWnd == hWnd) return self->WindowProc(message, wParam, lParam);
  } catch (...) {
    // A fault in one control must not take the window down with it.
  }
  return DefSubclassProc(hWnd, message, wParam, lParam);
}

// ---------------------------------------------------------------- Dialog

Dialog::~Dialog() {
  if (m_hWnd && !m_bModal) DestroyWindow();
}

void Dialog::SetResourceModule(HINSTANCE hModule) { g_hResources = hModule; }

HINSTANCE Dialog::ResourceModule() {
  return g_hResources ? g_hResources : GetModuleHandleA(nullptr);
}

INT_PTR Dialog::DoModal() {
  m_bModal = true;
  INT_PTR result = DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), m_hParent,
                                   DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

INT_PTR Dialog::DoModalIndirect(const void* dialogTemplate) {
  m_bModal = true;
  INT_PTR result = DialogBoxIndirectParamA(
      ResourceModule(), static_cast<const DLGTEMPLATE*>(dialogTemplate), m_hParent, DialogProc,
      reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

bool Dialog::Create() {
  if (m_hWnd) return false;
  m_bModal = false;
  HWND hWnd = CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), m_hParent,
                                 DialogProc, reinterpret_cast<LPARAM>(this));
  return hWnd != nullptr;
}

void Dialog::EndDialog(INT_PTR result) {
  if (!m_hWnd) return;
  if (m_bModal)
    ::EndDialog(m_hWnd, result);
  else
    DestroyWindow();
}

void Dialog::DestroyWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool Dialog::OnCommand(int id, int code, HWND) {
  if ((id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
    EndDialog(id);
    return true;
  }
  return false;
}

bool Dialog::OnNotify(NMHDR*, LRESULT&) { return false; }
bool Dialog::OnDrawItem(int, DRAWITEMSTRUCT*) { return false; }
bool Dialog::OnMeasureItem(int, MEASUREITEMSTRUCT*) { return false; }
HBRUSH Dialog::OnCtlColor(HDC, HWND, UINT) { return nullptr; }
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK Dialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    if (self) self->m_hWnd = hWnd;
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = self->Route(message, wParam, lParam);
  } catch (...) {
    // Stop here: an exception must never unwind through the system's code.
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

// Offers a control's request to its control object first, so a control draws itself.
bool Dialog::Reflect(HWND hControl, UINT message, WPARAM wParam, LPARAM lParam,
                     INT_PTR& result) {
  Control* control = Control::FromHandle(hControl);
  if (!control) return false;
  LRESULT answer = 0;
  if (!control->OnReflected(message, wParam, lParam, answer)) return false;
  result = static_cast<INT_PTR>(answer);
  return true;
}

INT_PTR Dialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      HWND hControl = reinterpret_cast<HWND>(lParam);
      INT_PTR ignored = 0;
      // A control may act on its own click and still let the dialog see it.
      if (hControl && Reflect(hControl, message, wParam, lParam, ignored)) return TRUE;
      return OnCommand(LOWORD(wParam), HIWORD(wParam), hControl) ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
      if (header && Reflect(header->hwndFrom, message, wParam, lParam, result)) {
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
      }
      LRESULT answer = 0;
      if (header && OnNotify(header, answer)) {
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, answer);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DRAWITEM: {
      DRAWITEMSTRUCT* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item && item->CtlType != ODT_MENU &&
          Reflect(item->hwndItem, message, wParam, lParam, result))
        return TRUE;
      return OnDrawItem(static_cast<int>(wParam), item) ? TRUE : FALSE;
    }
    case WM_MEASUREITEM: {
      MEASUREITEMSTRUCT* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item && item->CtlType != ODT_MENU &&
          Reflect(GetDlgItem(m_hWnd, static_cast<int>(item->CtlID)), message, wParam, lParam,
                  result))
        return TRUE;
      return OnMeasureItem(static_cast<int>(wParam), item) ? TRUE : FALSE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG: {
      HWND hControl = reinterpret_cast<HWND>(lParam);
      if (message != WM_CTLCOLORDLG && Reflect(hControl, message, wParam, lParam, result))
        return result;
      return reinterpret_cast<INT_PTR>(
          OnCtlColor(reinterpret_cast<HDC>(wParam), hControl, message));
    }
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      break;
  }
  if (OnMessage(message, wParam, lParam, result)) return result;
  return FALSE;
}

void RedrawUnder(HWND hControl) {
  HWND hParent = GetParent(hControl);
  if (!hParent) {
    InvalidateRect(hControl, nullptr, TRUE);
    return;
  }
  RECT area = {};
  GetWindowRect(hControl, &area);
  MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&area), 2);
  RedrawWindow(hParent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void PumpMessages() {
  MSG msg;
  for (int dispatched = 0; dispatched < 10; ++dispatched) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
