// Creates the unit host of a control from its unit block and the settings its type block
// decoded to, one widget kind per kind of settings.
#pragma once

#include <memory>

#include "host/krnln/type_settings.h"
#include "host/krnln/unit_host.h"

namespace quorix::host {

// Null for the window's own unit, which the start window builds itself.
std::unique_ptr<UnitHost> CreateControl(Runtime& runtime, const form::UnitBlock& block,
                                        const TypeSettings& settings, QWidget* parent);

}  // namespace quorix::host
