// The settings of each unit, decoded from its type block when the image loads: the controls
// are built from these, so a damaged block is refused at load, never taken for defaults.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "image/form_types.h"
#include "image/result.h"

namespace quorix::host {

// An edit box's settings, with the box's kind decided once from its words.
struct EditSettings {
    enum class View {
        kSingleLine,        // the unit keeps no type block of its own
        kPlainText,         // a multi-line box whose lines wrap
        kCharacterPicture,  // a box with both scroll bars: it keeps every line whole
    };
    View view = View::kSingleLine;
    bool read_only = false;  // input mode 1: the text can be read, selected and copied only
    form::LogFont font;
    std::string text;  // GB18030
    bool operator==(const EditSettings&) const = default;
};

// One alternative per kind that keeps a type block; std::monostate for the kinds that keep
// none this runtime reads (the colour picker, menu entries, kinds it does not know).
using TypeSettings =
    std::variant<std::monostate, form::WindowProps, form::PushButtonProps, form::LabelProps,
                 form::RadioProps, form::ComboProps, EditSettings, form::BoardProps,
                 form::ShapeBoxProps, form::SpinProps, form::ProgressProps, form::BrowserProps,
                 form::FileDialogProps, form::ListViewProps, form::PictureButtonProps,
                 form::TabControlProps>;

// Decodes the type block of a unit of kind `type` (a UnitType); an error names the field and
// its offset in the block.
image::Result<TypeSettings> DecodeTypeSettings(uint32_t type, const std::string& type_block);

}  // namespace quorix::host
