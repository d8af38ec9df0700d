#include "core/elevation.h"

#include <windows.h>

#include "core/handles.h"

namespace {

int g_nElevationForTest = -1;

}  // namespace

bool ProcessIsElevated() {
  if (g_nElevationForTest >= 0) return g_nElevationForTest != 0;
  HANDLE hToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken)) return false;
  const KernelHandle token(hToken);
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
         elevation.TokenIsElevated != 0;
}

void SetElevationForTest(int elevated) { g_nElevationForTest = elevated; }
