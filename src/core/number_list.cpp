#include "core/number_list.h"

#include <sstream>

std::vector<ListedNumber> ParseNumberList(const std::string& text, size_t maxDigits) {
  std::vector<ListedNumber> numbers;
  std::stringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    const size_t first = item.find_first_not_of(" \t");
    const size_t last = item.find_last_not_of(" \t");
    item = first == std::string::npos ? "" : item.substr(first, last - first + 1);
    const bool digits = !item.empty() && item.size() <= maxDigits &&
                        item.find_first_not_of("0123456789") == std::string::npos;
    numbers.push_back({item, digits ? std::stoi(item) : -1});
  }
  return numbers;
}
