// One constructor per kind of control, from its unit block and the settings decoded from its
// type block at load. Each lives in the file of its kind.
#pragma once

#include <memory>

#include "host/krnln/flat_commands.h"
#include "host/krnln/type_settings.h"
#include "host/krnln/unit_host.h"

namespace quorix::host {

using UnitPtr = std::unique_ptr<UnitHost>;

// krnln
UnitPtr CreateEditBox(Runtime& rt, const form::UnitBlock& block, const EditSettings& settings,
                      QWidget* parent);
UnitPtr CreateShapeBox(Runtime& rt, const form::UnitBlock& block, const form::ShapeBoxProps& props,
                       QWidget* parent);
UnitPtr CreateDrawingBoard(Runtime& rt, const form::UnitBlock& block, QWidget* parent);
UnitPtr CreatePushButton(Runtime& rt, const form::UnitBlock& block,
                         const form::PushButtonProps& props, QWidget* parent);
UnitPtr CreateRadioBox(Runtime& rt, const form::UnitBlock& block, const form::RadioProps& props,
                       QWidget* parent);
UnitPtr CreateComboBox(Runtime& rt, const form::UnitBlock& block, const form::ComboProps& props,
                       QWidget* parent);
UnitPtr CreateProgressBar(Runtime& rt, const form::UnitBlock& block, QWidget* parent);
UnitPtr CreateColorPicker(Runtime& rt, const form::UnitBlock& block, QWidget* parent);
UnitPtr CreateSpinControl(Runtime& rt, const form::UnitBlock& block, QWidget* parent);
UnitPtr CreateFileDialog(Runtime& rt, const form::UnitBlock& block,
                         const form::FileDialogProps& props, QWidget* parent);
// iext
UnitPtr CreateListView(Runtime& rt, const form::UnitBlock& block, const form::ListViewProps& props,
                       QWidget* parent);
UnitPtr CreateTransparentLabel(Runtime& rt, const form::UnitBlock& block,
                               const form::LabelProps& props, QWidget* parent);
// iext3
UnitPtr CreateTabControl(Runtime& rt, const form::UnitBlock& block,
                         const form::TabControlProps& props, QWidget* parent);
// iext2
UnitPtr CreatePictureButton(Runtime& rt, const form::UnitBlock& block,
                            const form::PictureButtonProps& props, QWidget* parent);
// HtmlView
UnitPtr CreateBrowserBox(Runtime& rt, const form::UnitBlock& block, QWidget* parent);

}  // namespace quorix::host
