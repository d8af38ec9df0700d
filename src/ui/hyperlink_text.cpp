#include "ui/hyperlink_text.h"

std::string HyperlinkErrorText(int code) {
  std::string text;
  switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case 2: text = "The specified file was not found."; break;
    case 3: text = "The specified path was not found."; break;
    case 5: text = "The operating system denied\naccess to the specified file."; break;
    case 8: text = "There was not enough memory to complete the operation."; break;
    case 11: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case 26: text = "A sharing violation occurred. "; break;
    case 27: text = "The filename association is\nincomplete or invalid."; break;
    case 28: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case 29: text = "The DDE transaction failed."; break;
    case 30:
      text = "The DDE transaction could not\nbe completed because other DDE transactions\n"
             "were being processed.";
      break;
    case 31: text = "There is no application associated\nwith the given filename extension."; break;
    case 32: text = "The specified dynamic-link library was not found."; break;
    default: text = "Unknown Error (" + std::to_string(code) + ") occurred."; break;
  }
  return "Unable to open hyperlink:\n\n" + text;
}

std::string HtmHandlerCommand(const std::string& command, const std::string& target) {
  std::string program = command;
  size_t cut = program.find("\"%1\"");
  if (cut == std::string::npos) cut = program.find("%1");
  if (cut != std::string::npos) program.erase(cut);
  // The placeholder's quotes went with the cut: a target with blanks would otherwise
  // reach the handler as several arguments.
  const bool needsQuotes = target.find_first_of(" \t") != std::string::npos && target[0] != '"';
  return program + " " + (needsQuotes ? "\"" + target + "\"" : target);
}
