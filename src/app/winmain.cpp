// Quillbane.exe: the program window.

#include <windows.h>

#include "app/cleaner_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static CleanerApp app;
  return app.Run();
}
