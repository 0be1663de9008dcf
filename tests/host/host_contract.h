// The guarantees every SpreadsheetHost gives its callers, written once.
// Each host's test program instantiates the suite with a factory:
//
//   struct MyHostFactory {
//     static std::unique_ptr<SpreadsheetHost> Make(const RegionalSettings& rs);
//     static HostTraits Traits();
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(MyHost, HostContract, ::testing::Types<MyHostFactory>);
//
// HostTraits names the ways a host differs on purpose; the cases check the
// host's own behaviour there.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/spreadsheet_host.h"

namespace plrxl::contract {

struct HostTraits {
  // Formulas are computed by the host: the value given with a formula is
  // not kept.
  bool computes_formulas = false;
  // A number's kind follows its cell's number format (a number under a date
  // format reads back as a date), as in a file.
  bool kind_follows_format = false;
  // Charts can be added and read.
  bool draws_charts = true;
  // Formulas follow the cells they refer to when cells are inserted or
  // deleted.
  bool adjusts_references = false;
  // Panes can be frozen (a hidden document of a headless office has no
  // window to freeze them in).
  bool freezes_panes = true;
};

inline RegionalSettings Pinned() {
  RegionalSettings rs;
  rs.short_date = "dd.mm.yyyy";
  rs.time_format = "hh:mm:ss";
  rs.decimal_symbol = '.';
  return rs;
}

template <typename Factory>
class HostContract : public ::testing::Test {
 protected:
  void SetUp() override {
    // A factory gives null when its host cannot exist here (no office
    // installed, for one); it says why.
    host = Factory::Make(Pinned());
    if (host == nullptr) GTEST_SKIP() << "this host is not available here";
    book = &host->AddWorkbook();
    sheet = book->ActiveSheet();
    ASSERT_NE(sheet, nullptr);
  }
  Range At(const std::string& a1) { return sheet->GetRange(a1); }
  int ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const Error& e) {
      return e.Number();
    }
    return 0;
  }

  std::unique_ptr<SpreadsheetHost> host;
  Workbook* book = nullptr;
  Worksheet* sheet = nullptr;
};

TYPED_TEST_SUITE_P(HostContract);

TYPED_TEST_P(HostContract, NeverWrittenCellIsEmptyNotEmptyText) {
  EXPECT_TRUE(this->At("C7").Value().IsEmpty());
  EXPECT_TRUE(this->sheet->IsCellEmpty(7, 3));
  this->At("C7").SetValue("");
  EXPECT_TRUE(this->At("C7").Value().IsText());
  EXPECT_FALSE(this->sheet->IsCellEmpty(7, 3));
  this->At("C7").ClearContents();
  EXPECT_TRUE(this->At("C7").Value().IsEmpty());
}

TYPED_TEST_P(HostContract, ValuesKeepTheirKind) {
  const Variant values[] = {Variant(1.5), Variant::Date(37544.5), Variant("text"), Variant(true),
                            Variant(CellError::kNA), Variant(-0.0), Variant(std::string(300, 'x'))};
  int row = 1;
  for (const Variant& v : values) {
    this->sheet->Cells(row, 2).SetValue(v);
    EXPECT_EQ(this->sheet->Cells(row, 2).Value(), v) << row;
    ++row;
  }
}

TYPED_TEST_P(HostContract, MissingSheetIsSubscriptErrorAndBadRangeIs1004) {
  EXPECT_EQ(this->ErrorOf([&] { this->book->Worksheets("Nowhere"); }), 9);
  EXPECT_EQ(this->ErrorOf([&] { this->book->WorksheetAt(2); }), 9);
  EXPECT_EQ(this->ErrorOf([&] { this->host->WorkbookAt(5); }), 9);
  for (const char* bad : {"Nowhere!A1", "'Nowhere'!A1", "A0", "IW1", "A65537", "", "NoSuchName", "1:", "A1:"})
    EXPECT_EQ(this->ErrorOf([&] { this->host->ResolveRange(bad); }), 1004) << bad;
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->GetRange("B2:"); }), 1004);
}

TYPED_TEST_P(HostContract, BeyondTheGridRaises1004) {
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->Cells(65537, 1); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->Cells(1, 257); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->Cells(0, 1); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->At("A65536").Offset(1, 0); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->At("IV1").Resize(1, 2); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->CellValue(65537, 1); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->SetCellValue(1, 300, 1.0); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->At("A2:A3").CopyTo(this->At("A65536")); }), 1004);
  EXPECT_EQ(this->At("IV65536").Address(), "$IV$65536");
}

