// CalcWorkbook: a Calc document as a workbook: its sheets, styles, names,
// number formats and files.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include "host/calc/internal/calc_objects.h"
#include "host/calc/internal/calc_text.h"
#include "host/internal/host_errors.h"
#include "host/letter_case.h"

namespace plrxl::calc {
namespace {

constexpr int kMaxStyles = 65536;

// Format codes are given and kept in the English form, whatever the
// office's own language.
css::lang::Locale English() { return css::lang::Locale("en", "US", ""); }

Reference<css::sheet::XNamedRanges> NamedRanges(const Reference<css::sheet::XSpreadsheetDocument>& document) {
  Reference<css::beans::XPropertySet> props(document, UNO_QUERY_THROW);
  return Reference<css::sheet::XNamedRanges>(props->getPropertyValue("NamedRanges"), UNO_QUERY_THROW);
}

// The office's filter for a file name's extension.
std::string FilterFor(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == ".ods") return "calc8";
  if (ext == ".xlsm") return "Calc MS Excel 2007 VBA XML";
  return "Calc MS Excel 2007 XML";
}

}  // namespace

CalcWorkbook::CalcWorkbook(CalcHost& host, Reference<css::lang::XComponent> document, std::string name,
                           std::string path, bool owned)
    : host_(host),
      component_(document),
      document_(document, UNO_QUERY_THROW),
      name_(std::move(name)),
      path_(std::move(path)),
      styles_(1),
      owned_(owned) {
  try {
    Reference<css::util::XNumberFormatsSupplier> supplier(document_, UNO_QUERY_THROW);
    formats_ = supplier->getNumberFormats();
    Reference<css::container::XIndexAccess> sheets(document_->getSheets(), UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < sheets->getCount(); ++i)
      Wrap(Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(i), UNO_QUERY_THROW));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the document's sheets", e);
  }
  active_ = OtherVisibleSheet(nullptr);
}

CalcWorkbook::~CalcWorkbook() = default;

SpreadsheetHost& CalcWorkbook::Application() { return host_; }

CalcWorksheet& CalcWorkbook::Wrap(Reference<css::sheet::XSpreadsheet> sheet) {
  sheets_.push_back(std::make_unique<CalcWorksheet>(*this, std::move(sheet)));
  return *sheets_.back();
}

