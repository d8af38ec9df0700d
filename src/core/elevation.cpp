#include "core/elevation.h"

#include <windows.h>

namespace {

int g_nElevationForTest = -1;

}  // namespace

bool ProcessIsElevated() {
  if (g_nElevationForTest >= 0) return g_nElevationForTest != 0;
  HANDLE hToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken)) return false;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  const bool elevated = GetTokenInformation(hToken, TokenElevation, &elevation, sizeof(elevation),
                                            &size) &&
                        elevation.TokenIsElevated != 0;
  CloseHandle(hToken);
  return elevated;
}

void SetElevationForTest(int elevated) { g_nElevationForTest = elevated; }
