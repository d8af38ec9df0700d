#pragma once
// Test seam, off unless the environment names a hold file: at a moment a test
// must act in, the program creates that file and waits until the file is deleted
// (or the user stops the work: Ctrl+C, Abort, Close; ten minutes at most). Tests
// act when the file appears and never after a guessed time, so a loaded machine
// cannot make them miss it.
//   QUILLBANE_TEST_HOLD       a removal (clean, Remove Problems): after clean's
//                             scan, before it removes anything; with
//                             QUILLBANE_TEST_HOLD_AT=n, before its n-th item
//                             instead (counted from 0; the window holds only then)
//   QUILLBANE_TEST_SCAN_HOLD  scan (and clean's scan): once it filed its first problem

#include <functional>
#include <string>

// The hold file the variable names; "" when it is not set.
std::string TestHoldFile(const char* variable);
// QUILLBANE_TEST_HOLD_AT, -1 when it is not set.
int TestHoldItem();
// Creates the file and waits while it is there, one `waitStep` at a time (which
// waits a moment and returns false to end the hold early). Nothing when `file`
// is "" or cannot be created.
void HoldForTestWhile(const std::string& file, const std::function<bool()>& waitStep);
