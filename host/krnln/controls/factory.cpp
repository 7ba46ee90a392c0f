#include "host/krnln/controls/factory.h"

#include "host/krnln/controls/kinds.h"
#include "runtime/commands.h"

namespace quorix::host {

std::unique_ptr<UnitHost> CreateControl(Runtime& rt, const form::UnitBlock& block,
                                        QWidget* parent) {
    switch (block.type) {
        case abi::kTypeEditBox:
            return CreateEditBox(rt, block, parent);
        case abi::kTypeShapeBox:
            return CreateShapeBox(rt, block, parent);
        case abi::kTypeDrawingBoard:
            return CreateDrawingBoard(rt, block, parent);
        case abi::kTypePushButton:
            return CreatePushButton(rt, block, parent);
        case abi::kTypeRadioBox:
            return CreateRadioBox(rt, block, parent);
        case abi::kTypeComboBox:
            return CreateComboBox(rt, block, parent);
        case abi::kTypeProgressBar:
            return CreateProgressBar(rt, block, parent);
        case abi::kTypeColorPicker:
            return CreateColorPicker(rt, block, parent);
        case abi::kTypeSpinControl:
            return CreateSpinControl(rt, block, parent);
        case abi::kTypeFileDialog:
            return CreateFileDialog(rt, block, parent);
        case abi::kTypeListView:
            return CreateListView(rt, block, parent);
        case abi::kTypeTransparentLabel:
            return CreateTransparentLabel(rt, block, parent);
        case abi::kTypeTabControl:
            return CreateTabControl(rt, block, parent);
        case abi::kTypePictureButton:
            return CreatePictureButton(rt, block, parent);
        case abi::kTypeBrowserBox:
            return CreateBrowserBox(rt, block, parent);
        default:
            // A kind this runtime does not know keeps its place as a plain widget.
            return std::make_unique<UnitHost>(rt, block, new QWidget(parent));
    }
}

}  // namespace quorix::host
