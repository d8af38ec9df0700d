#pragma once
// Our small dialog layer: dialogs from resource templates and control objects that
// attach to template controls. One static procedure per kind stores `this` and routes
// to virtual handlers; no exception ever leaves a procedure.

#include <windows.h>

#include <cstdint>
#include <vector>

// A control object attached to an existing window with SetWindowSubclass. It detaches
// itself on WM_NCDESTROY; the object may outlive the window and be attached again.
// A subclass that overrides OnDetaching calls Detach in its own destructor.
class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Attaches to the window; false when the window is missing or already attached.
  bool Attach(HWND hWnd);
  // Attaches to the dialog's control with the id.
  bool AttachItem(HWND hDialog, int id) { return Attach(GetDlgItem(hDialog, id)); }
  void Detach();
  HWND Handle() const { return m_hWnd; }

  // The control object attached to a window, or null.
  static Control* FromHandle(HWND hWnd);

  // A message the parent received for this control (owner-draw, colour requests,
  // command and notify). True when handled; `result` is then the answer.
  virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  // Called once attached; the place to adjust styles and create helpers.
  virtual void OnAttached() {}
  // Called while the window is still valid, just before the object lets go of it.
  virtual void OnDetaching() {}
  // The control's own messages; the default passes them on.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
};

// A dialog from a resource template, modal or modeless.
class Dialog {
 public:
  Dialog(int templateId, HWND hParent) : m_nTemplateId(templateId), m_hParent(hParent) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; the EndDialog result, or -1 when it cannot be created.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless (visible when the template says so); false on failure.
  bool Create();
  // Modal run from a template in memory (DLGTEMPLATE or DLGTEMPLATEEX).
  INT_PTR DoModalIndirect(const void* dialogTemplate);

  HWND Handle() const { return m_hWnd; }
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  int TemplateId() const { return m_nTemplateId; }
  void EndDialog(INT_PTR result);
  void DestroyWindow();

  // Module the templates, bitmaps and cursors come from (default: the program).
  static void SetResourceModule(HINSTANCE hModule);
  static HINSTANCE ResourceModule();

 protected:
  // Return true to let the system set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // A command from a control or menu; true when handled. The default ends a modal
  // run on IDOK and IDCANCEL.
  virtual bool OnCommand(int id, int code, HWND hControl);
  virtual bool OnNotify(NMHDR* header, LRESULT& result);
  virtual bool OnDrawItem(int id, DRAWITEMSTRUCT* item);
  virtual bool OnMeasureItem(int id, MEASUREITEMSTRUCT* item);
  // The brush for a control's background, or null for the default.
  virtual HBRUSH OnCtlColor(HDC hdc, HWND hControl, UINT message);
  virtual void OnTimer(UINT_PTR id) { (void)id; }
  virtual void OnDestroy() {}
  // Every other message; true when handled, `result` is then the answer.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
  bool Reflect(HWND hControl, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

  int m_nTemplateId;
  HWND m_hParent;
  bool m_bModal = false;
};

// Repaints the part of the parent under a transparent control, then the control, so
// text drawn without a background never lands on its own old pixels.
void RedrawUnder(HWND hControl);

// Dispatches pending window messages of this thread, at most ten per call: a
// long job on the window's thread calls it between items so the window paints
// and takes clicks.
void PumpMessages();
