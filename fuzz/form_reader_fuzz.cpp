// Fuzzes the window (form section) reader and every type-block decoder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "image/form.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace {

void DecodeAll(const quorix::form::UnitBlock& u) {
    using namespace quorix;
    const std::string& b = u.type_block;
    switch (u.type) {
        case abi::kTypeWindow:
            (void)form::DecodeWindow(b);
            break;
        case abi::kTypeEditBox:
            (void)form::DecodeEdit(b);
            break;
        case abi::kTypeShapeBox:
            (void)form::DecodeShapeBox(b);
            break;
        case abi::kTypeDrawingBoard:
            (void)form::DecodeBoard(b);
            break;
        case abi::kTypePushButton:
            (void)form::DecodePushButton(b);
            break;
        case abi::kTypeRadioBox:
            (void)form::DecodeRadio(b);
            break;
        case abi::kTypeComboBox:
            (void)form::DecodeCombo(b);
            break;
        case abi::kTypeProgressBar:
            (void)form::DecodeProgress(b);
            break;
        case abi::kTypeSpinControl:
            (void)form::DecodeSpin(b);
            break;
        case abi::kTypeFileDialog:
            (void)form::DecodeFileDialog(b);
            break;
        case abi::kTypeListView:
            (void)form::DecodeListView(b);
            break;
        case abi::kTypeTransparentLabel:
            (void)form::DecodeLabel(b);
            break;
        case abi::kTypeTabControl:
            (void)form::DecodeTabControl(b);
            break;
        case abi::kTypePictureButton:
            (void)form::DecodePictureButton(b);
            break;
        case abi::kTypeBrowserBox:
            (void)form::DecodeBrowser(b);
            break;
        default:
            // Every decoder must cope with any block, whatever unit it came with.
            (void)form::DecodeCombo(b);
            (void)form::DecodeTabControl(b);
            (void)form::DecodePictureButton(b);
            (void)form::DecodeEdit(b);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<quorix::form::UnitOffsets> offsets;
    auto form = quorix::form::ReadForm(std::span<const uint8_t>(data, size), &offsets);
    if (!form) return 0;
    if (offsets.size() != form->units.size()) {
        std::fprintf(stderr, "%zu units read, %zu with offsets\n", form->units.size(),
                     offsets.size());
        std::abort();
    }
    for (size_t i = 0; i < form->units.size(); ++i) {
        const auto* u = std::get_if<quorix::form::UnitBlock>(&form->units[i]);
        if (u == nullptr) continue;
        DecodeAll(*u);
        // The type block lies where the reader says, as it was read.
        const size_t at = offsets[i].type_block;
        if (at > size || size - at < u->type_block.size() ||
            std::memcmp(data + at, u->type_block.data(), u->type_block.size()) != 0) {
            std::fprintf(stderr, "unit %zu's type block is not at 0x%zx\n", i, at);
            std::abort();
        }
    }
    // What was read writes back to the same bytes.
    auto written = quorix::form::WriteForm(*form);
    if (!written || written->size() != size) {
        std::fprintf(stderr, "form of %zu bytes wrote back as %zu\n", size,
                     written ? written->size() : 0);
        std::abort();
    }
    for (size_t i = 0; i < size; ++i) {
        if ((*written)[i] != data[i]) {
            std::fprintf(stderr, "form byte 0x%zx read as 0x%02x wrote back as 0x%02x\n", i,
                         data[i], (*written)[i]);
            std::abort();
        }
    }
    return 0;
}
