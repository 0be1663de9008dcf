#include "forms/row_editor_form.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "entry/pelorin.h"
#include "forms/internal/form_text.h"
#include "host/error.h"
#include "host/quote_fetcher.h"
#include "host/regional.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

constexpr const char* kCatData = ".Data";
constexpr const char* kCatDataFields = ".Data Fields";
constexpr const char* kCatSource = " Source";

RegionalSettings DateForm() {
  RegionalSettings rs;
  rs.short_date = frmMaster::kDateForm;
  return rs;
}

// Item kind for a request parameter kind.
int16_t ItemKind(int32_t parameter_kind) {
  switch (parameter_kind) {
    case kParamNumber: return 7;
    case kParamText: return 5;
    case kParamChoice: return 3;
    case kParamDate: return 2;
    case kParamBoolean: return 1;
    default: return 0;
  }
}

Variant InitialValue(const RequestParameter& p) {
  const Variant& v = p.Value();
  switch (p.Kind()) {
    case kParamDate:
      return v.IsNumeric() || v.IsDate() ? Variant(DateToText(std::floor(v.Number()), DateForm())) : Variant("");
    case kParamBoolean: {
      const bool on = v.IsBoolean() ? v.Boolean() : (v.IsNumeric() && v.Number() != 0);
      return Variant(on ? "True" : "False");
    }
    default:
      return v;
  }
}

bool IsNumericText(const std::string& text) {
  RegionalSettings rs;
  return !text.empty() && TextToNumber(text, rs).has_value();
}

// A date typed as "dd.mm.yyyy" becomes yyyy-mm-dd, which the owner reads
// whatever the host's short-date pattern is; other texts pass unchanged.
std::string PortableDate(const std::string& text) {
  std::optional<double> serial = TextToDate(text, DateForm());
  if (!serial) return text;
  RegionalSettings iso;
  iso.short_date = "yyyy-mm-dd";
  return DateToText(std::floor(*serial), iso);
}

}  // namespace

std::string FieldLettersFor(const std::vector<std::string>& ticked_letters, const std::string& d5_list) {
  const std::vector<std::string> listed = form_text::Split(d5_list, '|');
  std::string out;
  for (const std::string& letter : ticked_letters) {
    auto it = std::find_if(listed.begin(), listed.end(),
                           [&](const std::string& entry) { return form_text::EqualsIgnoreCase(entry, letter); });
    out += it != listed.end() ? *it : form_text::Upper(letter);
  }
  return out;
}

std::string ComposeDataSource(const std::string& source,
                              const std::vector<std::pair<std::string, std::string>>& values) {
  auto find = [&](const char* name) -> const std::string* {
    for (const auto& [key, value] : values) {
      if (key == name) return &value;
    }
    return nullptr;
  };
  auto text = [&](const char* name) {
    const std::string* v = find(name);
    return v != nullptr ? *v : std::string();
  };
  if (find("SERVICE") != nullptr) {
    return source + "(" + text("SERVICE") + ";" + text("TOPIC") + ";" + text("ITEM") + ";" + text("PERIOD") + ";" +
           text("TYPE") + ")";
  }
  if (const std::string* adjust = find("ADJUST VALUES")) {
    return source + (form_text::Lower(*adjust) == "true" ? "(ADJUST VALUES)" : "(NO ADJUST VALUES)");
  }
  const std::string exchange = text("EXCHANGE");
  return exchange.empty() ? source : source + "(" + exchange + ")";
}

frmMaster::frmMaster(RunContext& context, std::function<void(const std::string&)> help)
    : context_(context), help_(std::move(help)) {}

frmMaster::~frmMaster() = default;