struct EndCase {
  const char* from;
  Direction direction;
  const char* expected;
};

TYPED_TEST_P(HostContract, EndMovesLikeCtrlArrow) {
  // Column B: B2:B4 filled, B5 empty, B6:B7 filled, nothing below.
  // Row 10: C10:E10 filled, G10 filled.
  for (const char* a : {"B2", "B3", "B4", "B6", "B7", "C10", "D10", "E10", "G10"}) this->At(a).SetValue(1);
  const EndCase cases[] = {
      {"B2", Direction::kDown, "$B$4"},     {"B3", Direction::kDown, "$B$4"},
      {"B4", Direction::kDown, "$B$6"},     {"B5", Direction::kDown, "$B$6"},
      {"B6", Direction::kDown, "$B$7"},     {"B7", Direction::kDown, "$B$65536"},
      {"B8", Direction::kDown, "$B$65536"}, {"B1", Direction::kDown, "$B$2"},
      {"B65536", Direction::kDown, "$B$65536"}, {"A1", Direction::kDown, "$A$65536"},
      {"B7", Direction::kUp, "$B$6"},       {"B6", Direction::kUp, "$B$4"},
      {"B4", Direction::kUp, "$B$2"},       {"B2", Direction::kUp, "$B$1"},
      {"B1", Direction::kUp, "$B$1"},       {"B100", Direction::kUp, "$B$7"},
      {"A10", Direction::kToRight, "$C$10"}, {"C10", Direction::kToRight, "$E$10"},
      {"E10", Direction::kToRight, "$G$10"}, {"G10", Direction::kToRight, "$IV$10"},
      {"G10", Direction::kToLeft, "$E$10"},  {"E10", Direction::kToLeft, "$C$10"},
      {"C10", Direction::kToLeft, "$A$10"},  {"IV10", Direction::kToLeft, "$G$10"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(this->At(c.from).End(c.direction).Address(), c.expected)
        << c.from << " direction " << static_cast<int>(c.direction);
}

TYPED_TEST_P(HostContract, EndCountsFormulasAndEmptyTextsAsFilled) {
  this->sheet->SetCellFormula(1, 1, "=\"\"", Variant(""));
  this->At("A2").SetValue("");
  EXPECT_EQ(this->At("A1").End(Direction::kDown).Address(), "$A$2");
}

TYPED_TEST_P(HostContract, NamesCompareCaseInsensitively) {
  EXPECT_EQ(this->book->FindWorksheet("SHEET1"), this->sheet);
  EXPECT_EQ(&this->book->Worksheets("sheet1"), this->sheet);
  EXPECT_EQ(this->host->FindWorkbook("BOOK1"), this->book);
  Worksheet& second = this->book->AddWorksheet();
  EXPECT_EQ(second.Name(), "Sheet2");
  EXPECT_EQ(this->ErrorOf([&] { second.SetName("sheet1"); }), 1004);
  for (const char* bad : {"", "a:b", "a/b", "a\\b", "a?b", "a*b", "a[b", "a]b", "12345678901234567890123456789012"})
    EXPECT_EQ(this->ErrorOf([&] { second.SetName(bad); }), 1004) << bad;
  second.SetName("Data 'AAPL'x");
  EXPECT_EQ(this->book->FindWorksheet("DATA 'aapl'X"), &second);
  second.SetName("SHEET2");  // a change of case of its own name is allowed
  EXPECT_EQ(second.Name(), "SHEET2");
}

TYPED_TEST_P(HostContract, ApplicationSwitchesRestore) {
  const bool saved = this->host->ScreenUpdating();
  this->host->SetScreenUpdating(false);
  EXPECT_FALSE(this->host->ScreenUpdating());
  this->host->SetScreenUpdating(saved);
  EXPECT_EQ(this->host->ScreenUpdating(), saved);
  this->host->SetDisplayAlerts(false);
  EXPECT_FALSE(this->host->DisplayAlerts());
  this->host->SetStatusBar("Downloading AAPL");
  EXPECT_EQ(this->host->StatusBar(), "Downloading AAPL");
  this->host->SetStatusBar("");
  EXPECT_EQ(this->host->StatusBar(), "");
  this->host->EndCopyMode();
  int events = 0;
  this->host->SetDoEventsHook([&] { ++events; });
  this->host->DoEvents();
  this->host->DoEvents();
  EXPECT_EQ(events, 2);
}

TYPED_TEST_P(HostContract, RunPassesArgumentsInOrderAndReturnsTheValue) {
  std::vector<Variant> seen;
  this->host->RegisterFunction("MyFormula", [&](SpreadsheetHost&, std::vector<Variant>& args) {
    seen = args;
    return Variant(args.size() * 10.0);
  });
  EXPECT_TRUE(this->host->HasFunction("myformula"));
  const Variant result = this->host->Run("MYFORMULA", {Variant(1), Variant("two"), Variant(true)});
  EXPECT_EQ(result, Variant(30.0));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], Variant(1));
  EXPECT_EQ(seen[1], Variant("two"));
  EXPECT_EQ(seen[2], Variant(true));
  EXPECT_EQ(this->host->Run("'Project.xlsm'!MyFormula", {}), Variant(0.0));

  std::vector<Variant> thirty(30, Variant(1));
  EXPECT_EQ(this->host->Run("MyFormula", thirty), Variant(300.0));
  std::vector<Variant> too_many(31, Variant(1));
  EXPECT_NE(this->ErrorOf([&] { this->host->Run("MyFormula", too_many); }), 0);
}

