#include "forms/window_forms.h"

#include "forms/row_editor_form.h"
#include "forms/selective_update_form.h"

namespace plrxl {

void InstallWindowForms(RunContext& context, WindowFormOptions options) {
  auto help = options.help;
  context.factories.frmMaster = [help](RunContext& rc) { return std::make_unique<frmMaster>(rc, help); };
  context.factories.frmSelectiveUpdateWindow = [help](RunContext& rc) {
    return std::make_unique<frmSelectiveUpdateWindow>(rc, help);
  };
  if (options.version_one_check) {
    auto check = options.version_one_check;
    context.factories.frmConverter = [check](RunContext& rc) { return std::make_unique<frmConverter>(rc, check); };
  }
}

}  // namespace plrxl
