// How the colours of the ColorTable are given the steps of a ramp of characters: by their
// perceptual lightness (CIE L*), the darkest colour the first step and the lightest the last.
// No runtime here: plain functions of colour values and texts.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quorix::app {

// CIE L* of a colour value (0x00BBGGRR, the channels sRGB): 0 for black, 100 for white.
double Lightness(int32_t colour);

// The ramp step, 0 to steps - 1, of each lightness. The range from the darkest to the
// lightest is cut into `steps` spans of equal L*, and each lightness takes the step of its
// span: the darkest gets 0, the lightest steps - 1, and a lighter colour never gets an earlier
// step than a darker one. When every lightness is the same, each takes the step its L* has on
// the whole scale from black to white.
std::vector<int> RampSteps(std::span<const double> lightness, int steps);

// The characters of a GB18030 text, each as its bytes (one, two or four).
std::vector<std::string_view> Characters(std::string_view gb18030);

}  // namespace quorix::app