CPelorin& frmMaster::Owner() {
  if (owner_ == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  return *owner_;
}

void frmMaster::SetOwner(CPelorin* owner) {
  owner_ = owner;
  if (owner_ != nullptr && !loaded_) Form_Load();
  hidden_ = false;
  edit_requested_ = -1;
}

std::string frmMaster::Caption() const { return owner_ != nullptr ? owner_->TWP("AR4") : std::string(); }

void frmMaster::Form_Load() {
  Procedure proc(context_, "Pelorin.frmMaster.Form_Load");
  proc.Do([&] {
    if (!context_.MakeQuoteFetcher) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    fetcher_ = context_.MakeQuoteFetcher();
    if (!fetcher_) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  });
  proc.Do([&] {
    placeholder_ = Owner().TWP("E53");
    location_name_ = Owner().TWP("AR5");
    beginning_name_ = Owner().TWP("AR6");
    direction_name_ = Owner().TWP("AR11");
  });
  proc.Do([&] {
    sources_.assign(1, placeholder_);
    for (int i = 0; fetcher_ && i < fetcher_->SourceCount(); ++i) {
      QuoteSource* source = fetcher_->Source(i);
      if (source != nullptr && (source->Capabilities() & (kCapHistorical | kCapLink)) != 0) {
        sources_.push_back(source->Name());
      }
    }
    source_index_ = 0;
  });
  proc.Do([&] { BuildFixedItems(); });
  proc.Do([&] { DisplayCategorized(); });
  loaded_ = true;
}

void frmMaster::BuildFixedItems() {
  items_.clear();
  items_.push_back({kCatData, location_name_, 5, Variant(""), true, Variant("")});
  items_.push_back({kCatData, beginning_name_, 6, Variant(""), true, Variant("")});
  items_.push_back({kCatData, direction_name_, 4, Variant(""), true, Variant("")});
  for (const FieldItem& field : kFieldItems) {
    items_.push_back({kCatDataFields, field.name, 1, Variant(true), true, Variant(true)});
  }
  items_.push_back({kCatSource, "", 0, Variant(placeholder_), false, Variant(placeholder_)});
}

void frmMaster::ComDataSource_Click(int index) {
  Procedure proc(context_, "Pelorin.frmMaster.ComDataSource_Click");
  proc.Do([&] {
    if (index < 0 || index >= static_cast<int>(sources_.size())) {
      throw Error(kErrInvalidCall, "PlrXL2", "Invalid procedure call or argument");
    }
    std::vector<PropertyItem> kept;
    for (PropertyItem& item : items_) {
      if (item.fixed) kept.push_back(std::move(item));
    }
    items_ = std::move(kept);
    choices_.clear();
    source_index_ = index;
    if (index == 0) {
      items_.push_back({kCatSource, "", 0, Variant(placeholder_), false, Variant(placeholder_)});
      return;
    }
    QuoteSource* source = fetcher_ ? fetcher_->FindSource(sources_[index]) : nullptr;
    if (source == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    std::unique_ptr<QuoteRequest> request = source->CreateRequest();
    for (const RequestParameter& p : request->Parameters()) {
      const Variant initial = InitialValue(p);
      items_.push_back({kCatSource, p.Name(), ItemKind(p.Kind()), initial, false, initial});
      choices_[static_cast<int>(items_.size()) - 1] = p.AllowedValues();
    }
  });
  proc.Do([&] { DisplayCategorized(); });
}

std::vector<int> frmMaster::OrderedItems() const {
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return items_[a].category < items_[b].category; });
  return order;
}

std::string frmMaster::ShownValue(const PropertyItem& item) const {
  const Variant& v = item.value;
  if (v.IsBoolean()) return v.Boolean() ? "True" : "False";
  if (v.IsDate()) return DateToText(v.Number(), DateForm());
  return ToText(v, DateForm());
}

void frmMaster::DisplayCategorized() {
  const int old_item = row_ >= 0 && row_ < static_cast<int>(lines_.size()) ? lines_[row_].item : -1;
  const std::string old_category =
      row_ >= 0 && row_ < static_cast<int>(lines_.size()) ? lines_[row_].category : std::string();
  lines_.clear();
  std::string category;
  bool first = true;
  for (int index : OrderedItems()) {
    const PropertyItem& item = items_[index];
    const bool collapsed =
        std::find(collapsed_.begin(), collapsed_.end(), item.category) != collapsed_.end();
    if (first || item.category != category) {
      category = item.category;
      first = false;
      GridLine head;
      head.category = category;
      head.name = category.substr(1);
      head.collapsed = collapsed;
      lines_.push_back(head);
    }
    if (collapsed) continue;
    GridLine line;
    line.category = category;
    line.key = std::to_string(index);
    line.name = item.name;
    line.value = ShownValue(item);
    line.item = index;
    lines_.push_back(line);
  }
  // Keep the cursor on the same item, else on its category's line.
  int found = -1;
  for (int i = 0; i < static_cast<int>(lines_.size()) && found < 0; ++i) {
    if (old_item >= 0 && lines_[i].item == old_item) found = i;
  }
  for (int i = 0; i < static_cast<int>(lines_.size()) && found < 0; ++i) {
    if (lines_[i].item < 0 && lines_[i].category == old_category) found = i;
  }
  row_ = std::max(found, 0);
}

void frmMaster::Select(int line, int col) {
  if (line >= 0 && line < static_cast<int>(lines_.size())) row_ = line;
  col_ = col == kColValue ? kColValue : kColProperty;
}

