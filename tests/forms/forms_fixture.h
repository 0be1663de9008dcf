// The download tests' project fixture with the windows of forms/ installed,
// and a quote source whose requests carry a parameter of every kind, so the
// row editor shows every editor.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "forms/row_editor_form.h"
#include "forms/selective_update_form.h"
#include "forms/window_forms.h"
#include "host/quote_fetcher.h"
#include "tests/download/download_fixture.h"

namespace plrxl::testing {

// A request that is only ever inspected by the row editor.
class ParameterOnlyRequest : public QuoteRequest {
 public:
  explicit ParameterOnlyRequest(ParameterSet params) : params_(std::move(params)) {}
  ParameterSet& Parameters() override { return params_; }
  void SetCallback(IProgressCallBack*) override {}
  uint32_t Id() const override { return 1; }
  void Start() override {}
  int32_t State() override { return kStateFinished; }
  int32_t ErrorNumber() const override { return 0; }
  std::string ErrorDescription() const override { return ""; }
  const QuoteResult& Result() const override { return result_; }
  void Cancel() override {}

 private:
  ParameterSet params_;
  QuoteResult result_;
};

class EveryKindSource : public QuoteSource {
 public:
  uint32_t Capabilities() const override { return kCapHistorical; }
  const std::string& Name() const override { return name_; }
  const std::string& Description() const override { return name_; }
  std::unique_ptr<QuoteRequest> CreateRequest() override {
    return std::make_unique<ParameterOnlyRequest>(ParameterSet({
        {"TICKER", kParamText, Variant("")},
        {"STARTDATE", kParamDate, Variant::Date(DateSerial(2026, 1, 2))},
        {"ENDDATE", kParamDate, Variant::Date(DateSerial(2026, 6, 30))},
        {"PERIODICITY", kParamChoice, Variant("DAILY"), {"DAILY", "WEEKLY", "MONTHLY"}},
        {"LOTS", kParamNumber, Variant(100.0)},
        {"ADJUST VALUES", kParamBoolean, Variant(false)},
    }));
  }

 private:
  std::string name_ = "KINDS";
};

// The real component's sources, then KINDS.
class FetcherWithKinds : public QuoteFetcher {
 public:
  explicit FetcherWithKinds(std::unique_ptr<QuoteFetcher> real) : real_(std::move(real)) {}
  int SourceCount() const override { return real_->SourceCount() + 1; }
  QuoteSource* Source(int index) override { return index == real_->SourceCount() ? &kinds_ : real_->Source(index); }
  QuoteSource* FindSource(const std::string& name) override {
    if (name == "KINDS" || name == "kinds") return &kinds_;
    return real_->FindSource(name);
  }
  void Prefetch(const std::vector<PrefetchItem>& items) override { real_->Prefetch(items); }
  void CancelAll() override { real_->CancelAll(); }

 private:
  std::unique_ptr<QuoteFetcher> real_;
  EveryKindSource kinds_;
};

class FormsTest : public DownloadTest {
 protected:
  FormsTest() {
    context_.MakeQuoteFetcher = [] { return std::make_unique<FetcherWithKinds>(MakeFetcher()); };
    WindowFormOptions options;
    options.help = [this](const std::string& topic) { help_topics_.push_back(topic); };
    InstallWindowForms(context_, options);
  }

  // A project with `n` SAMPLE rows T1..Tn, opened as the editor's workbook.
  Workbook& ProjectWithRows(int n) {
    std::vector<RowSpec> rows;
    for (int i = 1; i <= n; ++i) rows.push_back({"T" + std::to_string(i), Variant(), Variant(), "", "", "", "", "", "", ""});
    Workbook& wb = Project(rows);
    host_.SetActiveWorkbook(wb);
    pelorin_->ActivateWorkBookName(wb.Name());
    return wb;
  }

  std::vector<std::string> help_topics_;
};

// The visible line of the item with that name; -1 when not shown.
inline int LineOf(const frmMaster& form, const std::string& name) {
  const auto& lines = form.VisibleLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].item >= 0 && lines[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

inline int SourceIndex(const frmMaster& form, const std::string& name) {
  const auto& items = form.ComDataSourceItems();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace plrxl::testing
