#include "calc/office_dialog.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XButton.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XControlModel.hpp>

namespace plrxl::calc {

DialogModel::DialogModel(const Reference<css::uno::XComponentContext>& context, const std::string& title,
                         sal_Int32 width, sal_Int32 height)
    : context_(context) {
  model_.set(context->getServiceManager()->createInstanceWithContext("com.sun.star.awt.UnoControlDialogModel", context),
             UNO_QUERY_THROW);
  model_->setPropertyValue("Title", css::uno::Any(ToOu(title)));
  model_->setPropertyValue("Width", css::uno::Any(width));
  model_->setPropertyValue("Height", css::uno::Any(height));
  factory_.set(model_, UNO_QUERY_THROW);
  controls_.set(model_, UNO_QUERY_THROW);
}

Reference<css::beans::XPropertySet> DialogModel::Add(const char* service, const std::string& name, sal_Int32 x,
                                                     sal_Int32 y, sal_Int32 width, sal_Int32 height) {
  Reference<css::beans::XPropertySet> model(factory_->createInstance(rtl::OUString::createFromAscii(service)),
                                            UNO_QUERY_THROW);
  model->setPropertyValue("PositionX", css::uno::Any(x));
  model->setPropertyValue("PositionY", css::uno::Any(y));
  model->setPropertyValue("Width", css::uno::Any(width));
  model->setPropertyValue("Height", css::uno::Any(height));
  controls_->insertByName(ToOu(name), css::uno::Any(model));
  return model;
}

Reference<css::beans::XPropertySet> DialogModel::AddButton(const std::string& name, const std::string& label,
                                                           sal_Int32 x, sal_Int32 y, sal_Int32 width) {
  Reference<css::beans::XPropertySet> button = Add("com.sun.star.awt.UnoControlButtonModel", name, x, y, width, 16);
  button->setPropertyValue("Label", css::uno::Any(ToOu(label)));
  return button;
}

Reference<css::awt::XControl> DialogModel::Create(const Reference<css::frame::XFrame>& frame) const {
  Reference<css::awt::XControl> dialog(
      context_->getServiceManager()->createInstanceWithContext("com.sun.star.awt.UnoControlDialog", context_),
      UNO_QUERY_THROW);
  dialog->setModel(Reference<css::awt::XControlModel>(model_, UNO_QUERY_THROW));
  Reference<css::awt::XWindowPeer> parent(frame.is() ? frame->getContainerWindow() : nullptr, UNO_QUERY);
  dialog->createPeer(Reference<css::awt::XToolkit>(css::awt::Toolkit::create(context_), UNO_QUERY_THROW), parent);
  return dialog;
}

css::uno::Sequence<rtl::OUString> TextList(const std::vector<std::string>& texts) {
  css::uno::Sequence<rtl::OUString> list(static_cast<sal_Int32>(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) list.getArray()[i] = ToOu(texts[i]);
  return list;
}

void SetControlText(const Reference<css::awt::XControlContainer>& container, const char* control, const char* property,
                    const std::string& text) {
  Reference<css::awt::XControl> one = container->getControl(rtl::OUString::createFromAscii(control));
  if (!one.is()) return;
  Reference<css::beans::XPropertySet>(one->getModel(), UNO_QUERY_THROW)
      ->setPropertyValue(rtl::OUString::createFromAscii(property), css::uno::Any(ToOu(text)));
}

void ListenToButtons(const Reference<css::awt::XControlContainer>& container, const std::vector<const char*>& names,
                     const Reference<css::awt::XActionListener>& listener) {
  for (const char* name : names) {
    Reference<css::awt::XButton> button(container->getControl(rtl::OUString::createFromAscii(name)), UNO_QUERY);
    if (!button.is()) continue;
    button->setActionCommand(rtl::OUString::createFromAscii(name));
    button->addActionListener(listener);
  }
}

void ExecuteAndDispose(const Reference<css::awt::XControl>& dialog) {
  Reference<css::awt::XDialog>(dialog, UNO_QUERY_THROW)->execute();
  Reference<css::lang::XComponent>(dialog, UNO_QUERY_THROW)->dispose();
}

std::optional<std::string> NextScriptedAnswer() {
  const char* path = std::getenv("PLRXL_CALC_UI_ANSWERS");
  if (path == nullptr || *path == '\0' || !std::filesystem::exists(path)) return std::nullopt;
  std::vector<std::string> lines;
  {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  if (lines.empty()) return std::nullopt;
  std::ofstream out(path, std::ios::trunc);
  for (size_t i = 1; i < lines.size(); ++i) out << lines[i] << "\n";
  return lines.front();
}

void LogDialog(const std::string& title, const std::string& shown, const std::string& button) {
  const char* log = std::getenv("PLRXL_CALC_UI_LOG");
  if (log == nullptr || *log == '\0') return;
  std::string line = title + "\t";
  for (char c : shown) {
    if (c == '\n') line += "\\n";
    else if (c != '\r' && c != '\t') line += c;
  }
  std::ofstream(log, std::ios::app) << line << "\t" << button << "\n";
}

}  // namespace plrxl::calc
