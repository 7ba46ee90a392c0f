// Weak stand-ins for kinds whose widget is not built yet: a plain widget that keeps the
// control's place. Each kind's own file overrides its stand-in.
#include "host/krnln/controls/kinds.h"

namespace quorix::host {

#define QUORIX_PLACEHOLDER(fn)                                                                     \
    __attribute__((weak)) UnitPtr fn(Runtime& rt, const form::UnitBlock& block, QWidget* parent) { \
        return std::make_unique<UnitHost>(rt, block, new QWidget(parent));                         \
    }

QUORIX_PLACEHOLDER(CreateEditBox)
QUORIX_PLACEHOLDER(CreateShapeBox)
QUORIX_PLACEHOLDER(CreateDrawingBoard)
QUORIX_PLACEHOLDER(CreatePushButton)
QUORIX_PLACEHOLDER(CreateRadioBox)
QUORIX_PLACEHOLDER(CreateComboBox)
QUORIX_PLACEHOLDER(CreateProgressBar)
QUORIX_PLACEHOLDER(CreateColorPicker)
QUORIX_PLACEHOLDER(CreateSpinControl)
QUORIX_PLACEHOLDER(CreateFileDialog)
QUORIX_PLACEHOLDER(CreateListView)
QUORIX_PLACEHOLDER(CreateTransparentLabel)
QUORIX_PLACEHOLDER(CreateTabControl)
QUORIX_PLACEHOLDER(CreatePictureButton)
QUORIX_PLACEHOLDER(CreateBrowserBox)

}  // namespace quorix::host