TYPED_TEST_P(HostContract, RunOfAMissingFunctionRaises1004WithTheMacroText) {
  try {
    this->host->Run("NoSuchMacro", {});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1004);
    EXPECT_EQ(e.Description(), "The macro 'NoSuchMacro' cannot be found.");
  }
}

struct FormatCase {
  Variant value;
  const char* format;
  const char* text;
};

TYPED_TEST_P(HostContract, NumberFormatsDriveTheDisplayedText) {
  const FormatCase cases[] = {
      {Variant(37544.0), "dd.mm.yyyy", "15.10.2002"}, {Variant::Date(37544), "mm/dd/yy", "10/15/02"},
      {Variant(1234.5), "#,##0.00", "1,234.50"},     {Variant(0.125), "0%", "13%"},
      {Variant(3.14159), "0.00", "3.14"},             {Variant(2.5), "General", "2.5"},
      {Variant("abc"), "@", "abc"},                   {Variant(0.75), "hh:mm:ss", "18:00:00"},
  };
  int row = 1;
  for (const auto& c : cases) {
    Range cell = this->sheet->Cells(row++, 1);
    cell.SetValue(c.value);
    cell.SetNumberFormat(c.format);
    EXPECT_EQ(cell.NumberFormat(), c.format);
    EXPECT_EQ(cell.Text(), c.text) << c.format;
    // A format never changes the value; where the kind follows the format,
    // a number under a date or time format (one with d, m, y or h) is a date.
    Variant expected = c.value;
    if (TypeParam::Traits().kind_follows_format && c.value.IsNumber() &&
        std::string(c.format).find_first_of("dmyh") != std::string::npos)
      expected = Variant::Date(c.value.Number());
    EXPECT_EQ(cell.Value(), expected) << c.format;
  }
  EXPECT_EQ(this->At("Z1").NumberFormat(), "General");
}

TYPED_TEST_P(HostContract, FontColorIndexThreeIsRedZeroIsAutomatic) {
  Range r = this->At("B2:C3");
  EXPECT_EQ(r.FontColorIndex(), 0);
  r.SetFontColorIndex(3);
  EXPECT_EQ(r.FontColorIndex(), 3);
  EXPECT_EQ(this->At("C3").Style().font_color, 0xFF0000u);
  r.SetFontColorIndex(0);
  EXPECT_EQ(this->At("C3").Style().font_color, kAutomatic);
  EXPECT_EQ(this->At("C3").FontColorIndex(), 0);
  EXPECT_EQ(this->ErrorOf([&] { r.SetFontColorIndex(57); }), 1004);
  r.SetFontBold(true);
  EXPECT_TRUE(this->At("B2").FontBold());
  EXPECT_FALSE(this->At("B4").FontBold());
}

struct AddressCase {
  const char* text;
  const char* sheet;  // expected sheet name
  const char* address;
};

