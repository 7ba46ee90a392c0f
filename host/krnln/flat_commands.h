// The commands of the core library and of iext, each reached in one indexed call.
//
// A step makes several commands per pixel. Each command number has a handler in a flat table;
// a command on a unit goes to the unit's virtual Command, unless the unit's class has put a
// typed handler in that command's place: that one finds the unit by its ID, checks its type and
// its class once and does the class's own work for that one command without another dispatch.
// A unit of another class (or type, or window) is answered exactly as the virtual path answers.
#pragma once

#include <array>
#include <cstdint>

#include "host/krnln/args.h"
#include "host/krnln/runtime.h"
#include "host/krnln/unit_host.h"
#include "runtime/commands.h"

namespace quorix::host {

// A command as the table holds it: `library` is the library index (0 for the core), `block`
// the argument block as the program passed it (the slot reaches the handler in a tail call).
using CommandHandler = uint64_t (*)(Runtime& rt, uint32_t library, uint32_t command,
                                    const uint32_t* block);
// Reading and writing a property of the unit (window ID, unit ID), as the tables hold them.
using PropertyReader = uint32_t (*)(Runtime& rt, uint32_t window_id, uint32_t unit_id,
                                    uint32_t property, int32_t member);
using PropertyWriter = void (*)(Runtime& rt, uint32_t window_id, uint32_t unit_id,
                                uint32_t property, int32_t member, uint32_t low, uint32_t high);

namespace flat {

// Command numbers below this are dispatched through the table; a larger one goes to its unit.
inline constexpr uint32_t kCommandLimit = 64;
// The libraries whose commands go through the table: the core (index 0) and iext.
inline constexpr uint32_t kTableLibraries = abi::kLibIext + 1;

// The handlers by library index, then command number.
using Table = std::array<std::array<CommandHandler, kCommandLimit>, kTableLibraries>;
extern Table g_commands;

// The handler of `command` of library `library` (either below its limit).
inline CommandHandler& Slot(uint32_t library, uint32_t command) {
    return g_commands[library][command];
}

// Property numbers below this are dispatched through the tables of readers and writers.
inline constexpr uint32_t kPropertyLimit = 32;
extern std::array<PropertyReader, kPropertyLimit> g_readers;
extern std::array<PropertyWriter, kPropertyLimit> g_writers;

// The property through the unit's own virtual ReadProperty / WriteProperty: 0 (or nothing
// written) when there is no such unit.
uint32_t ReadByUnit(Runtime& rt, uint32_t window_id, uint32_t unit_id, uint32_t property,
                    int32_t member);
void WriteByUnit(Runtime& rt, uint32_t window_id, uint32_t unit_id, uint32_t property,
                 int32_t member, uint32_t low, uint32_t high);

// The unit that a command's first argument names, with the type that argument gives.
inline UnitHost* Target(Runtime& rt, const ArgView& args) {
    const Arg target = args.at(0);
    return rt.FindUnit(target.low, target.high, target.type);
}

// The command through the unit's own virtual dispatch (Command for the core, LibraryCommand
// for a support library): 0 when there is no such unit.
uint64_t ByUnitCommand(Runtime& rt, uint32_t library, uint32_t command, const uint32_t* block);
uint64_t ByUnitLibraryCommand(Runtime& rt, uint32_t library, uint32_t command,
                              const uint32_t* block);

// An address that stands for class `Unit` alone.
template <typename Unit>
inline constexpr char kKindOf = 0;

template <typename Unit, uint32_t kLibrary, uint32_t kCommand>
uint64_t Typed(Runtime& rt, uint32_t library, uint32_t command, const uint32_t* block) {
    const ArgView args(block);
    UnitHost* unit = Target(rt, args);
    if (unit == nullptr) return 0;
    if (unit->kind() != &kKindOf<Unit>) [[unlikely]] {
        return kLibrary == abi::kLibKrnln ? unit->Command(command, args)
                                          : unit->LibraryCommand(library, command, args);
    }
    // The class's own member, named: no virtual call, and the command is a constant in it.
    auto& typed = static_cast<Unit&>(*unit);
    if constexpr (kLibrary == abi::kLibKrnln) {
        return typed.Unit::Command(kCommand, args);
    } else {
        return typed.Unit::LibraryCommand(kLibrary, kCommand, args);
    }
}

template <typename Unit, uint32_t kProperty>
uint32_t TypedRead(Runtime& rt, uint32_t window_id, uint32_t unit_id, uint32_t property,
                   int32_t member) {
    UnitHost* unit = rt.FindUnit(window_id, unit_id);
    if (unit == nullptr) return 0;
    if (unit->kind() != &kKindOf<Unit>) [[unlikely]]
        return unit->ReadProperty(property, member);
    return static_cast<Unit&>(*unit).Unit::ReadProperty(kProperty, member);
}

template <typename Unit, uint32_t kProperty>
void TypedWrite(Runtime& rt, uint32_t window_id, uint32_t unit_id, uint32_t property,
                int32_t member, uint32_t low, uint32_t high) {
    UnitHost* unit = rt.FindUnit(window_id, unit_id);
    if (unit == nullptr) return;
    if (unit->kind() != &kKindOf<Unit>) [[unlikely]] {
        unit->WriteProperty(property, member, low, high);
        return;
    }
    static_cast<Unit&>(*unit).Unit::WriteProperty(kProperty, member, low, high);
}

}  // namespace flat

// Marks `unit` as being of class `Unit` and makes commands `kCommands` of library `kLibrary`
// go straight to that class's work when their target is a unit of that class.
template <uint32_t kLibrary, uint32_t... kCommands, typename Unit>
void UseFlatCommands(Unit& unit) {
    static_assert(kLibrary < flat::kTableLibraries && ((kCommands < flat::kCommandLimit) && ...));
    unit.set_kind(&flat::kKindOf<Unit>);
    ((flat::Slot(kLibrary, kCommands) = &flat::Typed<Unit, kLibrary, kCommands>), ...);
}

// Marks `unit` as being of class `Unit` and makes reading and writing properties
// `kProperties` of a unit of that class go straight to the class's own work.
template <uint32_t... kProperties, typename Unit>
void UseFlatProperties(Unit& unit) {
    static_assert(((kProperties < flat::kPropertyLimit) && ...));
    unit.set_kind(&flat::kKindOf<Unit>);
    ((flat::g_readers[kProperties] = &flat::TypedRead<Unit, kProperties>), ...);
    ((flat::g_writers[kProperties] = &flat::TypedWrite<Unit, kProperties>), ...);
}

}  // namespace quorix::host