EditorInfo frmMaster::EditorOf(int line) const {
  EditorInfo info;
  if (line < 0 || line >= static_cast<int>(lines_.size()) || lines_[line].item < 0) return info;
  const int index = lines_[line].item;
  switch (items_[index].kind) {
    case 1:
      info.kind = EditorKind::kChoice;
      info.choices = "True|False";
      break;
    case 2:
      info.kind = EditorKind::kDate;
      break;
    case 3: {
      info.kind = EditorKind::kChoice;
      auto it = choices_.find(index);
      if (it != choices_.end()) {
        for (size_t i = 0; i < it->second.size(); ++i) info.choices += (i ? "|" : "") + it->second[i];
      }
      break;
    }
    case 4:
      info.kind = EditorKind::kChoice;
      if (owner_ != nullptr) info.choices = owner_->TWP("D3");
      break;
    case 6:
      info.kind = EditorKind::kRangePick;
      break;
    default:
      break;
  }
  return info;
}

bool frmMaster::HasCellButton(int line) const {
  const EditorKind kind = EditorOf(line).kind;
  return kind == EditorKind::kDate || kind == EditorKind::kRangePick;
}

bool frmMaster::VSFlexGrid1_DblClick(int line) {
  Procedure proc(context_, "Pelorin.frmMaster.VSFlexGrid1_DblClick");
  bool editing = false;
  proc.Do([&] {
    if (line < 0 || line >= static_cast<int>(lines_.size())) return;
    row_ = line;
    if (lines_[line].item < 0) {
      const std::string category = lines_[line].category;
      auto it = std::find(collapsed_.begin(), collapsed_.end(), category);
      if (it == collapsed_.end()) {
        collapsed_.push_back(category);
      } else {
        collapsed_.erase(it);
      }
      DisplayCategorized();
    } else {
      col_ = kColValue;
      editing = true;
    }
  });
  return editing;
}

void frmMaster::VSFlexGrid1_KeyDown(GridKey key, char letter) {
  Procedure proc(context_, "Pelorin.frmMaster.VSFlexGrid1_KeyDown");
  proc.Do([&] {
    if (lines_.empty()) return;
    const bool on_category = lines_[row_].item < 0;
    const std::string category = lines_[row_].category;
    auto folded = std::find(collapsed_.begin(), collapsed_.end(), category);
    switch (key) {
      case GridKey::kLeft:
      case GridKey::kHome:
        if (on_category && folded == collapsed_.end()) {
          collapsed_.push_back(category);
          DisplayCategorized();
        }
        col_ = kColProperty;
        break;
      case GridKey::kRight:
      case GridKey::kEnd:
        if (on_category && folded != collapsed_.end()) {
          collapsed_.erase(folded);
          DisplayCategorized();
        }
        col_ = kColValue;
        break;
      case GridKey::kUp:
        if (row_ > 0) --row_;
        break;
      case GridKey::kDown:
        if (row_ + 1 < static_cast<int>(lines_.size())) ++row_;
        break;
      case GridKey::kLetter: {
        const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        if (wanted < 'A' || wanted > 'Z') return;
        const int n = static_cast<int>(lines_.size());
        for (int step = 1; step <= n; ++step) {
          const GridLine& line = lines_[(row_ + step) % n];
          if (line.item < 0 || line.name.empty()) continue;
          if (std::toupper(static_cast<unsigned char>(line.name[0])) == wanted) {
            row_ = (row_ + step) % n;
            break;
          }
        }
        break;
      }
    }
  });
}

void frmMaster::VSFlexGrid1_AfterEdit(int line, const std::string& text) {
  Procedure proc(context_, "Pelorin.frmMaster.VSFlexGrid1_AfterEdit");
  proc.Do([&] {
    if (line < 0 || line >= static_cast<int>(lines_.size()) || lines_[line].item < 0) return;
    PropertyItem& item = items_[lines_[line].item];
    item.value = Variant(text);
    lines_[line].value = ShownValue(item);
    if (edit_requested_ == line) edit_requested_ = -1;
  });
}

void frmMaster::VSFlexGrid1_CellButtonClick(int line) {
  Procedure proc(context_, "Pelorin.frmMaster.VSFlexGrid1_CellButtonClick");
  proc.Do([&] {
    if (line < 0 || line >= static_cast<int>(lines_.size()) || lines_[line].item < 0) return;
    if (items_[lines_[line].item].kind != 6) return;
    RowFlexGrid = lines_[line].item;
    row_ = line;
    Hide("DATABEGINNING");
  });
}