TYPED_TEST_P(HostContract, ResolveRangeTakesA1WithAndWithoutDollarsAndSheetNames) {
  Worksheet& other = this->book->AddWorksheet();
  other.SetName("My Data");
  this->sheet->Activate();
  const AddressCase cases[] = {
      {"B3", "Sheet1", "$B$3"},
      {"$B$3", "Sheet1", "$B$3"},
      {"b$3:$c4", "Sheet1", "$B$3:$C$4"},
      {"Sheet1!A1", "Sheet1", "$A$1"},
      {"sheet1!$A$1:$B$2", "Sheet1", "$A$1:$B$2"},
      {"'My Data'!C5", "My Data", "$C$5"},
      {"'my data'!$C$5:$D$9", "My Data", "$C$5:$D$9"},
      {"'My Data'!A:K", "My Data", "$A:$K"},
      {"A:A", "Sheet1", "$A:$A"},
      {"3:5", "Sheet1", "$3:$5"},
      {"=Sheet1!R2C3", "Sheet1", "$C$2"},
      {"'My Data'!R1C1:R3C2", "My Data", "$A$1:$B$3"},
  };
  for (const auto& c : cases) {
    Range r = this->host->ResolveRange(c.text);
    EXPECT_EQ(r.Sheet().Name(), c.sheet) << c.text;
    EXPECT_EQ(r.Address(), c.address) << c.text;
  }
  EXPECT_EQ(this->At("B3:C4").Address(false), "B3:C4");
  EXPECT_EQ(other.GetRange("A1:B3").ExternalR1C1(), "'My Data'!R1C1:R3C2");
}

TYPED_TEST_P(HostContract, DefinedNamesFromR1C1AndA1ReplaceAndResolve) {
  Worksheet& settings = this->book->AddWorksheet();
  settings.SetName("PelorinXL Settings");
  this->book->AddName("TickerTable", "='PelorinXL Settings'!R2C1");
  this->book->AddName("Other", "=Sheet1!$B$2:$C$4");
  EXPECT_EQ(this->book->NameCount(), 2);
  EXPECT_EQ(this->book->NameAt(1).name, "Other");  // listed alphabetically
  Range r = this->book->NameRange("tickertable");
  EXPECT_EQ(&r.Sheet(), &settings);
  EXPECT_EQ(r.Address(), "$A$2");
  this->book->AddName("TICKERTABLE", "='PelorinXL Settings'!R5C2");  // replaces
  EXPECT_EQ(this->book->NameCount(), 2);
  EXPECT_EQ(this->book->NameRange("TickerTable").Address(), "$B$5");
  EXPECT_EQ(this->host->ResolveRange("Other").Address(), "$B$2:$C$4");
  EXPECT_EQ(this->sheet->GetRange("Other").Address(), "$B$2:$C$4");
  this->book->DeleteName("other");
  EXPECT_EQ(this->book->FindName("Other"), nullptr);
  EXPECT_EQ(this->ErrorOf([&] { this->book->NameRange("Other"); }), 1004);
  this->book->AddName("Broken", "='Gone Sheet'!R1C1");
  EXPECT_EQ(this->ErrorOf([&] { this->book->NameRange("Broken"); }), 1004);
  EXPECT_EQ(this->ErrorOf([&] { this->book->DeleteName("Nope"); }), 9);
}

TYPED_TEST_P(HostContract, RectangleValuesAreOneBasedArrays) {
  Range r = this->At("B2:D3");
  r.SetValue(Variant::Array2D(2, 3, {1, 2, 3, "a", "b", Variant()}));
  const Variant v = r.Value();
  ASSERT_TRUE(v.IsArray());
  const VariantArray& a = v.Array();
  EXPECT_EQ(a.LBound(1), 1);
  EXPECT_EQ(a.UBound(1), 2);
  EXPECT_EQ(a.LBound(2), 1);
  EXPECT_EQ(a.UBound(2), 3);
  EXPECT_EQ(a.At(1, 3), Variant(3));
  EXPECT_EQ(a.At(2, 1), Variant("a"));
  EXPECT_TRUE(a.At(2, 3).IsEmpty());
  this->At("F1:F3").SetValue(7);
  EXPECT_EQ(this->At("F3").Value(), Variant(7));
  this->At("A10:D10").SetValue(Variant::Array1D({1, 2, 3}));
  EXPECT_EQ(this->At("C10").Value(), Variant(3));
  EXPECT_EQ(this->At("D10").Value(), Variant(CellError::kNA));
}

