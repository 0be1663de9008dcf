// The host contract suite run against the in-memory model.
#include "host/memory/memory_host.h"
#include "tests/host/host_contract.h"

namespace plrxl::contract {
namespace {

struct MemoryHostFactory {
  static std::unique_ptr<SpreadsheetHost> Make(const RegionalSettings& rs) { return MakeMemoryHost(nullptr, rs); }
  static HostTraits Traits() { return {}; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, HostContract, ::testing::Types<MemoryHostFactory>);

}  // namespace
}  // namespace plrxl::contract
