// Creates the unit host of a control from its unit block, one widget kind per unit type.
#pragma once

#include <memory>

#include "host/krnln/unit_host.h"

namespace quorix::host {

std::unique_ptr<UnitHost> CreateControl(Runtime& runtime, const form::UnitBlock& block,
                                        QWidget* parent);

}  // namespace quorix::host
