#include "host/memory/memory_host.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "host/internal/host_errors.h"
#include "host/memory/internal/memory_workbook.h"

namespace plrxl {
namespace {

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

MemoryHost::MemoryHost(std::unique_ptr<WorkbookStore> store, RegionalSettings rs)
    : store_(std::move(store)), regional_(std::move(rs)) {}

MemoryHost::~MemoryHost() = default;

MemoryWorkbook& MemoryHost::NewWorkbook() {
  auto wb = std::make_shared<MemoryWorkbook>(*this, "Book" + std::to_string(next_book_number_++));
  workbooks_.push_back(wb);
  active_ = wb.get();
  return *wb;
}

Workbook& MemoryHost::AddEmptyWorkbook() { return NewWorkbook(); }

Workbook& MemoryHost::AddWorkbook() {
  MemoryWorkbook& wb = NewWorkbook();
  wb.AddWorksheet();
  return wb;
}

int MemoryHost::WorkbookCount() const { return static_cast<int>(workbooks_.size()); }

Workbook& MemoryHost::WorkbookAt(int index) {
  if (index < 1 || index > WorkbookCount()) ThrowSubscript("workbook " + std::to_string(index));
  return *workbooks_[static_cast<size_t>(index - 1)];
}

Workbook* MemoryHost::FindWorkbook(const std::string& name) {
  for (auto& wb : workbooks_)
    if (SameNameNoCase(wb->Name(), name)) return wb.get();
  // Like the spreadsheet, a saved workbook is also found without its extension.
  for (auto& wb : workbooks_)
    if (SameNameNoCase(WithoutExtension(wb->Name()), name)) return wb.get();
  return nullptr;
}

Workbook* MemoryHost::ActiveWorkbook() { return active_; }

void MemoryHost::SetActiveWorkbook(Workbook& wb) {
  for (auto& w : workbooks_) {
    if (w.get() == &wb) {
      active_ = w.get();
      return;
    }
  }
  ThrowSubscript("workbook not open in this host");
}

Workbook& MemoryHost::OpenWorkbook(const std::string& path) {
  if (!store_) throw Error(kErrRange, kHostSource, "No workbook store: cannot open or save files.");
  const std::string full =
      std::filesystem::absolute(std::filesystem::path(path)).lexically_normal().string();
  for (auto& wb : workbooks_) {
    if (wb->FullName() == full) {
      active_ = wb.get();
      return *wb;
    }
  }
  MemoryWorkbook& wb = NewWorkbook();
  try {
    wb.BeginLoad();
    store_->Load(path, wb);
    if (wb.WorksheetCount() == 0) throw Error(kErrRange, "PlrXL2.WorkbookStore", path + ": the workbook holds no sheet");
    wb.ForgetChanges();  // the results the file stored stand until their inputs change
  } catch (...) {
    CloseWorkbook(&wb);
    throw;
  }
  wb.SetFile(path);
  if (!wb.ActiveSheet()) wb.SetActiveSheet(wb.OtherVisibleSheet(nullptr));
  active_ = &wb;
  return wb;
}

void MemoryHost::CloseWorkbook(MemoryWorkbook* wb) {
  auto it = std::find_if(workbooks_.begin(), workbooks_.end(), [&](const auto& w) { return w.get() == wb; });
  if (it == workbooks_.end()) return;
  auto keep = *it;  // destroyed after the list no longer refers to it
  workbooks_.erase(it);
  if (active_ == wb) active_ = workbooks_.empty() ? nullptr : workbooks_.back().get();
}

Variant MemoryHost::Run(const std::string& name, std::vector<Variant> args) {
  return functions_.Run(*this, name, args);
}

void MemoryHost::RegisterFunction(const std::string& name, HostFunction fn) {
  functions_.Register(name, std::move(fn));
}

bool MemoryHost::HasFunction(const std::string& name) const { return functions_.Has(name); }

void MemoryHost::DoEvents() {
  if (do_events_hook_) do_events_hook_();
}

std::unique_ptr<SpreadsheetHost> MakeMemoryHost(std::unique_ptr<WorkbookStore> store, RegionalSettings rs) {
  return std::make_unique<MemoryHost>(std::move(store), std::move(rs));
}

}  // namespace plrxl