TYPED_TEST_P(HostContract, CellsOffsetResizeAreRelativeToTheTopLeft) {
  Range r = this->At("C5:E9");
  EXPECT_EQ(r.Row(), 5);
  EXPECT_EQ(r.Column(), 3);
  EXPECT_EQ(r.Count(), 15);
  EXPECT_EQ(r.Cells(1, 1).Address(), "$C$5");
  EXPECT_EQ(r.Cells(2, 3).Address(), "$E$6");
  EXPECT_EQ(r.Cells(10, 1).Address(), "$C$14");
  EXPECT_EQ(r.Offset(-1, 2).Address(), "$E$4:$G$8");
  EXPECT_EQ(r.Resize(1, 1).Address(), "$C$5");
  EXPECT_EQ(r.EntireColumn().Address(), "$C:$E");
  EXPECT_EQ(r.EntireRow().Address(), "$5:$9");
}

TYPED_TEST_P(HostContract, InsertAndDeleteShiftCellsWithinTheColumns) {
  for (int row = 1; row <= 5; ++row) {
    this->sheet->Cells(row, 1).SetValue(row);
    this->sheet->Cells(row, 2).SetValue(row * 10);
  }
  this->At("A3").SetFontBold(true);
  this->sheet->SetCellFormula(4, 1, "=A3+1", Variant(4));
  this->At("A2:A3").InsertShiftDown();
  const Variant expected_a[] = {1, Variant(), Variant(), 2, 3, 4, 5};
  for (int row = 1; row <= 7; ++row) EXPECT_EQ(this->sheet->Cells(row, 1).Value(), expected_a[row - 1]) << row;
  EXPECT_TRUE(this->At("A5").FontBold());
  EXPECT_EQ(this->sheet->CellFormula(6, 1), TypeParam::Traits().adjusts_references ? "=A5+1" : "=A3+1");
  EXPECT_EQ(this->At("B2").Value(), Variant(20)) << "other columns stay";
  this->At("A2:A3").DeleteShiftUp();
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(this->sheet->Cells(row, 1).Value(), Variant(row)) << row;
  EXPECT_TRUE(this->At("A6").Value().IsEmpty());
  EXPECT_EQ(this->sheet->CellFormula(4, 1), "=A3+1");
  EXPECT_TRUE(this->At("A3").FontBold());
  // Cells pushed past the last row are lost.
  this->At("C65535").SetValue("bottom");
  this->At("C1").InsertShiftDown();
  EXPECT_EQ(this->At("C65536").Value(), Variant("bottom"));
  this->At("C1:C2").InsertShiftDown();
  EXPECT_TRUE(this->At("C65536").Value().IsEmpty());
}

TYPED_TEST_P(HostContract, ShiftsKeepLongColumnsInOrder) {
  for (int row = 1; row <= 3000; ++row) this->sheet->Cells(row, 2).SetValue(row % 3 ? Variant(row) : Variant("t" + std::to_string(row)));
  this->At("B1020:B1029").InsertShiftDown();
  for (int row : {1, 1019, 1030, 1039, 2048, 3010}) {
    const int was = row < 1020 ? row : row - 10;
    const Variant expected = was % 3 ? Variant(was) : Variant("t" + std::to_string(was));
    EXPECT_EQ(this->sheet->Cells(row, 2).Value(), expected) << row;
  }
  EXPECT_TRUE(this->At("B1025").Value().IsEmpty());
  EXPECT_EQ(this->At("B1").End(Direction::kDown).Address(), "$B$1019");
  this->At("B1020:B1029").DeleteShiftUp();
  for (int row = 1; row <= 3000; ++row) {
    const Variant expected = row % 3 ? Variant(row) : Variant("t" + std::to_string(row));
    ASSERT_EQ(this->sheet->Cells(row, 2).Value(), expected) << row;
  }
  EXPECT_TRUE(this->At("B3001").Value().IsEmpty());
}

TYPED_TEST_P(HostContract, ClearVariantsClearValuesOrFormatsOrBoth) {
  struct Case {
    void (Range::*clear)() const;
    bool value_kept, format_kept;
  } cases[] = {{&Range::Clear, false, false}, {&Range::ClearContents, false, true}, {&Range::ClearFormats, true, false}};
  for (const auto& c : cases) {
    Range r = this->At("D4");
    r.SetValue(12.5);
    r.SetNumberFormat("0.00");
    (r.*c.clear)();
    EXPECT_EQ(!r.Value().IsEmpty(), c.value_kept);
    EXPECT_EQ(r.NumberFormat() == "0.00", c.format_kept);
    r.Clear();
  }
  EXPECT_FALSE(this->sheet->UsedRange().has_value());
}

