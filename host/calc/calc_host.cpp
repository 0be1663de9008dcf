#include "host/calc/calc_host.h"

#include <filesystem>

#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <osl/file.hxx>

#include "host/calc/internal/calc_objects.h"
#include "host/internal/host_errors.h"

namespace plrxl::calc {
namespace {

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

CalcHost::CalcHost(CalcOffice& office, RegionalSettings regional, CalcHostOptions options)
    : office_(office), regional_(std::move(regional)), options_(options) {}

CalcHost::~CalcHost() {
  while (!books_.empty()) books_.back()->Close();
}

Workbook& CalcHost::WorkbookAt(int index) {
  if (index < 1 || index > WorkbookCount()) ThrowSubscript("workbook " + std::to_string(index));
  return *books_[static_cast<size_t>(index - 1)];
}

Workbook* CalcHost::FindWorkbook(const std::string& name) {
  for (auto& wb : books_)
    if (SameNameNoCase(wb->Name(), name)) return wb.get();
  for (auto& wb : books_)
    if (SameNameNoCase(WithoutExtension(wb->Name()), name)) return wb.get();
  return nullptr;
}

void CalcHost::SetActiveWorkbook(Workbook& wb) {
  for (auto& b : books_) {
    if (b.get() == &wb) {
      active_ = b.get();
      return;
    }
  }
  ThrowSubscript("workbook not open in this host");
}

Reference<css::lang::XComponent> CalcHost::Load(const std::string& url) {
  // Always loaded hidden and shown afterwards: a headless office goes down
  // when it is asked to load a document into a window.
  css::uno::Sequence<css::beans::PropertyValue> args(1);
  args.getArray()[0].Name = "Hidden";
  args.getArray()[0].Value <<= true;
  Reference<css::lang::XComponent> component;
  try {
    Reference<css::frame::XComponentLoader> loader(office_.Uno().desktop, UNO_QUERY_THROW);
    component = loader->loadComponentFromURL(ToOu(url), "_blank", 0, args);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot open " + url, e);
  }
  if (!component.is()) throw Error(kErrRange, kHostSource, "Cannot open " + url);
  if (!Reference<css::sheet::XSpreadsheetDocument>(component, UNO_QUERY).is()) {
    component->dispose();
    throw Error(kErrRange, kHostSource, url + " is not a spreadsheet");
  }
  if (!options_.hidden) {
    try {
      Reference<css::frame::XModel> model(component, UNO_QUERY_THROW);
      Reference<css::frame::XController> controller = model->getCurrentController();
      Reference<css::frame::XFrame> frame = controller.is() ? controller->getFrame() : nullptr;
      Reference<css::awt::XWindow> window = frame.is() ? frame->getContainerWindow() : nullptr;
      if (window.is()) window->setVisible(true);
    } catch (const css::uno::Exception& e) {
      component->dispose();
      ThrowFromUno("Cannot show " + url, e);
    }
  }
  return component;
}

Workbook& CalcHost::AddWorkbook() {
  auto book = std::make_unique<CalcWorkbook>(*this, Load("private:factory/scalc"),
                                             "Book" + std::to_string(next_book_number_++), "");
  book->SetUpNewDocument();
  book->LockControllers(!screen_updating_);
  books_.push_back(std::move(book));
  active_ = books_.back().get();
  return *active_;
}

Workbook& CalcHost::OpenWorkbook(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path full = fs::absolute(fs::path(path)).lexically_normal();
  for (auto& wb : books_) {
    if (wb->FullName() == full.string()) {
      active_ = wb.get();
      return *wb;
    }
  }
  std::error_code ec;
  if (!fs::is_regular_file(full, ec)) throw Error(kErrRange, kHostSource, path + ": no such file");
  auto book = std::make_unique<CalcWorkbook>(*this, Load(FromOu(FileUrl(full.string()))), full.filename().string(),
                                             full.parent_path().string());
  book->RefuseDates1904();  // closes the document again when it throws
  book->LockControllers(!screen_updating_);
  books_.push_back(std::move(book));
  active_ = books_.back().get();
  return *active_;
}

Workbook& CalcHost::AdoptDocument(Reference<css::lang::XComponent> document) {
  for (auto& wb : books_) {
    if (wb->Document() == Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY)) {
      active_ = wb.get();
      return *wb;
    }
  }
  if (!Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY).is())
    throw Error(kErrRange, kHostSource, "The document is not a spreadsheet");
  std::string name = "Book" + std::to_string(next_book_number_++), folder;
  Reference<css::frame::XModel> model(document, UNO_QUERY);
  rtl::OUString system_path;
  if (model.is() && !model->getURL().isEmpty() &&
      osl::FileBase::getSystemPathFromFileURL(model->getURL(), system_path) == osl::FileBase::E_None) {
    const std::filesystem::path full(FromOu(system_path));
    name = full.filename().string();
    folder = full.parent_path().string();
  }
  auto book = std::make_unique<CalcWorkbook>(*this, document, name, folder, false);
  book->RefuseDates1904();  // lets the document go again when it throws
  book->LockControllers(!screen_updating_);
  books_.push_back(std::move(book));
  active_ = books_.back().get();
  return *active_;
}

void CalcHost::Closed(CalcWorkbook* book) {
  for (auto it = books_.begin(); it != books_.end(); ++it) {
    if (it->get() != book) continue;
    auto keep = std::move(*it);  // destroyed after the list no longer holds it
    books_.erase(it);
    if (active_ == book) active_ = books_.empty() ? nullptr : books_.back().get();
    return;
  }
}

void CalcHost::SetScreenUpdating(bool on) {
  if (on == screen_updating_) return;
  screen_updating_ = on;
  for (auto& b : books_) b->LockControllers(!on);
}

Variant CalcHost::Run(const std::string& name, std::vector<Variant> args) {
  for (auto& b : books_) b->FlushCells();
  return functions_.Run(*this, name, args);
}

void CalcHost::RegisterFunction(const std::string& name, HostFunction fn) { functions_.Register(name, std::move(fn)); }

bool CalcHost::HasFunction(const std::string& name) const { return functions_.Has(name); }

void CalcHost::DoEvents() {
  // What was written shows before the person gets a turn.
  for (auto& b : books_) b->Flush();
  if (do_events_hook_) do_events_hook_();
}

std::unique_ptr<SpreadsheetHost> MakeCalcHost(CalcOffice& office, const RegionalSettings& regional,
                                              const CalcHostOptions& options) {
  return std::make_unique<CalcHost>(office, regional, options);
}

}  // namespace plrxl::calc