void CalcWorkbook::SetUpNewDocument() {
  try {
    Reference<css::style::XStyleFamiliesSupplier> families(document_, UNO_QUERY_THROW);
    Reference<css::container::XNameAccess> cell_styles(families->getStyleFamilies()->getByName("CellStyles"),
                                                       UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> standard(cell_styles->getByName("Default"), UNO_QUERY_THROW);
    const CellStyle defaults;
    standard->setPropertyValue("CharFontName", css::uno::Any(ToOu(defaults.font_name)));
    standard->setPropertyValue("CharHeight", css::uno::Any(static_cast<float>(defaults.font_size)));
    default_style_.reset();
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot set the new workbook's default font", e);
  }
  while (sheets_.size() > 1) DeleteWorksheet(*sheets_.back());
  if (sheets_.empty()) AddWorksheet();
  if (sheets_[0]->Name() != "Sheet1") sheets_[0]->SetName("Sheet1");
  sheets_[0]->UseDefaultColumnWidth();
  sheets_[0]->NoteNew();
  active_ = sheets_[0].get();
}

const CellStyle& CalcWorkbook::DefaultStyle() {
  if (!default_style_) {
    try {
      Reference<css::style::XStyleFamiliesSupplier> families(document_, UNO_QUERY_THROW);
      Reference<css::container::XNameAccess> cell_styles(families->getStyleFamilies()->getByName("CellStyles"),
                                                         UNO_QUERY_THROW);
      default_style_ =
          ReadStyle(*this, Reference<css::beans::XPropertySet>(cell_styles->getByName("Default"), UNO_QUERY_THROW));
    } catch (const css::uno::Exception& e) {
      ThrowFromUno("Cannot read the document's default cell style", e);
    }
  }
  return *default_style_;
}

Worksheet& CalcWorkbook::WorksheetAt(int index) {
  if (index < 1 || index > WorksheetCount()) ThrowSubscript("sheet " + std::to_string(index));
  return *sheets_[static_cast<size_t>(index - 1)];
}

Worksheet* CalcWorkbook::FindWorksheet(const std::string& name) {
  for (auto& s : sheets_)
    if (SameNameNoCase(s->Name(), name)) return s.get();
  return nullptr;
}

void CalcWorkbook::CheckName(const std::string& name, const Worksheet* self) const {
  bool taken = false;
  for (const auto& s : sheets_) taken |= s.get() != self && SameNameNoCase(s->Name(), name);
  CheckSheetName(name, taken);
}

Worksheet& CalcWorkbook::AddWorksheet(Worksheet* before) {
  std::string name;
  for (int n = WorksheetCount() + 1;; ++n) {
    name = "Sheet" + std::to_string(n);
    if (!FindWorksheet(name)) break;
  }
  size_t at = sheets_.size();
  if (before != nullptr) {
    auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == before; });
    if (it == sheets_.end()) ThrowSubscript("sheet not in this workbook");
    at = static_cast<size_t>(it - sheets_.begin());
  }
  Reference<css::sheet::XSpreadsheet> sheet;
  try {
    Reference<css::sheet::XSpreadsheets> sheets = document_->getSheets();
    sheets->insertNewByName(ToOu(name), static_cast<sal_Int16>(at));
    sheet.set(sheets->getByName(ToOu(name)), UNO_QUERY_THROW);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot add the sheet " + name, e);
  }
  sheets_.insert(sheets_.begin() + static_cast<long>(at), std::make_unique<CalcWorksheet>(*this, sheet));
  CalcWorksheet* added = sheets_[at].get();
  added->UseDefaultColumnWidth();
  added->NoteNew();
  active_ = added;
  return *added;
}

CalcWorksheet* CalcWorkbook::OtherVisibleSheet(const Worksheet* except) {
  for (auto& s : sheets_)
    if (s.get() != except && s->Visible()) return s.get();
  return nullptr;
}

void CalcWorkbook::SetActiveSheet(CalcWorksheet* sheet) { active_ = sheet; }

void CalcWorkbook::DeleteWorksheet(Worksheet& sheet) {
  auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == &sheet; });
  if (it == sheets_.end()) ThrowSubscript("sheet not in this workbook");
  if (sheets_.size() > 1 && OtherVisibleSheet(&sheet) == nullptr)
    throw Error(kErrRange, kHostSource, "A workbook must contain at least one visible worksheet.");
  Flush();
  try {
    document_->getSheets()->removeByName(ToOu(sheet.Name()));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot delete the sheet " + sheet.Name(), e);
  }
  ForgetNames();
  auto gone = std::move(*it);
  sheets_.erase(it);
  if (active_ == gone.get()) active_ = OtherVisibleSheet(nullptr);
  for (auto& s : sheets_) s->ForgetReads();
}

void CalcWorkbook::MoveWorksheet(Worksheet& sheet, int new_index) {
  auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == &sheet; });
  if (it == sheets_.end()) ThrowSubscript("sheet not in this workbook");
  if (new_index < 1 || new_index > WorksheetCount()) ThrowSubscript("sheet position " + std::to_string(new_index));
  const long from = it - sheets_.begin();
  const long to = new_index - 1;
  if (from == to) return;
  Flush();
  try {
    // Calc puts the sheet before the one at the destination, counted
    // before the move.
    document_->getSheets()->moveByName(ToOu(sheet.Name()), static_cast<sal_Int16>(to > from ? to + 1 : to));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot move the sheet " + sheet.Name(), e);
  }
  auto moving = std::move(*it);
  sheets_.erase(it);
  sheets_.insert(sheets_.begin() + to, std::move(moving));
}

