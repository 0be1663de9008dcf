// The row editor's logic, driven through CPelorin.MasterPelorin and the
// scripted person: the property list, editors, checks, Insert, Insert New,
// source changes, the range pick and the grid keys.
#include <gtest/gtest.h>

#include "tests/forms/forms_fixture.h"

namespace plrxl::testing {
namespace {

using Editor = std::function<void(frmMaster&)>;

class RowEditorTest : public FormsTest {
 protected:
  // Shows the row editor once; `edit` plays the person.
  void Edit(const Editor& edit) {
    ui_.ExpectModal("frmMaster", "", [edit](Form& form, UiPort&) { edit(dynamic_cast<frmMaster&>(form)); });
    pelorin_->MasterPelorin();
  }
  void SetValue(frmMaster& form, const std::string& name, const std::string& value) {
    const int line = LineOf(form, name);
    ASSERT_GE(line, 0) << name;
    form.VSFlexGrid1_AfterEdit(line, value);
  }
  // Message n of the project with its first placeholder filled in.
  std::string Filled(Workbook& wb, int n, const std::string& info1, const std::string& info2) {
    std::string text = Message(wb, n);
    const std::pair<std::string, std::string> fills[] = {{"AdditionalInformation1", info1},
                                                         {"AdditionalInformation2", info2}};
    for (const auto& [placeholder, info] : fills) {
      for (size_t at = text.find(placeholder); at != std::string::npos;
           at = text.find(placeholder, at + info.size())) {
        text.replace(at, placeholder.size(), info);
      }
    }
    return text;
  }
};

TEST_F(RowEditorTest, LoadsThirteenItemsAndOffersTheSources) {
  ProjectWithRows(1);
  Edit([&](frmMaster& form) {
    ASSERT_EQ(form.Items().size(), 13u);
    EXPECT_EQ(form.Items()[0].name, "Data Location");
    EXPECT_EQ(form.Items()[1].kind, 6);
    EXPECT_EQ(form.Items()[2].kind, 4);
    EXPECT_EQ(form.Items()[11].name, "Adjusted Close");
    EXPECT_EQ(form.Items()[12].category, " Source");
    EXPECT_FALSE(form.Items()[12].fixed);
    EXPECT_EQ(form.ComDataSourceItems().front(), "<Choose a data source>");
    EXPECT_GE(SourceIndex(form, "SAMPLE"), 1);
    EXPECT_GE(SourceIndex(form, "DDE"), 1);
    // Categories sort by their leading blank or dot: Source, Data, Data Fields.
    EXPECT_EQ(form.VisibleLines()[0].name, "Source");
    EXPECT_EQ(form.VisibleLines()[0].key, "");
    form.cmdCancel_Click();
  });
  EXPECT_EQ(ui_.Modals().back().tag, "CLOSE");
}

TEST_F(RowEditorTest, EveryKindGetsItsEditor) {
  ProjectWithRows(1);
  Edit([&](frmMaster& form) {
    form.ComDataSource_Click(SourceIndex(form, "KINDS"));
    struct Case {
      const char* name;
      int16_t kind;
      EditorKind editor;
      const char* choices;
      const char* shown;
    };
    const Case cases[] = {
        {"TICKER", 5, EditorKind::kText, "", ""},
        {"STARTDATE", 2, EditorKind::kDate, "", "02.01.2026"},
        {"PERIODICITY", 3, EditorKind::kChoice, "DAILY|WEEKLY|MONTHLY", "DAILY"},
        {"LOTS", 7, EditorKind::kText, "", "100"},
        {"ADJUST VALUES", 1, EditorKind::kChoice, "True|False", "False"},
        {"Data Direction", 4, EditorKind::kChoice, "FTB|FBT", ""},
        {"Data Beginning", 6, EditorKind::kRangePick, "", ""},
        {"Data Location", 5, EditorKind::kText, "", ""},
        {"Volume", 1, EditorKind::kChoice, "True|False", "True"},
    };
    for (const Case& c : cases) {
      const int line = LineOf(form, c.name);
      ASSERT_GE(line, 0) << c.name;
      EXPECT_EQ(form.Items()[form.VisibleLines()[line].item].kind, c.kind) << c.name;
      EXPECT_EQ(form.EditorOf(line).kind, c.editor) << c.name;
      EXPECT_EQ(form.EditorOf(line).choices, c.choices) << c.name;
      EXPECT_EQ(form.VisibleLines()[line].value, c.shown) << c.name;
      EXPECT_EQ(form.HasCellButton(line), c.editor == EditorKind::kDate || c.editor == EditorKind::kRangePick);
    }
    form.cmdCancel_Click();
  });
}

TEST_F(RowEditorTest, ASourceChangeReplacesTheSourceItems) {
  ProjectWithRows(1);
  Edit([&](frmMaster& form) {
    form.ComDataSource_Click(SourceIndex(form, "DDE"));
    std::vector<std::string> names;
    for (const PropertyItem& item : form.Items()) {
      if (!item.fixed) names.push_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"TICKER", "STARTDATE", "ENDDATE", "PERIODICITY", "SERVICE", "TOPIC",
                                               "ITEM", "PERIOD", "TYPE"}));
    form.ComDataSource_Click(SourceIndex(form, "SAMPLE"));
    names.clear();
    for (const PropertyItem& item : form.Items()) {
      if (!item.fixed) names.push_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"TICKER", "STARTDATE", "ENDDATE", "PERIODICITY", "ADJUST VALUES"}));
    form.ComDataSource_Click(0);
    ASSERT_EQ(form.Items().size(), 13u);
    EXPECT_EQ(form.Items()[12].value.Text(), "<Choose a data source>");
    form.cmdCancel_Click();
  });
}

