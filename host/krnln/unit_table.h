// The units of the open window by unit ID: the lookup behind every service call on a control.
#pragma once

#include <cstdint>
#include <vector>

#include "host/krnln/unit_host.h"

namespace quorix::host {

class UnitTable {
public:
    explicit UnitTable(uint32_t window_id) : window_id_(window_id), by_serial_(kSerials) {}

    void Add(UnitHost* unit) { by_serial_[unit->id() & (kSerials - 1)] = unit; }

    // The unit with this ID, whatever its type, when `window_id` is this window's.
    UnitHost* Find(uint32_t window_id, uint32_t unit_id) const {
        if (window_id != window_id_) return nullptr;
        UnitHost* u = by_serial_[unit_id & (kSerials - 1)];
        return u != nullptr && u->id() == unit_id ? u : nullptr;
    }
    // The same, when the unit also has this type.
    UnitHost* Find(uint32_t window_id, uint32_t unit_id, uint32_t type) const {
        UnitHost* u = Find(window_id, unit_id);
        return u != nullptr && u->type() == type ? u : nullptr;
    }

private:
    // The low 16 bits of a unit ID are its serial number, unique within the window.
    static constexpr uint32_t kSerials = 0x10000;
    uint32_t window_id_;
    std::vector<UnitHost*> by_serial_;
};

}  // namespace quorix::host
