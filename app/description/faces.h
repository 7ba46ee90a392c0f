// The two faces of the picture button that resets the output's text size: a blue circular
// arrow around an "A" on a button face, raised (normal) and sunken (pressed). Each is a
// 20 x 20 GIF89a image, drawn here as pixel art and encoded when the image is built.
#pragma once

#include <string>

namespace quorix::app {

constexpr int kFaceSize = 20;

std::string ResetButtonFace();
std::string ResetButtonPressedFace();

}  // namespace quorix::app
