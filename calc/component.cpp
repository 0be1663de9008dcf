// The UNO component Calc loads: a protocol handler for the "vnd.plrxl:"
// URLs of the PelorinXL menu and toolbar (registered by oxt/plrxl.components
// and oxt/ProtocolHandler.xcu).
//
// A command never runs inside the call that dispatched it: it is posted to
// the office's main thread (com.sun.star.awt.AsyncCallback), where the
// office's own windows live and where yielding to events is allowed. A
// caller that wants to know when it ended (the office's dispatch helper,
// scripts, tests) dispatches with a result listener and is told then.
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase4.hxx>
#include <cppuhelper/implementationentry.hxx>
#include <cppuhelper/supportsservice.hxx>

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/awt/XRequestCallback.hpp>
#include <com/sun/star/frame/DispatchResultEvent.hpp>
#include <com/sun/star/frame/DispatchResultState.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XNotifyingDispatch.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>

#include "calc/command_run.h"

namespace plrxl::calc {
namespace {

using css::uno::Any;
using css::uno::Sequence;

constexpr char kImplementationName[] = "org.pelorinxl.calc.CommandHandler";

// One command, run when the main thread gets to it.
class PostedCommand : public cppu::WeakImplHelper1<css::awt::XCallback> {
 public:
  PostedCommand(Reference<css::uno::XComponentContext> context, Reference<css::frame::XFrame> frame,
                const ExtensionCommand& command, Reference<css::frame::XDispatchResultListener> listener)
      : context_(std::move(context)), frame_(std::move(frame)), command_(command), listener_(std::move(listener)) {}

  void SAL_CALL notify(const Any&) override {
    RunExtensionCommand(context_, frame_, command_);
    if (!listener_.is()) return;
    try {
      css::frame::DispatchResultEvent done;
      done.Source = static_cast<cppu::OWeakObject*>(this);
      done.State = css::frame::DispatchResultState::SUCCESS;
      listener_->dispatchFinished(done);
    } catch (const css::uno::Exception&) {
      // A listener that went away learns nothing.
    }
  }

 private:
  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XFrame> frame_;
  const ExtensionCommand& command_;
  Reference<css::frame::XDispatchResultListener> listener_;
};

class CommandHandler
    : public cppu::WeakImplHelper4<css::frame::XDispatchProvider, css::frame::XNotifyingDispatch,
                                  css::lang::XInitialization, css::lang::XServiceInfo> {
 public:
  explicit CommandHandler(Reference<css::uno::XComponentContext> context) : context_(std::move(context)) {}

  // XInitialization: the office hands over the frame the menu belongs to.
  void SAL_CALL initialize(const Sequence<Any>& arguments) override {
    for (const Any& argument : arguments) {
      Reference<css::frame::XFrame> frame(argument, UNO_QUERY);
      if (frame.is()) frame_ = frame;
    }
  }

  // XDispatchProvider
  Reference<css::frame::XDispatch> SAL_CALL queryDispatch(const css::util::URL& url, const rtl::OUString&,
                                                          sal_Int32) override {
    return Find(url) != nullptr ? this : nullptr;
  }
  Sequence<Reference<css::frame::XDispatch>> SAL_CALL
  queryDispatches(const Sequence<css::frame::DispatchDescriptor>& requests) override {
    Sequence<Reference<css::frame::XDispatch>> found(requests.getLength());
    for (sal_Int32 i = 0; i < requests.getLength(); ++i)
      found.getArray()[i] = queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
    return found;
  }

  // XDispatch, XNotifyingDispatch
  void SAL_CALL dispatch(const css::util::URL& url, const Sequence<css::beans::PropertyValue>&) override {
    Post(url, nullptr);
  }
  void SAL_CALL dispatchWithNotification(const css::util::URL& url, const Sequence<css::beans::PropertyValue>&,
                                         const Reference<css::frame::XDispatchResultListener>& listener) override {
    Post(url, listener);
  }
  // The commands are always enabled; there is no state to report.
  void SAL_CALL addStatusListener(const Reference<css::frame::XStatusListener>&, const css::util::URL&) override {}
  void SAL_CALL removeStatusListener(const Reference<css::frame::XStatusListener>&, const css::util::URL&) override {}

  // XServiceInfo
  rtl::OUString SAL_CALL getImplementationName() override { return kImplementationName; }
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override { return cppu::supportsService(this, name); }
  Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override { return ServiceNames(); }

  static Sequence<rtl::OUString> ServiceNames() {
    Sequence<rtl::OUString> names(2);
    names.getArray()[0] = "com.sun.star.frame.ProtocolHandler";
    names.getArray()[1] = kImplementationName;
    return names;
  }

 private:
  static const ExtensionCommand* Find(const css::util::URL& url) {
    const std::string complete = FromOu(url.Complete);
    if (complete.rfind(kCommandProtocol, 0) != 0) return nullptr;
    return FindExtensionCommand(std::string_view(complete).substr(kCommandProtocol.size()));
  }

  void Post(const css::util::URL& url, const Reference<css::frame::XDispatchResultListener>& listener) {
    const ExtensionCommand* command = Find(url);
    if (command == nullptr) return;
    try {
      Reference<css::awt::XRequestCallback> main_thread = css::awt::AsyncCallback::create(context_);
      main_thread->addCallback(new PostedCommand(context_, frame_, *command, listener), Any());
    } catch (const css::uno::Exception&) {
      // Without the office's main loop the command runs here.
      PostedCommand(context_, frame_, *command, listener).notify(Any());
    }
  }

  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XFrame> frame_;
};

Reference<css::uno::XInterface> SAL_CALL CreateHandler(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new CommandHandler(context));
}

rtl::OUString SAL_CALL HandlerName() { return kImplementationName; }

Sequence<rtl::OUString> SAL_CALL HandlerServices() { return CommandHandler::ServiceNames(); }

const cppu::ImplementationEntry kEntries[] = {
    {CreateHandler, HandlerName, HandlerServices, cppu::createSingleComponentFactory, nullptr, 0},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

}  // namespace
}  // namespace plrxl::calc

// The C++ library's inline code reads the C library's flag "this process
// has one thread" to skip atomic operations. The system's static libraries
// are position-dependent code, which cannot reach a variable of another
// shared library; this definition inside the component answers instead
// (hidden by exports.map), and always says "several threads": the office
// has many, and the atomic path is always right.
extern "C" char __libc_single_threaded;
char __libc_single_threaded = 0;

extern "C" SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* name, void* service_manager,
                                                                    void* registry_key) {
  return cppu::component_getFactoryHelper(name, service_manager, registry_key, plrxl::calc::kEntries);
}
