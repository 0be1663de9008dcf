// The remote mode's session (see calc_remote_api.h): reach an office, or
// start one, and find the project open in it or open it.
#include <filesystem>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <osl/file.hxx>

#include "host/calc/calc_remote_api.h"
#include "host/calc/internal/calc_objects.h"

namespace plrxl::calc {
namespace {

// The document of the office whose file is `path`, or null.
Reference<css::lang::XComponent> FindOpenDocument(CalcOffice& office, const std::string& path) {
  const rtl::OUString url = FileUrl(path);
  try {
    Reference<css::container::XEnumeration> documents =
        office.Uno().desktop->getComponents()->createEnumeration();
    while (documents->hasMoreElements()) {
      Reference<css::frame::XModel> model(documents->nextElement(), UNO_QUERY);
      if (model.is() && model->getURL() == url) return Reference<css::lang::XComponent>(model, UNO_QUERY);
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot list the documents open in the office", e);
  }
  return nullptr;
}

class Session : public RemoteSession {
 public:
  explicit Session(const RemoteRequest& request) {
    office_ = CalcOffice::ConnectIfAccepting(request.connection);
    if (!office_) {
      if (!CalcOffice::ProgramAvailable(request.soffice)) {
        throw Error(kErrRange, "Calc host",
                    "No office accepts connections at " + request.connection + ", and the office program '" +
                        request.soffice + "' to start one was not found");
      }
      StartOptions start;
      start.soffice = request.soffice;
      start.profile_dir = request.profile_dir;
      office_ = CalcOffice::Start(start);
      started_ = true;
    }
    // The documents it opens are hidden: a headless office goes down when
    // a document is shown in a window, and nothing tells us whether the
    // office is headless.
    CalcHostOptions options;
    options.hidden = true;
    host_ = std::make_unique<CalcHost>(*office_, request.regional, options);
    const std::filesystem::path full = std::filesystem::absolute(request.project).lexically_normal();
    if (!started_) {
      if (Reference<css::lang::XComponent> open = FindOpenDocument(*office_, full.string()); open.is()) {
        book_ = &static_cast<CalcWorkbook&>(host_->AdoptDocument(open));
        found_open_ = true;
        return;
      }
    }
    book_ = &static_cast<CalcWorkbook&>(host_->OpenWorkbook(full.string()));
  }

  ~Session() override {
    // A document that was open before stays open; one this session opened
    // (hidden) is closed with the host.
    if (found_open_ && book_ != nullptr) {
      try {
        book_->LetGo();
      } catch (...) {
        // The office went away: nothing left to keep.
      }
    }
    host_.reset();
    office_->Shutdown();
  }

  SpreadsheetHost& Host() override { return *host_; }
  Workbook& Project() override { return *book_; }
  bool FoundOpen() const override { return found_open_; }
  bool StartedOffice() const override { return started_; }
  double SecondsToAccept() const override { return office_->SecondsToAccept(); }

  void Save() override {
    if (found_open_) book_->StoreInPlace();
    else book_->Save();
  }

 private:
  std::unique_ptr<CalcOffice> office_;
  std::unique_ptr<CalcHost> host_;
  CalcWorkbook* book_ = nullptr;
  bool started_ = false;
  bool found_open_ = false;
};

}  // namespace
}  // namespace plrxl::calc

extern "C" void PelorinXLOpenCalcSession(const plrxl::calc::RemoteRequest& request,
                                         std::unique_ptr<plrxl::calc::RemoteSession>& session) {
  session = std::make_unique<plrxl::calc::Session>(request);
}