void CalcWorkbook::SetDate1904(bool on) {
  if (on) throw Error(kErrRange, kHostSource, "The Calc host does not support the 1904 date system yet");
}

// Calc counts a document's dates from its null date, 1 January 1904 in the
// 1904 system. The system's date numbers are those of the 1900 system
// whatever the file's, and this host does not shift them yet: such a
// document is refused rather than read four years off.
void CalcWorkbook::RefuseDates1904() const {
  css::util::Date null_date;
  try {
    Reference<css::beans::XPropertySet>(document_, UNO_QUERY_THROW)->getPropertyValue("NullDate") >>= null_date;
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the date system of " + FullName(), e);
  }
  if (null_date.Year == 1904) {
    throw Error(kErrRange, kHostSource,
                FullName() + " counts its dates in the 1904 date system, which the Calc host does not support yet "
                             "(the command line reads it)");
  }
}

int CalcWorkbook::InternStyle(const CellStyle& style) {
  for (size_t i = 0; i < styles_.size(); ++i)
    if (styles_[i] == style) return static_cast<int>(i);
  if (styles_.size() >= kMaxStyles) ThrowRangeError("too many different cell formats");
  styles_.push_back(style);
  return static_cast<int>(styles_.size() - 1);
}

const CellStyle& CalcWorkbook::StyleAt(int style_id) const {
  if (style_id < 0 || style_id >= StyleCount()) ThrowSubscript("style " + std::to_string(style_id));
  return styles_[static_cast<size_t>(style_id)];
}

// The names local to a sheet; null when the office offers none.
Reference<css::sheet::XNamedRanges> CalcWorkbook::SheetNames(const CalcWorksheet& sheet) {
  Reference<css::beans::XPropertySet> props(sheet.Uno(), UNO_QUERY_THROW);
  Reference<css::beans::XPropertySetInfo> info = props->getPropertySetInfo();
  if (info.is() && !info->hasPropertyByName("NamedRanges")) return nullptr;
  return Reference<css::sheet::XNamedRanges>(props->getPropertyValue("NamedRanges"), UNO_QUERY);
}

