// The text of a message of the project template with its placeholders
// filled in, as the program prints it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "entry/project_template.h"

namespace plrxl::testing {

// Text with "AdditionalInformation1" to "...3" replaced by infos.
inline std::string FillPlaceholders(std::string text, std::vector<std::string> infos) {
  infos.resize(3);
  for (int i = 0; i < 3; ++i) {
    const std::string placeholder = "AdditionalInformation" + std::to_string(i + 1);
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at)) {
      text.replace(at, placeholder.size(), infos[i]);
      at += infos[i].size();
    }
  }
  return text;
}

inline std::string Message(int number, std::vector<std::string> infos) {
  for (const MessageText& m : MessageTexts()) {
    if (m.number == number) return FillPlaceholders(m.text, std::move(infos));
  }
  return "<no message " + std::to_string(number) + ">";
}

}  // namespace plrxl::testing
