#pragma once
// The texts of the hyperlink label: pure code.

#include <string>

// "Unable to open hyperlink:\n\n" and the text for the shell's error code.
std::string HyperlinkErrorText(int code);

// The command that opens `target` with the ".htm" handler whose registered command
// is `command`: cut at the first "\"%1\"" (else at the first "%1"), then a blank and
// the target (quoted when it holds blanks).
std::string HtmHandlerCommand(const std::string& command, const std::string& target);
