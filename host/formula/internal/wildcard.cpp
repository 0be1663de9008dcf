#include "host/formula/internal/wildcard.h"

#include <cctype>
#include <vector>

namespace plrxl::formula {

bool WildcardMatch(const std::string& pattern, const std::string& text) {
  struct Item {
    char c;
    int kind;  // 0 literal, 1 '?', 2 '*'
  };
  std::vector<Item> items;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '~' && i + 1 < pattern.size()) items.push_back({pattern[++i], 0});
    else if (pattern[i] == '?') items.push_back({0, 1});
    else if (pattern[i] == '*') items.push_back({0, 2});
    else items.push_back({pattern[i], 0});
  }
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  // Greedy matching with one backtrack point for the last star.
  size_t p = 0, t = 0, star = std::string::npos, mark = 0;
  while (t < text.size()) {
    if (p < items.size() && (items[p].kind == 1 || (items[p].kind == 0 && same(items[p].c, text[t])))) {
      ++p, ++t;
    } else if (p < items.size() && items[p].kind == 2) {
      star = p++;
      mark = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < items.size() && items[p].kind == 2) ++p;
  return p == items.size();
}

}  // namespace plrxl::formula