void CalcWorkbook::ReadNames() const {
  if (names_known_) return;
  names_.clear();
  const auto read = [this](const Reference<css::sheet::XNamedRanges>& ranges, const Worksheet* scope) {
    Reference<css::container::XNameAccess> by_name(ranges, UNO_QUERY_THROW);
    for (const rtl::OUString& n : by_name->getElementNames()) {
      Reference<css::sheet::XNamedRange> range(by_name->getByName(n), UNO_QUERY_THROW);
      DefinedName name;
      name.name = FromOu(n);
      name.refers_to = NameReferenceFromCalc(FromOu(range->getContent()));
      name.scope = scope;
      names_.push_back(std::move(name));
    }
  };
  try {
    read(NamedRanges(document_), nullptr);
    for (const auto& sheet : sheets_) {
      if (Reference<css::sheet::XNamedRanges> local = SheetNames(*sheet); local.is()) read(local, sheet.get());
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the workbook's names", e);
  }
  // By name; the workbook's name first, then the local ones by sheet.
  const auto position = [this](const Worksheet* scope) {
    for (size_t i = 0; i < sheets_.size(); ++i)
      if (sheets_[i].get() == scope) return static_cast<int>(i);
    return -1;
  };
  std::stable_sort(names_.begin(), names_.end(), [&](const DefinedName& a, const DefinedName& b) {
    const int by_name = CompareIgnoringCase(a.name, b.name);
    return by_name != 0 ? by_name < 0 : position(a.scope) < position(b.scope);
  });
  names_known_ = true;
}

int CalcWorkbook::NameCount() const {
  ReadNames();
  return static_cast<int>(names_.size());
}

const DefinedName& CalcWorkbook::NameAt(int index) const {
  ReadNames();
  if (index < 1 || index > static_cast<int>(names_.size())) ThrowSubscript("name " + std::to_string(index));
  return names_[static_cast<size_t>(index - 1)];
}

// The workbook's name, or else the one local to the active sheet.
const DefinedName* CalcWorkbook::FindName(const std::string& name) const {
  ReadNames();
  const DefinedName* local = nullptr;
  for (const DefinedName& n : names_) {
    if (!SameNameNoCase(n.name, name)) continue;
    if (n.scope == nullptr) return &n;
    if (n.scope == active_) local = &n;
  }
  return local;
}

void CalcWorkbook::AddName(const std::string& name, const std::string& refers_to) {
  DefinedName defined;
  defined.name = name;
  defined.refers_to = refers_to;
  DefineName(defined);
}

Reference<css::sheet::XNamedRanges> CalcWorkbook::NamesOf(const Worksheet* scope) const {
  if (scope == nullptr) return NamedRanges(document_);
  for (const auto& sheet : sheets_) {
    if (sheet.get() != scope) continue;
    Reference<css::sheet::XNamedRanges> local = SheetNames(*sheet);
    if (!local.is()) throw Error(kErrRange, kHostSource, "This office keeps no names local to a sheet");
    return local;
  }
  ThrowSubscript("a sheet not in this workbook");
}

void CalcWorkbook::DefineName(const DefinedName& name) {
  if (name.name.empty() || name.name.find_first_of(" !:'\"") != std::string::npos)
    ThrowRangeError("not a valid name: '" + name.name + "'");
  const std::string content = NameReferenceToCalc(name.refers_to);
  try {
    Reference<css::sheet::XNamedRanges> ranges = NamesOf(name.scope);
    Reference<css::container::XNameAccess> by_name(ranges, UNO_QUERY_THROW);
    ReadNames();
    for (const DefinedName& old : names_) {
      if (old.scope == name.scope && SameNameNoCase(old.name, name.name)) {
        ranges->removeByName(ToOu(old.name));
        break;
      }
    }
    ForgetNames();
    ranges->addNewByName(ToOu(name.name), ToOu(content), css::table::CellAddress(0, 0, 0), 0);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot define the name " + name.name, e);
  }
}

void CalcWorkbook::DeleteName(const std::string& name) {
  const DefinedName* found = FindName(name);
  if (found == nullptr) ThrowSubscript("name '" + name + "'");
  try {
    const std::string gone = found->name;
    Reference<css::sheet::XNamedRanges> ranges = NamesOf(found->scope);
    ForgetNames();
    ranges->removeByName(ToOu(gone));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot delete the name " + name, e);
  }
}

void CalcWorkbook::SaveAs(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target = fs::absolute(fs::path(path)).lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(target.parent_path(), ec))
    throw Error(kErrRange, kHostSource, path + ": the folder does not exist");
  Flush();
  // Written beside the target and renamed over it: a failed save leaves the
  // file as it was.
  const fs::path temporary = target.parent_path() / ("." + target.filename().string() + ".plrxl-saving");
  css::uno::Sequence<css::beans::PropertyValue> args(2);
  args.getArray()[0].Name = "FilterName";
  args.getArray()[0].Value <<= ToOu(FilterFor(target));
  args.getArray()[1].Name = "Overwrite";
  args.getArray()[1].Value <<= true;
  try {
    Reference<css::frame::XStorable> storable(document_, UNO_QUERY_THROW);
    storable->storeToURL(FileUrl(temporary.string()), args);
  } catch (const css::uno::Exception& e) {
    fs::remove(temporary, ec);
    ThrowFromUno("Cannot save " + path, e);
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    throw Error(kErrRange, kHostSource, "Cannot save " + path + ": " + ec.message());
  }
  name_ = target.filename().string();
  path_ = target.parent_path().string();
}

void CalcWorkbook::Save() {
  if (path_.empty()) throw Error(kErrRange, kHostSource, name_ + " was never saved: give it a file name");
  SaveAs(FullName());
}

