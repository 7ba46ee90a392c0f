#include "host/krnln/type_settings.h"

#include "runtime/commands.h"

namespace quorix::host {
namespace {

template <typename Props>
image::Result<TypeSettings> As(image::Result<Props> props) {
    if (!props) return props.error();
    return TypeSettings(std::move(props).value());
}

// Word b of an edit box: both scroll bars. Word c: the input mode.
constexpr uint32_t kBothScrollBars = 3;
constexpr uint32_t kReadOnlyInput = 1;

image::Result<TypeSettings> EditBox(const std::string& type_block) {
    EditSettings settings;
    if (type_block.empty()) return TypeSettings(settings);
    QUORIX_TRY_VALUE(props, form::DecodeEdit(type_block));
    settings.view = props.b == kBothScrollBars ? EditSettings::View::kCharacterPicture
                                               : EditSettings::View::kPlainText;
    settings.read_only = props.c == kReadOnlyInput;
    settings.font = std::move(props.font);
    settings.text = std::move(props.text);
    return TypeSettings(std::move(settings));
}

}  // namespace

image::Result<TypeSettings> DecodeTypeSettings(uint32_t type, const std::string& type_block) {
    switch (type) {
        case abi::kTypeWindow:
            return As(form::DecodeWindow(type_block));
        case abi::kTypePushButton:
            return As(form::DecodePushButton(type_block));
        case abi::kTypeTransparentLabel:
            return As(form::DecodeLabel(type_block));
        case abi::kTypeRadioBox:
            return As(form::DecodeRadio(type_block));
        case abi::kTypeComboBox:
            return As(form::DecodeCombo(type_block));
        case abi::kTypeEditBox:
            return EditBox(type_block);
        case abi::kTypeDrawingBoard:
            return As(form::DecodeBoard(type_block));
        case abi::kTypeShapeBox:
            return As(form::DecodeShapeBox(type_block));
        case abi::kTypeSpinControl:
            return As(form::DecodeSpin(type_block));
        case abi::kTypeProgressBar:
            return As(form::DecodeProgress(type_block));
        case abi::kTypeBrowserBox:
            return As(form::DecodeBrowser(type_block));
        case abi::kTypeFileDialog:
            return As(form::DecodeFileDialog(type_block));
        case abi::kTypeListView:
            return As(form::DecodeListView(type_block));
        case abi::kTypePictureButton:
            return As(form::DecodePictureButton(type_block));
        case abi::kTypeTabControl:
            return As(form::DecodeTabControl(type_block));
        default:
            return TypeSettings();
    }
}

}  // namespace quorix::host
