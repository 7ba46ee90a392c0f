// The `form` section: the description of the start window, its controls and menu entries.
//
// The writer and the reader share these records. A unit block keeps its kind's properties as
// the raw type block; form_types.h decodes and encodes the type block of each kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "image/result.h"

namespace quorix::form {

struct EventBinding {
    int32_t index = 0;            // the runtime's event number; negative for pointer events
    uint32_t handler_offset = 0;  // offset of the handler's routine record in `code`
    bool operator==(const EventBinding&) const = default;
};

// The window's own unit and every control.
struct UnitBlock {
    uint32_t unit_id = 0;
    uint32_t type = 0;
    std::string name;    // GBK
    std::string remark;  // GBK
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t parent = 0;             // 0: placed directly on the window
    std::vector<uint32_t> children;  // a tab control closes each tab's list with 0
    std::string cursor = std::string(4, '\0');
    std::string tag;
    uint32_t flags = 0;  // bit 0 visible, bit 2 takes keyboard focus
    std::vector<EventBinding> events;
    std::string type_block;  // the kind's own properties; empty means all defaults
    bool operator==(const UnitBlock&) const = default;
};

struct MenuEntry {
    uint32_t unit_id = 0;
    uint32_t level = 0;  // 0: on the menu bar; 1: item of the preceding level-0 entry
    bool opens_submenu = false;
    std::string caption;          // GBK
    int32_t handler_offset = -1;  // -1: no handler
    bool operator==(const MenuEntry&) const = default;
};

using Unit = std::variant<UnitBlock, MenuEntry>;

// Where the reader found a unit's checked fields, as offsets into the form section, so that a
// later check of a field can point at it. The writer needs none: they follow from the fields.
struct UnitOffsets {
    uint32_t events = 0;      // a unit block's first event binding (8 bytes each)
    uint32_t handler = 0;     // a menu entry's handler word
    uint32_t type_block = 0;  // a unit block's type block
    bool operator==(const UnitOffsets&) const = default;
};

// The handler word of a unit block's event binding `index`.
constexpr uint32_t EventHandlerAt(const UnitOffsets& at, size_t index) {
    return at.events + 8 * static_cast<uint32_t>(index) + 4;
}

struct Form {
    uint32_t header_word = 8;
    uint32_t window_id = 0;
    uint32_t word_8 = 0x00B98FA0, word_12 = 0x00C7C0F0, word_16 = 0x19010003;
    std::vector<Unit> units;  // in unit order: the window's own unit first
    bool operator==(const Form&) const = default;
};

constexpr uint32_t kFlagVisible = 1;
constexpr uint32_t kFlagFocus = 4;
constexpr uint32_t kMenuEntryType = 0x00010003;

uint32_t UnitId(const Unit& unit);

image::Result<std::vector<uint8_t>> WriteForm(const Form& form);
// Reads and checks the whole section: counts against the section's size, every block inside
// it, the unit table consistent with the blocks. Never reads outside `bytes`. With `offsets`,
// also says where each unit's fields lie, in unit order.
image::Result<Form> ReadForm(std::span<const uint8_t> bytes,
                             std::vector<UnitOffsets>* offsets = nullptr);

}  // namespace quorix::form
