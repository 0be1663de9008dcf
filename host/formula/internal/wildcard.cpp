#include "host/formula/internal/wildcard.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace plrxl::formula {

namespace {

bool IsLeadByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

using CharItem = WildcardPattern::Item;

std::vector<CharItem> CharItems(const std::string& pattern) {
  std::vector<CharItem> items;
  for (size_t i = 0; i < pattern.size();) {
    bool literal = false;
    if (pattern[i] == '~' && i + 1 < pattern.size()) ++i, literal = true;
    size_t end = i + 1;
    while (end < pattern.size() && !IsLeadByte(pattern[end])) ++end;
    const std::string c = pattern.substr(i, end - i);
    if (!literal && c == "?") items.push_back({CharItem::kAnyOne, ""});
    else if (!literal && c == "*") items.push_back({CharItem::kAnyRun, ""});
    else items.push_back({CharItem::kLiteral, c});
    i = end;
  }
  return items;
}

bool SameChar(const std::string& a, const char* b, size_t b_size) {
  if (a.size() != b_size) return false;
  for (size_t i = 0; i < b_size; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

WildcardPattern::WildcardPattern(const std::string& pattern) : items_(CharItems(pattern)) {}

bool WildcardPattern::Matches(const std::string& text) const {
  const std::vector<CharItem>& items = items_;
  auto char_end = [&](size_t at) {
    size_t end = at + 1;
    while (end < text.size() && !IsLeadByte(text[end])) ++end;
    return end;
  };
  // Greedy matching with one backtrack point for the last star.
  size_t p = 0, t = 0, star = std::string::npos, mark = 0;
  while (t < text.size()) {
    const size_t end = char_end(t);
    const bool one = p < items.size() && (items[p].kind == CharItem::kAnyOne ||
                                          (items[p].kind == CharItem::kLiteral &&
                                           SameChar(items[p].text, text.data() + t, end - t)));
    if (one) {
      ++p, t = end;
    } else if (p < items.size() && items[p].kind == CharItem::kAnyRun) {
      star = p++;
      mark = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = mark = char_end(mark);
    } else {
      return false;
    }
  }
  while (p < items.size() && items[p].kind == CharItem::kAnyRun) ++p;
  return p == items.size();
}

// The pattern is run backwards over the text from its end, as an automaton
// whose state is how many items (from the pattern's end) are matched so
// far. A match may end at any character, so every step also starts afresh;
// when all items are matched after reading character k, a match begins at
// k. The last such k read is the first in the text.
size_t WildcardFind(const std::string& pattern, const std::string& text, size_t from) {
  std::vector<CharItem> items = CharItems(pattern);
  std::reverse(items.begin(), items.end());
  const size_t m = items.size();
  // Adds the states a run of "*" lets the automaton skip to.
  auto close = [&](std::vector<char>& states) {
    for (size_t i = 0; i < m; ++i) {
      if (states[i] && items[i].kind == CharItem::kAnyRun) states[i + 1] = 1;
    }
  };
  std::vector<char> fresh(m + 1, 0);
  fresh[0] = 1;
  close(fresh);
  while (from < text.size() && !IsLeadByte(text[from])) ++from;
  if (fresh[m]) return from;  // the pattern matches nothing at all
  std::vector<char> states(m + 1, 0), next(m + 1, 0);
  size_t found = std::string::npos;
  for (size_t end = text.size(); end > from;) {
    size_t begin = end - 1;
    while (begin > from && !IsLeadByte(text[begin])) --begin;
    for (size_t i = 0; i <= m; ++i) states[i] = states[i] || fresh[i];
    std::fill(next.begin(), next.end(), 0);
    for (size_t i = 0; i < m; ++i) {
      if (!states[i]) continue;
      switch (items[i].kind) {
        case CharItem::kAnyRun: next[i] = 1; break;
        case CharItem::kAnyOne: next[i + 1] = 1; break;
        case CharItem::kLiteral:
          if (SameChar(items[i].text, text.data() + begin, end - begin)) next[i + 1] = 1;
          break;
      }
    }
    close(next);
    states.swap(next);
    if (states[m]) found = begin;
    end = begin;
  }
  return found;
}

}  // namespace plrxl::formula