TEST_F(RowEditorTest, InsertAppendsTheComposedRow) {
  Workbook& wb = ProjectWithRows(2);
  Edit([&](frmMaster& form) {
    form.ComDataSource_Click(SourceIndex(form, "SAMPLE"));
    SetValue(form, "TICKER", "msft");
    SetValue(form, "ADJUST VALUES", "True");
    SetValue(form, "Data Location", "AUTO");
    SetValue(form, "Data Direction", "FBT");
    SetValue(form, "Data Beginning", "B3");
    SetValue(form, "Time", "False");
    SetValue(form, "Open Interest", "False");
    form.cmdInsert_Click();
    EXPECT_TRUE(form.Hidden());
  });
  EXPECT_EQ(ui_.Modals().back().tag, "CLOSE");
  Worksheet& s = Settings(wb);
  EXPECT_EQ(s.CellValue(5, 1).Text(), "MSFT");
  EXPECT_TRUE(s.CellValue(5, 2).IsDate() || s.CellValue(5, 2).IsNumeric());
  EXPECT_EQ(s.CellValue(5, 5).Text(), "FBT");
  EXPECT_EQ(s.CellValue(5, 6).Text(), "AUTO");
  EXPECT_EQ(s.CellValue(5, 7).Text(), "B3");
  EXPECT_EQ(s.CellValue(5, 8).Text(), "SAMPLE(ADJUST VALUES)");
  // The letters in the case "Parameters" D5 lists them.
  EXPECT_EQ(s.CellValue(5, 9).Text(), "dohlcva");
}