TYPED_TEST_P(HostContract, CopyCarriesValuesFormulasAndFormats) {
  this->At("A1").SetValue(37544);
  this->At("A1").SetNumberFormat("dd.mm.yyyy");
  this->At("A1").SetFontColorIndex(3);
  this->sheet->SetCellFormula(2, 1, "=A1+1", Variant(37545));
  this->At("C1:C2").SetValue("old");
  this->At("A1:A3").CopyTo(this->At("C1"));
  EXPECT_EQ(this->At("C1").Text(), "15.10.2002");
  EXPECT_EQ(this->At("C1").FontColorIndex(), 3);
  EXPECT_EQ(this->sheet->CellFormula(2, 3), "=A1+1");
  // A formula over a date is a date where the kind follows the format (the
  // host gives the formula's cell its input's date format).
  const Variant day_after = TypeParam::Traits().kind_follows_format ? Variant::Date(37545) : Variant(37545);
  EXPECT_EQ(this->At("C2").Value(), day_after);
  // Overlapping copy and a copy into another workbook.
  this->At("A1:A2").CopyTo(this->At("A2"));
  EXPECT_EQ(this->At("A3").Value(), day_after);
  EXPECT_EQ(this->At("A2").NumberFormat(), "dd.mm.yyyy");
  Workbook& other = this->host->AddWorkbook();
  this->At("C1").CopyTo(other.WorksheetAt(1).GetRange("B2"));
  EXPECT_EQ(other.WorksheetAt(1).GetRange("B2").Text(), "15.10.2002");
  EXPECT_EQ(other.WorksheetAt(1).GetRange("B2").FontColorIndex(), 3);
}

TYPED_TEST_P(HostContract, AutoFitWidensToTheDisplayedText) {
  this->At("A1").SetValue("a rather long caption here");  // 26 characters
  this->At("A2").SetValue(1);
  this->At("B1").SetValue(37544);
  this->At("B1").SetNumberFormat("dd.mm.yyyy");
  this->At("C1").SetValue("x");
  this->At("A:D").AutoFitColumns();
  EXPECT_NEAR(this->sheet->ColumnWidth(1), 26 * 1.1 + 1, 0.01);
  EXPECT_NEAR(this->sheet->ColumnWidth(2), 10 * 1.1 + 1, 0.01);
  EXPECT_NEAR(this->sheet->ColumnWidth(3), 8.43, 0.01);
  EXPECT_NEAR(this->sheet->ColumnWidth(4), 8.43, 0.01);
}

TYPED_TEST_P(HostContract, FindLastCellSearchesRowsFromTheBottom) {
  EXPECT_FALSE(this->sheet->AllCells().FindLastCell().has_value());
  this->At("B3").SetValue(1);
  this->At("E7").SetValue(1);
  this->At("C7").SetValue(1);
  this->At("A9").SetFontBold(true);  // formats are no content
  EXPECT_EQ(this->sheet->AllCells().FindLastCell()->Address(), "$E$7");
  EXPECT_EQ(this->At("A1:D6").FindLastCell()->Address(), "$B$3");
  EXPECT_FALSE(this->At("F1:F100").FindLastCell().has_value());
  EXPECT_EQ(this->sheet->UsedRange(), (Rect{3, 1, 9, 5}));
}

