#pragma once
// The machine's drives, as the system lists them.

#include <string>
#include <vector>

// The roots of all logical drives ("C:\"), in the system's order.
std::vector<std::string> LogicalDriveRoots();