TEST_F(RowEditorTest, FieldLettersFollowTheTickedBoxes) {
  struct Case {
    std::vector<std::string> ticked;
    const char* letters;
  };
  const Case cases[] = {{{"Low Price"}, "l"}, {{"High Price"}, "h"}, {{"Data", "Close Price", "Adjusted Close"}, "dca"}};
  for (const Case& c : cases) {
    Workbook& wb = ProjectWithRows(1);
    Edit([&](frmMaster& form) {
      for (const FieldItem& field : kFieldItems) {
        const bool on = std::find(c.ticked.begin(), c.ticked.end(), field.name) != c.ticked.end();
        SetValue(form, field.name, on ? "True" : "False");
      }
      form.cmdInsert_Click();
    });
    EXPECT_EQ(Settings(wb).CellValue(4, 9).Text(), c.letters);
    // The combo left at the placeholder writes no data source.
    EXPECT_TRUE(Settings(wb).CellValue(4, 8).IsEmpty() || Settings(wb).CellValue(4, 8).Text().empty());
  }
}

TEST_F(RowEditorTest, CheckMessagesStopTheInsertAndOpenTheLine) {
  struct Case {
    const char* source;
    const char* name;
    const char* value;
    int message;
  };
  const Case cases[] = {
      {"KINDS", "TICKER", "", 61},
      {"KINDS", "LOTS", "many", 67},
      {"KINDS", "Data Beginning", "no address here", 11},
      {"DDE", "TYPE", "", 61},
  };
  for (const Case& c : cases) {
    Workbook& wb = ProjectWithRows(1);
    ui_.ExpectModal("frmMaster", "", [&](Form& f, UiPort&) {
      auto& form = dynamic_cast<frmMaster&>(f);
      form.ComDataSource_Click(SourceIndex(form, c.source));
      if (std::string(c.source) == "DDE") {
        SetValue(form, "ITEM", "X");
        SetValue(form, "TICKER", "X");
        SetValue(form, "TOPIC", "quotes.csv");
        SetValue(form, "PERIOD", "D");
      } else {
        SetValue(form, "TICKER", "ABC");
      }
      SetValue(form, c.name, c.value);
      EXPECT_FALSE(form.CheckField()) << c.name;
      EXPECT_FALSE(form.Hidden());
      ASSERT_GE(form.EditRequested(), 0);
      EXPECT_EQ(form.VisibleLines()[form.EditRequested()].name, c.name);
      EXPECT_EQ(form.Col(), frmMaster::kColValue);
      form.cmdCancel_Click();
    });
    ui_.AnswerBox(MsgResult::kOk, "");
    pelorin_->MasterPelorin();
    ASSERT_FALSE(ui_.Boxes().empty());
    EXPECT_EQ(ui_.Boxes().back().prompt, Filled(wb, c.message, c.name, std::string(c.source) == "DDE" ? "X" : "ABC")) << c.name;
    EXPECT_TRUE(Settings(wb).CellValue(4, 1).IsEmpty()) << "nothing written for " << c.name;
  }
}

TEST_F(RowEditorTest, InsertNewKeepsTheWindowOpenWithTheSameValues) {
  Workbook& wb = ProjectWithRows(1);
  Edit([&](frmMaster& form) {
    form.ComDataSource_Click(SourceIndex(form, "SAMPLE"));
    SetValue(form, "TICKER", "AAA");
    form.cmdInsertNew_Click();
    EXPECT_FALSE(form.Hidden());
    EXPECT_EQ(form.VisibleLines()[LineOf(form, "TICKER")].value, "AAA");
    SetValue(form, "TICKER", "BBB");
    form.cmdInsertNew_Click();
    EXPECT_EQ(form.RowsInserted(), 2);
    form.cmdCancel_Click();
  });
  EXPECT_EQ(Settings(wb).CellValue(4, 1).Text(), "AAA");
  EXPECT_EQ(Settings(wb).CellValue(5, 1).Text(), "BBB");
}

