#include "host/krnln/controls/factory.h"

#include "host/krnln/controls/kinds.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;  // for compilers without aggregate deduction (clang 14)

}  // namespace

// The kind was decided once, when the type block was decoded at load: the settings say which
// control to build.
std::unique_ptr<UnitHost> CreateControl(Runtime& rt, const form::UnitBlock& block,
                                        const TypeSettings& settings, QWidget* parent) {
    const auto with_settings = Overloaded{
        [&](const EditSettings& s) { return CreateEditBox(rt, block, s, parent); },
        [&](const form::ShapeBoxProps& s) { return CreateShapeBox(rt, block, s, parent); },
        [&](const form::PushButtonProps& s) { return CreatePushButton(rt, block, s, parent); },
        [&](const form::RadioProps& s) { return CreateRadioBox(rt, block, s, parent); },
        [&](const form::ComboProps& s) { return CreateComboBox(rt, block, s, parent); },
        [&](const form::FileDialogProps& s) { return CreateFileDialog(rt, block, s, parent); },
        [&](const form::ListViewProps& s) { return CreateListView(rt, block, s, parent); },
        [&](const form::LabelProps& s) { return CreateTransparentLabel(rt, block, s, parent); },
        [&](const form::TabControlProps& s) { return CreateTabControl(rt, block, s, parent); },
        [&](const form::PictureButtonProps& s) {
            return CreatePictureButton(rt, block, s, parent);
        },
        // Kinds whose words vary in nothing these controls show.
        [&](const form::BoardProps&) { return CreateDrawingBoard(rt, block, parent); },
        [&](const form::ProgressProps&) { return CreateProgressBar(rt, block, parent); },
        [&](const form::SpinProps&) { return CreateSpinControl(rt, block, parent); },
        [&](const form::BrowserProps&) { return CreateBrowserBox(rt, block, parent); },
        [&](const form::WindowProps&) { return UnitPtr(); },
        [&](std::monostate) {
            if (block.type == abi::kTypeColorPicker) return CreateColorPicker(rt, block, parent);
            // A kind this runtime does not know keeps its place as a plain widget.
            return UnitPtr(std::make_unique<UnitHost>(rt, block, new QWidget(parent)));
        },
    };
    return std::visit(with_settings, settings);
}

}  // namespace quorix::host