void CalcWorkbook::SetCarriedFeatures(std::shared_ptr<const CarriedWorkbookFeatures> features) {
  if (features != nullptr)
    throw Error(kErrRange, kHostSource, "A Calc document keeps its own file's features: nothing to carry");
}

void CalcWorkbook::Close() {
  try {
    if (locked_) LockControllers(false);
    if (owned_) {
      Reference<css::util::XCloseable> closeable(document_, UNO_QUERY);
      if (closeable.is()) closeable->close(true);
      else component_->dispose();
    } else {
      try {
        Flush();  // the person's document keeps what was written
      } catch (const Error&) {
        // A document the person closed meanwhile takes nothing more.
      }
    }
  } catch (const css::uno::Exception&) {
    // A document the office already closed (the person closed it) is gone
    // all the same.
  }
  host_.Closed(this);  // destroys this object
}

void CalcWorkbook::LetGo() {
  Flush();
  try {
    if (locked_) LockControllers(false);
  } catch (const css::uno::Exception&) {
    // Closed in the office meanwhile.
  }
  host_.Closed(this);  // destroys this object
}

void CalcWorkbook::StoreInPlace() {
  Flush();
  try {
    Reference<css::frame::XStorable> storable(document_, UNO_QUERY_THROW);
    storable->store();
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot save " + FullName(), e);
  }
}

void CalcWorkbook::Flush() {
  FlushCells();
  for (auto& s : sheets_) s->FlushCharts();
}

void CalcWorkbook::FlushCells() {
  bool wrote = false;
  for (auto& s : sheets_) wrote |= s->Flush();
  // Only formulas change where nothing was written.
  if (wrote)
    for (auto& s : sheets_) s->ForgetFormulaReads();
}

sal_Int32 CalcWorkbook::FormatKey(const std::string& code) {
  auto found = keys_.find(code);
  if (found != keys_.end()) return found->second;
  sal_Int32 key = -1;
  try {
    key = formats_->queryKey(ToOu(code), English(), false);
    if (key < 0) key = formats_->addNew(ToOu(code), English());
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Calc does not take the number format '" + code + "'", e);
  }
  keys_[code] = key;
  codes_[key] = code;
  return key;
}

std::string CalcWorkbook::FormatCode(sal_Int32 key) {
  auto found = codes_.find(key);
  if (found != codes_.end()) return found->second;
  std::string code;
  try {
    Reference<css::beans::XPropertySet> format = formats_->getByKey(key);
    rtl::OUString text;
    format->getPropertyValue("FormatString") >>= text;
    code = FromOu(text);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read number format " + std::to_string(key), e);
  }
  if (code.empty()) code = "General";
  codes_[key] = code;
  return code;
}

VarType CalcWorkbook::KindOfFormat(sal_Int32 key) {
  auto found = kinds_.find(key);
  if (found != kinds_.end()) return found->second;
  sal_Int16 type = 0;
  try {
    formats_->getByKey(key)->getPropertyValue("Type") >>= type;
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read number format " + std::to_string(key), e);
  }
  namespace nf = css::util::NumberFormat;
  VarType kind = VarType::kNumber;
  if (type & (nf::DATE | nf::TIME)) kind = VarType::kDate;
  else if (type & nf::LOGICAL) kind = VarType::kBoolean;
  kinds_[key] = kind;
  return kind;
}

Reference<css::frame::XController> CalcWorkbook::View() const {
  Reference<css::frame::XModel> model(document_, UNO_QUERY);
  return model.is() ? model->getCurrentController() : nullptr;
}

void CalcWorkbook::LockControllers(bool lock) {
  if (lock == locked_) return;
  Reference<css::frame::XModel> model(document_, UNO_QUERY);
  if (!model.is()) return;
  if (lock) model->lockControllers();
  else model->unlockControllers();
  locked_ = lock;
}

}  // namespace plrxl::calc
