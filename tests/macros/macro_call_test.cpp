// The macro text language: splitting into calls and reading each call.
#include "macros/macro_call.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/error.h"

namespace plrxl {
namespace {

struct SplitCase {
  std::string text;
  std::vector<std::string> calls;
};

TEST(SplitMacroText, CutsAtSemicolonsAfterDroppingLineBreaks) {
  const SplitCase cases[] = {
      {"", {}},
      {";", {"", ""}},
      {";;", {"", "", ""}},
      {"a;;b", {"a", "", "b"}},
      {"wilderrsi(H2,close,14);mvavgsimple(I2,close,20);createsummary",
       {"wilderrsi(H2,close,14)", "mvavgsimple(I2,close,20)", "createsummary"}},
      {"mvavg\r\nsimple(I2,\nclose,20)", {"mvavgsimple(I2,close,20)"}},
      {"\r\n", {}},
      {" a ; b ", {" a ", " b "}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitMacroText(c.text), c.calls) << "text: " << c.text;
  }
}

struct ParseCase {
  std::string text;
  std::string name;
  int count;
  std::vector<std::string> slots;  // the first slots expected; the rest empty
};

TEST(ParseMacroCall, ReadsNameAndParametersAsWritten) {
  const ParseCase cases[] = {
      {"mymacro", "mymacro", 0, {}},
      {"mymacro()", "mymacro", 0, {}},
      {"WilderRSI(H2,close,14)", "WilderRSI", 3, {"H2", "close", "14"}},
      {" WilderRSI(H2,close,14)", " WilderRSI", 3, {"H2", "close", "14"}},
      // A "(" in first position belongs to the name.
      {"(abc)", "(abc)", 0, {}},
      // The last character is dropped unread, whatever it is.
      {"mymacro(a,b", "mymacro", 2, {"a", ""}},
      {"mymacro(a,b]", "mymacro", 2, {"a", "b"}},
      {"mymacro(a,,c)", "mymacro", 3, {"a", "", "c"}},
      {"mymacro(,)", "mymacro", 2, {"", ""}},
      // '' stands for a double quote, and double quotes are removed.
      {"mymacro(''a,b'')", "mymacro", 2, {"a", "b"}},
      {"mymacro(\"a,b\")", "mymacro", 2, {"a", "b"}},
      {"mymacro(it's)", "mymacro", 1, {"it's"}},
      {"mymacro(''')", "mymacro", 1, {"'"}},
      {"mymacro( a , b )", "mymacro", 2, {" a ", " b "}},
      {"m(a)(b)", "m", 1, {"a)(b"}},
      {"m(x", "m", 0, {}},
      {"m(xy", "m", 1, {"x"}},
  };
  for (const ParseCase& c : cases) {
    MacroCall call;
    call.ParameterSlot.fill("stale");
    ParseMacroCall(c.text, call);
    EXPECT_EQ(call.name, c.name) << c.text;
    EXPECT_EQ(call.count, c.count) << c.text;
    for (int i = 1; i <= kMacroSlots; ++i) {
      const std::string expected = i <= static_cast<int>(c.slots.size()) ? c.slots[static_cast<size_t>(i - 1)] : "";
      EXPECT_EQ(call.Slot(i), expected) << c.text << " slot " << i;
    }
  }
}

TEST(ParseMacroCall, OpenParenthesisLastFailsAfterReadingTheName) {
  MacroCall call;
  try {
    ParseMacroCall("mymacro(", call);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrInvalidCall);
    EXPECT_EQ(call.name, "mymacro");
  }
}

TEST(ParseMacroCall, CountsPastTwentyButStoresTwenty) {
  std::string text = "m(";
  for (int i = 1; i <= 25; ++i) text += (i > 1 ? "," : "") + std::to_string(i);
  text += ")";
  MacroCall call;
  ParseMacroCall(text, call);
  EXPECT_EQ(call.count, 25);
  EXPECT_EQ(call.Slot(1), "1");
  EXPECT_EQ(call.Slot(20), "20");
}

TEST(ParseMacroCall, MoreThan32767ParametersOverflow) {
  const std::string text = "m(" + std::string(32767, ',') + ")";  // 32768 pieces
  MacroCall call;
  try {
    ParseMacroCall(text, call);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrOverflow);
  }
}

TEST(LowerAscii, LowersOnlyAsciiLetters) {
  EXPECT_EQ(LowerAscii("WilderRSI"), "wilderrsi");
  EXPECT_EQ(LowerAscii(" A-Z\xC3\x84"), " a-z\xC3\x84");
}

}  // namespace
}  // namespace plrxl
