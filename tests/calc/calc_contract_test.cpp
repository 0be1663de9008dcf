// The host contract suite run against a live Calc.
#include "tests/calc/calc_office_fixture.h"
#include "tests/host/host_contract.h"

namespace plrxl::contract {
namespace {

struct CalcHostFactory {
  static std::unique_ptr<SpreadsheetHost> Make(const RegionalSettings& rs) {
    (void)rs;  // the test host pins the same settings
    return calc::testing::MakeTestHost();
  }
  static HostTraits Traits() {
    HostTraits traits;
    traits.computes_formulas = true;
    traits.kind_follows_format = true;
    traits.adjusts_references = true;
    traits.freezes_panes = false;
    return traits;
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Calc, HostContract, ::testing::Types<CalcHostFactory>);

}  // namespace
}  // namespace plrxl::contract
