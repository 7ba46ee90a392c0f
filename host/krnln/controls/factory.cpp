#include "host/krnln/controls/factory.h"

namespace quorix::host {

std::unique_ptr<UnitHost> CreateControl(Runtime& runtime, const form::UnitBlock& block,
                                        QWidget* parent) {
    // Kinds without a widget of their own yet get a plain widget that keeps their place.
    return std::make_unique<UnitHost>(runtime, block, new QWidget(parent));
}

}  // namespace quorix::host
