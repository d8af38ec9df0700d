#pragma once
// The console's test holds (app/test_hold.h): Ctrl+C ends a hold as well.

#include <string>

#include "app/test_hold.h"

// Creates the file and waits; nothing when `file` is "" or cannot be created.
void HoldForTest(const std::string& file);