// The used range is found from the ends of what each column holds, so
// the cases cross the blocks cells are kept in (1,024 rows) and leave
// emptied cells behind.
TYPED_TEST_P(HostContract, UsedRangeSpansWhatTheColumnsHoldAcrossBlocks) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> values;   // {row, col} set to a number
    std::vector<std::pair<int, int>> styles;   // {row, col} given a bold font
    std::vector<Rect> cleared;                 // values and formats cleared, in order
    std::optional<Rect> used;
  } cases[] = {
      {"one cell", {{5, 3}}, {}, {}, Rect{5, 3, 5, 3}},
      {"around a block's edge", {{1024, 2}, {1025, 4}}, {}, {}, Rect{1024, 2, 1025, 4}},
      {"a later block only", {{3000, 1}}, {}, {}, Rect{3000, 1, 3000, 1}},
      {"a style alone counts", {{10, 2}}, {{40000, 7}}, {}, Rect{10, 2, 40000, 7}},
      {"the top emptied", {{2, 1}, {2048, 1}}, {}, {Rect{2, 1, 2, 1}}, Rect{2048, 1, 2048, 1}},
      {"the bottom emptied", {{2, 1}, {2048, 1}, {700, 3}}, {}, {Rect{2048, 1, 2048, 1}}, Rect{2, 1, 700, 3}},
      {"a column emptied", {{4, 1}, {9, 6}}, {}, {Rect{1, 6, 100, 6}}, Rect{4, 1, 4, 1}},
      {"all emptied", {{4, 1}, {5000, 9}}, {}, {Rect{1, 1, 6000, 10}}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Worksheet& sheet = this->book->AddWorksheet();
    for (const auto& [row, col] : c.values) sheet.SetCellValue(row, col, Variant(1.5));
    for (const auto& [row, col] : c.styles) {
      CellStyle bold;
      bold.bold = true;
      sheet.SetCellStyle(row, col, bold);
    }
    for (const Rect& rect : c.cleared) sheet.ClearCells(rect, true, true);
    EXPECT_EQ(sheet.UsedRange(), c.used);
  }
}

TYPED_TEST_P(HostContract, CustomHeightRowsListsTheRowsGivenAHeight) {
  EXPECT_TRUE(this->sheet->CustomHeightRows().empty());
  for (int row : {700, 3, 65536, 1}) this->sheet->SetRowHeight(row, 20);
  EXPECT_EQ(this->sheet->CustomHeightRows(), (std::vector<int>{1, 3, 700, 65536}));
}

TYPED_TEST_P(HostContract, SheetsAddDeleteMoveHideActivate) {
  Worksheet& b = this->book->AddWorksheet();
  Worksheet& a = this->book->AddWorksheet(this->sheet);
  EXPECT_EQ(this->book->WorksheetCount(), 3);
  EXPECT_EQ(&this->book->WorksheetAt(1), &a);
  EXPECT_EQ(this->book->ActiveSheet(), &a);
  this->book->MoveWorksheet(a, 3);
  EXPECT_EQ(&this->book->WorksheetAt(3), &a);
  b.SetVisible(false);
  EXPECT_FALSE(b.Visible());
  EXPECT_EQ(this->ErrorOf([&] { b.Activate(); }), 1004);
  this->book->DeleteWorksheet(a);
  EXPECT_EQ(this->book->WorksheetCount(), 2);
  EXPECT_NE(this->book->ActiveSheet(), nullptr);
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->SetVisible(false); }), 1004) << "last visible sheet";
  EXPECT_EQ(this->ErrorOf([&] { this->book->DeleteWorksheet(*this->sheet); }), 1004);
  Workbook& second = this->host->AddWorkbook();
  EXPECT_EQ(this->host->ActiveWorkbook(), &second);
  this->At("C3:D4").Activate();
  EXPECT_EQ(this->host->ActiveWorkbook(), this->book);
  EXPECT_EQ(this->host->Selection().Address(), "$C$3:$D$4");
  EXPECT_EQ(this->host->ActiveCell().Address(), "$C$3");
  second.Close();
  EXPECT_EQ(this->host->WorkbookCount(), 1);
}

TYPED_TEST_P(HostContract, SheetLayoutIsKept) {
  EXPECT_NEAR(this->sheet->ColumnWidth(3), 8.43, 1e-9);
  EXPECT_FALSE(this->sheet->ColumnWidthIsCustom(3));
  this->sheet->SetColumnWidth(3, 20);
  EXPECT_TRUE(this->sheet->ColumnWidthIsCustom(3));
  EXPECT_EQ(this->sheet->ColumnWidth(3), 20);
  this->sheet->SetRowHeight(4, 30);
  EXPECT_TRUE(this->sheet->RowHeightIsCustom(4));
  EXPECT_EQ(this->sheet->RowHeight(4), 30);
  this->sheet->Merge(Rect{1, 1, 1, 3});
  this->sheet->Merge(Rect{1, 3, 2, 4});
  ASSERT_EQ(this->sheet->MergedCells().size(), 1u);
  EXPECT_EQ(this->sheet->MergedCells()[0], (Rect{1, 1, 2, 4}));
  if (TypeParam::Traits().freezes_panes) {
    this->sheet->FreezePanes(1, 2);
    EXPECT_EQ(this->sheet->FrozenPanes(), std::make_pair(1, 2));
  } else {
    EXPECT_EQ(this->ErrorOf([&] { this->sheet->FreezePanes(1, 2); }), 1004) << "says it cannot";
  }
  this->sheet->SetZoom(85);
  EXPECT_EQ(this->sheet->Zoom(), 85);
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->SetZoom(5); }), 1004);
}

