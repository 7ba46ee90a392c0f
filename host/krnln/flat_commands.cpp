#include "host/krnln/flat_commands.h"

namespace quorix::host::flat {
namespace {

constexpr Table EveryCommandByUnit() {
    Table table{};
    table[abi::kLibKrnln].fill(&ByUnitCommand);
    table[abi::kLibIext].fill(&ByUnitLibraryCommand);
    return table;
}

template <typename Handler, size_t kCount>
constexpr std::array<Handler, kCount> Filled(Handler handler) {
    std::array<Handler, kCount> table{};
    table.fill(handler);
    return table;
}

}  // namespace

// Constant-initialized: every command and property has a handler before anything runs.
constinit Table g_commands = EveryCommandByUnit();
constinit std::array<PropertyReader, kPropertyLimit> g_readers =
    Filled<PropertyReader, kPropertyLimit>(&ReadByUnit);
constinit std::array<PropertyWriter, kPropertyLimit> g_writers =
    Filled<PropertyWriter, kPropertyLimit>(&WriteByUnit);

uint64_t ByUnitCommand(Runtime& rt, uint32_t, uint32_t command, const uint32_t* block) {
    const ArgView args(block);
    UnitHost* unit = Target(rt, args);
    return unit != nullptr ? unit->Command(command, args) : 0;
}

uint64_t ByUnitLibraryCommand(Runtime& rt, uint32_t library, uint32_t command,
                              const uint32_t* block) {
    const ArgView args(block);
    UnitHost* unit = Target(rt, args);
    return unit != nullptr ? unit->LibraryCommand(library, command, args) : 0;
}

uint32_t ReadByUnit(Runtime& rt, uint32_t window_id, uint32_t unit_id, uint32_t property,
                    int32_t member) {
    UnitHost* unit = rt.FindUnit(window_id, unit_id);
    return unit != nullptr ? unit->ReadProperty(property, member) : 0;
}

void WriteByUnit(Runtime& rt, uint32_t window_id, uint32_t unit_id, uint32_t property,
                 int32_t member, uint32_t low, uint32_t high) {
    UnitHost* unit = rt.FindUnit(window_id, unit_id);
    if (unit != nullptr) unit->WriteProperty(property, member, low, high);
}

}  // namespace quorix::host::flat
