// The text of a message of the project template with its placeholders
// filled in, as the program prints it.
#pragma once

#include <string>
#include <vector>

#include "entry/project_template.h"

namespace plrxl::testing {

inline std::string Message(int number, std::vector<std::string> infos) {
  for (const MessageText& m : MessageTexts()) {
    if (m.number != number) continue;
    std::string text = m.text;
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
  return "<no message " + std::to_string(number) + ">";
}

}  // namespace plrxl::testing
