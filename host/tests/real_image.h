// The program's real image, as the image builder makes it, for tests that load it whole or
// damaged.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "app/description/program_builder.h"
#include "image/program_image.h"

namespace quorix::host {

inline image::ProgramImage RealImage() {
    auto img = app::BuildProgramImage();
    EXPECT_TRUE(img.ok());
    return std::move(img).value();
}

// `img` written out; empty (and the test failed) if it cannot be.
inline std::vector<uint8_t> Write(image::ProgramImage img) {
    auto bytes = image::WriteImage(img);
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error().message);
    return bytes.ok() ? std::move(bytes).value() : std::vector<uint8_t>{};
}

}  // namespace quorix::host
