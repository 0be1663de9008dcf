// CPelorin's messages: stop messages, yes/no questions and the row status
// line. Every text comes from the project workbook: message n is the text of
// "Parameters" cell "E" + n.
#include <cmath>

#include "entry/internal/object_ref.h"
#include "entry/internal/text.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "support/clock.h"

namespace plrxl {

namespace {

std::string FillIn(std::string message, const std::string& info1, const std::string& info2 = "",
                   const std::string& info3 = "") {
  message = text::ReplaceAll(std::move(message), "AdditionalInformation1", info1);
  message = text::ReplaceAll(std::move(message), "AdditionalInformation2", info2);
  return text::ReplaceAll(std::move(message), "AdditionalInformation3", info3);
}

std::string MessageCell(int16_t number) { return "E" + std::to_string(number); }

}  // namespace

bool CPelorin::myBreak(int16_t Id, const std::string& AdditionalInformation1,
                       const std::string& AdditionalInformation2, const std::string& AdditionalInformation3) {
  Procedure proc(context_, "Pelorin.CPelorin.myBreak");
  context_.BreakShown = true;
  std::string message;
  proc.Do([&] { message = FillIn(TWP(MessageCell(Id)), AdditionalInformation1, AdditionalInformation2,
                                 AdditionalInformation3); });
  proc.Do([&] { Ui().MsgBox(message, MsgButtons::kOk, MsgIcon::kExclamation, kMessageTitle); });
  return false;
}

std::string CPelorin::ContinueExecution(int16_t myQuestion, const std::string& AdditionalInformation1) {
  Procedure proc(context_, "Pelorin.CPelorin.ContinueExecution");
  std::string answer;
  std::string message;
  proc.Do([&] { message = FillIn(TWP(MessageCell(myQuestion)), AdditionalInformation1); });
  // An empty title leaves the box the platform's own title.
  proc.Do([&] {
    answer = Ui().MsgBox(message, MsgButtons::kYesNo, MsgIcon::kNone, "") == MsgResult::kNo ? "False" : "True";
  });
  return answer;
}

Variant CPelorin::myTwoDigits(int16_t myDigit) {
  Procedure proc(context_, "Pelorin.CPelorin.myTwoDigits");
  Variant result;
  proc.Do([&] {
    if (myDigit >= 10) {
      result = Variant(static_cast<int>(myDigit));
    } else {
      result = Variant("0" + std::to_string(myDigit));
    }
  });
  return result;
}

Variant CPelorin::WriteLastStatusMsg(int16_t myMsgN, int16_t myRow, Worksheet* mySettings,
                                     const std::optional<Variant>& MyMessage, bool IsError, bool IsMacroMessage) {
  Procedure proc(context_, "Pelorin.CPelorin.WriteLastStatusMsg");
  std::string stamp;
  proc.Do([&] {
    static const SystemClock machine_clock;
    const Clock& clock = context_.clock != nullptr ? *context_.clock : static_cast<const Clock&>(machine_clock);
    const double now = clock.Now();
    int hour = 0, minute = 0, second = 0;
    SplitTime(now, &hour, &minute, &second);
    const RegionalSettings rs;
    // The date comes first, in the host's own date form, so a status read
    // days later still says when it was written.
    stamp = DateToText(std::floor(now), App().Regional()) + " " +
            ToText(myTwoDigits(static_cast<int16_t>(hour)), rs) + ":" +
            ToText(myTwoDigits(static_cast<int16_t>(minute)), rs) + ":" +
            ToText(myTwoDigits(static_cast<int16_t>(second)), rs);
  });
  if (!MyMessage.has_value()) {
    proc.Do([&] { context_.LastDownloadText += " " + TWP(MessageCell(myMsgN)); });
  } else if (MyMessage->IsText() && MyMessage->Text() == "WriteDownTheStatus") {
    proc.Do([&] {
      Worksheet& settings = Ref(mySettings);
      const Range anchor = Anchor(settings.Parent());
      const Range status = settings.Cells(myRow, ToInt16(static_cast<long long>(anchor.Column()) + kStatus - 1));
      status.SetValue(Variant(stamp + " " + context_.LastDownloadText));
      status.SetFontColorIndex(context_.LastDownloadFailed ? 3 : 0);
      context_.LastDownloadText.clear();
      context_.LastDownloadFailed = false;
    });
  } else {
    proc.Do([&] {
      const std::string message = ToText(*MyMessage, App().Regional());
      context_.LastDownloadText += (IsMacroMessage ? " " : ": ") + message + ".";
    });
  }
  proc.Do([&] {
    if (IsError) context_.LastDownloadFailed = true;
  });
  return Variant();
}

}  // namespace plrxl
