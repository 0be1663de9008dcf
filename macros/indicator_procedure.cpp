// The one procedure behind all indicator macros: find the inputs, check
// them, call the host's indicator function and place the returned series.
#include <string>
#include <vector>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "macros/indicator_table.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

// Field words are looked up in upper case, as the fixed-field members write
// them; fnFindData matches them without regard to case.
std::string UpperAscii(std::string text) {
  for (char& ch : text) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return text;
}

}  // namespace

void Cfenmar::RunIndicator(const IndicatorMacro& indicator, MacroSlots& slots) {
  // The header is built first; a failure here is the class error that the
  // dispatcher reports.
  const std::string header =
      ComponentCall(std::string("Pelorin.Cfenmar.") + indicator.procedure, kCfenmarFailure, [&] {
        return BuildIndicatorHeader(indicator.header, std::vector<std::string>(slots.begin(), slots.end()));
      });

  // From here on any failure (an input that cannot be placed, a missing or
  // failing host function) ends the indicator silently: nothing is written
  // and the macro run goes on.
  try {
    const std::vector<IndicatorArgument> arguments = ParseIndicatorArguments(indicator.arguments);
    const IndicatorArgument input = ParseIndicatorArguments(indicator.input).at(0);

    // Data addresses, in the order the arguments first use them.
    std::vector<std::pair<std::string, std::string>> field_addresses;  // word -> address
    auto address_of = [&](const IndicatorArgument& arg) -> std::string {
      if (arg.kind == IndicatorArgument::kSlotRange) return slots[static_cast<size_t>(arg.slot - 1)];
      for (const auto& [word, address] : field_addresses) {
        if (word == arg.field) return address;
      }
      return "";
    };
    std::vector<int> slots_found;
    for (const IndicatorArgument& arg : arguments) {
      if (arg.kind == IndicatorArgument::kSlotRange) {
        bool seen = false;
        for (int s : slots_found) seen = seen || s == arg.slot;
        if (seen) continue;
        slots_found.push_back(arg.slot);
        std::string& slot = slots[static_cast<size_t>(arg.slot - 1)];
        slot = fnFindData(slot);
        if (OwnerObject().ErrorAddress(slot)) return;
      } else if (arg.kind == IndicatorArgument::kFieldRange) {
        if (!address_of(arg).empty()) continue;
        std::string word = UpperAscii(arg.field);
        const std::string address = fnFindData(word);
        if (OwnerObject().ErrorAddress(address)) return;
        field_addresses.emplace_back(arg.field, address);
      }
    }

    Worksheet& sheet = ActiveSheet();
    const int16_t direction = fnDataDirection();
    std::vector<Variant> args;
    args.reserve(arguments.size() + 1);
    args.emplace_back(indicator.function);
    for (const IndicatorArgument& arg : arguments) {
      switch (arg.kind) {
        case IndicatorArgument::kSlotRange:
        case IndicatorArgument::kFieldRange:
          args.push_back(RangeVariant(sheet.GetRange(address_of(arg))));
          break;
        case IndicatorArgument::kSlotText:
          args.emplace_back(slots[static_cast<size_t>(arg.slot - 1)]);
          break;
        case IndicatorArgument::kNumber:
          args.emplace_back(arg.number);
          break;
        case IndicatorArgument::kText:
          args.emplace_back(arg.text);
          break;
        case IndicatorArgument::kDirection:
          args.emplace_back(static_cast<int>(direction));
          break;
      }
    }
    const Variant result = App().Run(EntryPointName(indicator.entry), std::move(args));
    fnOutPutRange(address_of(input), slots[0], header, result);
  } catch (...) {
    // Silent by design: the dispatcher still reports "Ok" for this call.
  }
}

}  // namespace plrxl
