#include "tests/calc_ext/ext_office.h"

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>

#include <com/sun/star/deployment/DeploymentException.hpp>
#include <com/sun/star/deployment/ExtensionManager.hpp>
#include <com/sun/star/frame/DispatchResultEvent.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XDispatchResultListener.hpp>
#include <com/sun/star/frame/XNotifyingDispatch.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "host/regional.h"

namespace plrxl::calc::testing {
namespace {

std::unique_ptr<CalcOffice>& Office() {
  static std::unique_ptr<CalcOffice> office;
  return office;
}

double SecondsSince(std::chrono::steady_clock::time_point begin) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// The person at the extension manager: approves the installation.
class Approver : public cppu::WeakImplHelper2<css::ucb::XCommandEnvironment, css::task::XInteractionHandler> {
 public:
  Reference<css::task::XInteractionHandler> SAL_CALL getInteractionHandler() override { return this; }
  Reference<css::ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return nullptr; }
  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
    for (const auto& choice : request->getContinuations()) {
      Reference<css::task::XInteractionApprove> approve(choice, UNO_QUERY);
      if (approve.is()) {
        approve->select();
        return;
      }
    }
  }
};

// Told by the extension when a dispatched command has ended.
class EndListener : public cppu::WeakImplHelper1<css::frame::XDispatchResultListener> {
 public:
  std::future<void> Ended() { return ended_.get_future(); }
  void SAL_CALL dispatchFinished(const css::frame::DispatchResultEvent&) override { ended_.set_value(); }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}

 private:
  std::promise<void> ended_;
};

struct Cleanup {
  ~Cleanup() {
    Office().reset();
    std::error_code ec;
    std::filesystem::remove_all(ExtFolder(), ec);
  }
};

}  // namespace

const std::string& ExtFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_calcext_XXXXXX").string();
    std::string path = mkdtemp(pattern.data());
    // The office, unopkg and the command line write caches and settings
    // under the home and XDG folders: never the real ones.
    for (const char* sub : {"home", "config", "cache", "profile"}) std::filesystem::create_directories(path + "/" + sub);
    setenv("HOME", (path + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (path + "/cache").c_str(), 1);
    setenv("PLRXL_CALC_UI_LOG", (path + "/ui.log").c_str(), 1);
    setenv("PLRXL_CALC_UI_ANSWERS", (path + "/ui.answers").c_str(), 1);
    return path;
  }();
  return folder;
}

std::string UiLogPath() { return ExtFolder() + "/ui.log"; }

std::vector<std::string> UiLogLines() {
  std::vector<std::string> lines;
  std::ifstream in(UiLogPath());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void ClearUiLog() { std::filesystem::remove(UiLogPath()); }

void AnswerDialogs(const std::vector<std::string>& answers) {
  std::ofstream out(ExtFolder() + "/ui.answers", std::ios::trunc);
  for (const std::string& answer : answers) out << answer << "\n";
}

const ExtOffice& SharedExtOffice() {
  static ExtOffice shared = [] {
    ExtOffice made;
    if (!CalcOffice::ProgramAvailable()) {
      made.why = "no office program (soffice) on this machine";
      return made;
    }
    // unopkg refuses to install for a user when run as root (CI), so an
    // office installs the extension into its own profile. A component added
    // while the office runs is run in a helper process of its own, where
    // every call to the document crosses a bridge; the office is started
    // again so that it loads the component into itself, as a person's
    // office does after an installation.
    StartOptions options;
    options.profile_dir = ExtFolder() + "/profile";
    options.timeout_seconds = 120;
    {
      std::unique_ptr<CalcOffice> installer = CalcOffice::Start(options);
      const auto begin = std::chrono::steady_clock::now();
      try {
        Reference<css::deployment::XExtensionManager> extensions =
            css::deployment::ExtensionManager::get(installer->Uno().context);
        extensions->addExtension(ToOu("file://" + std::string(PLRXL_OXT)), {}, "user",
                                 extensions->createAbortChannel(), new Approver);
      } catch (const css::deployment::DeploymentException& e) {
        css::uno::Exception cause;
        made.why = "the office could not install " + std::string(PLRXL_OXT) + ": " + FromOu(e.Message);
        if (e.Cause >>= cause) made.why += " (" + FromOu(cause.Message) + ")";
        return made;
      } catch (const css::uno::Exception& e) {
        made.why = "the office could not install " + std::string(PLRXL_OXT) + ": " + FromOu(e.Message);
        return made;
      }
      made.install_seconds = SecondsSince(begin);
    }
    Office() = CalcOffice::Start(options);
    static Cleanup cleanup;
    made.start_seconds = Office()->SecondsToAccept();
    made.office = Office().get();
    std::printf("[calc_ext] soffice accepting after %.2f s; extension installed in %.2f s\n", made.start_seconds,
                made.install_seconds);
    return made;
  }();
  return shared;
}

void WriteProject(const std::string& path, const std::vector<DemoRow>& rows) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings::FromLocale());
  // A fixed day: the project's default end date must not move between runs.
  Workbook& wb = AddNewProjectWorkbook(host, 45000);
  WriteDemoRows(wb, rows);
  wb.SaveAs(path);
}

Reference<css::frame::XModel> LoadDocument(CalcOffice& office, const std::string& path) {
  css::uno::Sequence<css::beans::PropertyValue> args(1);
  args.getArray()[0].Name = "Hidden";
  args.getArray()[0].Value <<= true;
  const std::string url = "file://" + std::filesystem::absolute(path).string();
  try {
    Reference<css::frame::XComponentLoader> loader(office.Uno().desktop, UNO_QUERY_THROW);
    return Reference<css::frame::XModel>(loader->loadComponentFromURL(ToOu(url), "_blank", 0, args), UNO_QUERY_THROW);
  } catch (const css::uno::Exception& e) {
    throw std::runtime_error("cannot open " + url + ": " + FromOu(e.Message));
  }
}

void Dispatch(CalcOffice& office, const Reference<css::frame::XModel>& document, const std::string& name) {
  (void)office;
  Reference<EndListener> listener(new EndListener);
  std::future<void> ended = listener->Ended();
  try {
    Reference<css::frame::XDispatchProvider> frame(document->getCurrentController()->getFrame(), UNO_QUERY_THROW);
    css::util::URL url;
    url.Complete = ToOu("vnd.plrxl:" + name);
    url.Protocol = "vnd.plrxl:";
    url.Path = ToOu(name);
    Reference<css::frame::XNotifyingDispatch> dispatch(frame->queryDispatch(url, "_self", 0), UNO_QUERY);
    if (!dispatch.is()) throw std::runtime_error("no handler for vnd.plrxl:" + name + " (is the extension installed?)");
    dispatch->dispatchWithNotification(url, {}, listener.get());
  } catch (const css::uno::Exception& e) {
    throw std::runtime_error("dispatching vnd.plrxl:" + name + ": " + FromOu(e.Message));
  }
  if (ended.wait_for(std::chrono::minutes(5)) != std::future_status::ready)
    throw std::runtime_error("vnd.plrxl:" + name + " did not end within 5 minutes");
}

void CloseDocument(const Reference<css::frame::XModel>& document) {
  Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
  if (closeable.is()) closeable->close(true);
}

int RunCli(const std::string& args) {
  const std::string command =
      std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl " + args + " > " + ExtFolder() + "/cli.log 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace plrxl::calc::testing