TYPED_TEST_P(HostContract, ChartsAreListedPerSheet) {
  if (!TypeParam::Traits().draws_charts) GTEST_SKIP() << "this host draws no charts yet";
  Chart& first = this->sheet->AddChart(10, 20, 300, 200);
  first.title = "AAPL";
  Chart& second = this->sheet->AddChart(0, 0, 100, 100);
  EXPECT_EQ(first.name, "Chart 1");
  EXPECT_EQ(second.name, "Chart 2");
  EXPECT_EQ(this->sheet->ChartCount(), 2);
  this->sheet->DeleteChart(1);
  EXPECT_EQ(this->sheet->ChartAt(1).name, "Chart 2");
  EXPECT_EQ(this->ErrorOf([&] { this->sheet->ChartAt(2); }), 9);
  EXPECT_EQ(this->book->AddWorksheet().ChartCount(), 0);
}

TYPED_TEST_P(HostContract, FormulasKeepTheirCachedValue) {
  this->At("B1").SetFormula("=1+2");
  EXPECT_EQ(this->At("B1").Formula(), "=1+2");
  this->sheet->SetCellFormula(2, 2, "=SUM(A1:A3)", Variant(6));
  // A host that computes formulas sums the empty A1:A3 itself.
  EXPECT_EQ(this->At("B2").Value(), TypeParam::Traits().computes_formulas ? Variant(0) : Variant(6));
  this->At("B3").SetFormula("42");  // a constant entered as a formula
  EXPECT_EQ(this->At("B3").Value(), Variant(42));
  EXPECT_EQ(this->At("B3").Formula(), "42");
  this->At("B2").SetValue(5);
  EXPECT_EQ(this->sheet->CellFormula(2, 2), "");
}

TYPED_TEST_P(HostContract, FilesNeedAStoreOrFailClearly) {
  // The factory hosts here have no store unless they say otherwise.
  const std::string dir = ::testing::TempDir();
  int open_error = this->ErrorOf([&] { this->host->OpenWorkbook(dir + "/missing-plrxl.xlsx"); });
  EXPECT_EQ(open_error, 1004);
  EXPECT_EQ(this->host->WorkbookCount(), 1) << "a failed open leaves nothing open";
  EXPECT_EQ(this->ErrorOf([&] { this->book->Save(); }), 1004);
}

REGISTER_TYPED_TEST_SUITE_P(HostContract, NeverWrittenCellIsEmptyNotEmptyText,
                            ValuesKeepTheirKind,
                            MissingSheetIsSubscriptErrorAndBadRangeIs1004,
                            BeyondTheGridRaises1004,
                            EndMovesLikeCtrlArrow,
                            EndCountsFormulasAndEmptyTextsAsFilled,
                            NamesCompareCaseInsensitively,
                            ApplicationSwitchesRestore,
                            RunPassesArgumentsInOrderAndReturnsTheValue,
                            RunOfAMissingFunctionRaises1004WithTheMacroText,
                            NumberFormatsDriveTheDisplayedText,
                            FontColorIndexThreeIsRedZeroIsAutomatic,
                            ResolveRangeTakesA1WithAndWithoutDollarsAndSheetNames,
                            DefinedNamesFromR1C1AndA1ReplaceAndResolve,
                            RectangleValuesAreOneBasedArrays,
                            CellsOffsetResizeAreRelativeToTheTopLeft,
                            InsertAndDeleteShiftCellsWithinTheColumns,
                            ShiftsKeepLongColumnsInOrder,
                            ClearVariantsClearValuesOrFormatsOrBoth,
                            CopyCarriesValuesFormulasAndFormats,
                            AutoFitWidensToTheDisplayedText,
                            FindLastCellSearchesRowsFromTheBottom,
                            UsedRangeSpansWhatTheColumnsHoldAcrossBlocks,
                            CustomHeightRowsListsTheRowsGivenAHeight,
                            SheetsAddDeleteMoveHideActivate,
                            SheetLayoutIsKept,
                            ChartsAreListedPerSheet,
                            FormulasKeepTheirCachedValue,
                            FilesNeedAStoreOrFailClearly);

}  // namespace plrxl::contract