TEST_F(RowEditorTest, DdeSourceComposesTheLinkForm) {
  Workbook& wb = ProjectWithRows(1);
  Edit([&](frmMaster& form) {
    form.ComDataSource_Click(SourceIndex(form, "DDE"));
    SetValue(form, "TICKER", "X");
    SetValue(form, "TOPIC", "quotes.csv");
    SetValue(form, "ITEM", "IBM");
    SetValue(form, "PERIOD", "D");
    SetValue(form, "TYPE", "HIST");
    form.cmdInsert_Click();
  });
  EXPECT_EQ(Settings(wb).CellValue(4, 8).Text(), "DDE(FILE;quotes.csv;IBM;D;HIST)");
  EXPECT_EQ(Settings(wb).CellValue(4, 1).Text(), "IBM");
}

TEST_F(RowEditorTest, RangePickRoundTripThroughTheEntryObject) {
  Workbook& wb = ProjectWithRows(1);
  ui_.ExpectModal("frmMaster", "", [&](Form& f, UiPort&) {
    auto& form = dynamic_cast<frmMaster&>(f);
    form.ComDataSource_Click(SourceIndex(form, "SAMPLE"));
    SetValue(form, "TICKER", "PICK");
    form.VSFlexGrid1_CellButtonClick(LineOf(form, "Data Beginning"));
    EXPECT_TRUE(form.Hidden());
  });
  EXPECT_EQ(pelorin_->ShowRefEditInterface(), "DATABEGINNING");
  pelorin_->RefEditInputs("'PelorinXL Settings'!$C$4:$F$200");
  EXPECT_EQ(pelorin_->RefEditInputs(), "'PelorinXL Settings'!$C$4");
  ui_.ExpectModal("frmMaster", "cmdInsert", [&](Form& f, UiPort&) {
    auto& form = dynamic_cast<frmMaster&>(f);
    EXPECT_EQ(form.VisibleLines()[LineOf(form, "TICKER")].value, "PICK") << "edits survive the pick";
  });
  EXPECT_EQ(pelorin_->ShowRefEditInterface(), "CLOSE");
  pelorin_->UnloadfrmMaster();
  EXPECT_EQ(Settings(wb).CellValue(4, 7).Text(), "'PelorinXL Settings'!$C$4");
}

TEST_F(RowEditorTest, GridKeysFoldCategoriesAndJumpByLetter) {
  ProjectWithRows(1);
  Edit([&](frmMaster& form) {
    form.ComDataSource_Click(SourceIndex(form, "SAMPLE"));
    const size_t all = form.VisibleLines().size();
    form.Select(0, frmMaster::kColValue);  // the Source category line
    form.VSFlexGrid1_KeyDown(GridKey::kLeft);
    EXPECT_EQ(form.Col(), frmMaster::kColProperty);
    EXPECT_TRUE(form.VisibleLines()[0].collapsed);
    EXPECT_EQ(form.VisibleLines().size(), all - 5);
    form.VSFlexGrid1_KeyDown(GridKey::kRight);
    EXPECT_EQ(form.Col(), frmMaster::kColValue);
    EXPECT_EQ(form.VisibleLines().size(), all);
    // Ctrl+V: the next line whose name begins with V, from the cursor down.
    form.VSFlexGrid1_KeyDown(GridKey::kLetter, 'v');
    EXPECT_EQ(form.VisibleLines()[form.Row()].name, "Volume");
    // Ctrl+D wraps past the end to "Data Location", skipping category lines.
    form.VSFlexGrid1_KeyDown(GridKey::kLetter, 'D');
    EXPECT_EQ(form.VisibleLines()[form.Row()].name, "Data Location");
    // A double-click on a category line folds it; on a property starts editing.
    EXPECT_FALSE(form.VSFlexGrid1_DblClick(0));
    EXPECT_TRUE(form.VisibleLines()[0].collapsed);
    EXPECT_TRUE(form.VSFlexGrid1_DblClick(LineOf(form, "Volume")));
    form.cmdHelp_Click();
    form.cmdCancel_Click();
  });
  EXPECT_EQ(help_topics_, std::vector<std::string>{"Master_Pelorin.htm"});
}

}  // namespace
}  // namespace plrxl::testing
