#pragma once
// Comma-separated numbers as a user types them on the command line ("1, 3,4").

#include <string>
#include <vector>

struct ListedNumber {
  std::string text;  // the item with its blanks trimmed, for messages
  int value;         // -1 when the item is not 1 to maxDigits decimal digits
};

// The items in the order given; an empty text gives none.
std::vector<ListedNumber> ParseNumberList(const std::string& text, size_t maxDigits);
