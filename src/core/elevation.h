#pragma once
// Whether this process runs with an administrator's full rights. A standard user,
// or an administrator's program started without elevation, may read machine-wide
// keys but not open them with the full access the scanners ask for.

// True when the process token is elevated (or UAC does not split tokens and the
// user is an administrator).
bool ProcessIsElevated();

// Tests stand in for either answer (Wine's processes are always elevated):
// 1 elevated, 0 not, -1 the system's answer again.
void SetElevationForTest(int elevated);