void frmMaster::SetDataBeginning(const std::string& text) {
  Procedure proc(context_, "Pelorin.frmMaster.DataBeginning");
  proc.Do([&] {
    data_beginning_ = text;
    if (RowFlexGrid < 0 || RowFlexGrid >= static_cast<int>(items_.size())) return;
    items_[RowFlexGrid].value = Variant(text);
    DisplayCategorized();
  });
}

bool frmMaster::CheckField() {
  Procedure proc(context_, "Pelorin.frmMaster.CheckField");
  bool ok = false;
  proc.Do([&] {
    TickerRowFields row;
    std::vector<std::pair<std::string, std::string>> source_values;
    std::vector<std::string> ticked;
    for (int index : OrderedItems()) {
      const PropertyItem& item = items_[index];
      const std::string value = ShownValue(item);
      int16_t message = 0;
      if (item.category == kCatSource) {
        if (item.name.empty()) continue;  // the placeholder line
        if (item.kind == 7 && !IsNumericText(value)) {
          message = 67;
        } else if (item.kind != 1 && item.kind != 2 && item.kind != 3 && item.kind != 7 && value.empty() &&
                   ToText(item.initial, DateForm()).empty()) {
          message = 61;
        } else {
          const std::string key = form_text::Upper(item.name);
          source_values.emplace_back(key, value);
          if (key == "TICKER" || key == "ITEM") row.Ticker = value;
          if (key == "STARTDATE") row.StartDate = Variant(PortableDate(value));
          if (key == "ENDDATE") row.EndDate = Variant(PortableDate(value));
          if (key == "PERIODICITY") row.Periodicity = value;
        }
      } else if (item.category == kCatData) {
        if (item.kind == 6) {
          if (!value.empty() && Owner().ErrorAddress(value)) {
            message = 11;
          } else {
            row.DataBeginning = value;
          }
        } else if (item.name == location_name_) {
          row.DataLocation = value;
        } else if (item.name == direction_name_) {
          row.DataDirection = value;
        }
      } else if (item.category == kCatDataFields) {
        if (form_text::Lower(value) == "true") {
          for (const FieldItem& field : kFieldItems) {
            if (item.name == field.name) ticked.emplace_back(field.letter);
          }
        }
      }
      if (message != 0) {
        Owner().myBreak(message, item.name, row.Ticker);
        // Open the offending line for editing.
        collapsed_.erase(std::remove(collapsed_.begin(), collapsed_.end(), item.category), collapsed_.end());
        DisplayCategorized();
        for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
          if (lines_[i].item == index) {
            row_ = i;
            col_ = kColValue;
            edit_requested_ = i;
          }
        }
        return;
      }
    }
    row.DataFields = FieldLettersFor(ticked, Owner().TWP("D5"));
    if (source_index_ > 0) row.DataSource = ComposeDataSource(sources_[source_index_], source_values);
    Owner().AddNewRecord(row.Ticker, ToText(row.StartDate, DateForm()), ToText(row.EndDate, DateForm()),
                         row.Periodicity, row.DataDirection, row.DataLocation, row.DataBeginning, row.DataSource,
                         row.DataFields);
    ++rows_inserted_;
    ok = true;
  });
  return ok;
}

void frmMaster::Hide(const char* request) {
  Tag = request;
  hidden_ = true;
}

void frmMaster::cmdInsert_Click() {
  Procedure proc(context_, "Pelorin.frmMaster.cmdInsert_Click");
  bool ok = false;
  proc.Do([&] { ok = CheckField(); });
  if (ok) proc.Do([&] { Hide("CLOSE"); });
}

void frmMaster::cmdInsertNew_Click() {
  Procedure proc(context_, "Pelorin.frmMaster.cmdInsertNew_Click");
  proc.Do([&] { CheckField(); });
}

void frmMaster::cmdCancel_Click() {
  Procedure proc(context_, "Pelorin.frmMaster.cmdCancel_Click");
  proc.Do([&] { Hide("CLOSE"); });
}

void frmMaster::cmdHelp_Click() {
  Procedure proc(context_, "Pelorin.frmMaster.cmdHelp_Click");
  proc.Do([&] {
    if (help_) help_("Master_Pelorin.htm");
  });
}

bool frmMaster::Click(const std::string& control) {
  if (control == "cmdInsert") {
    cmdInsert_Click();
  } else if (control == "cmdInsertNew") {
    cmdInsertNew_Click();
  } else if (control == "cmdCancel") {
    cmdCancel_Click();
  } else if (control == "cmdHelp") {
    cmdHelp_Click();
  } else {
    return false;
  }
  return true;
}

}  // namespace plrxl
