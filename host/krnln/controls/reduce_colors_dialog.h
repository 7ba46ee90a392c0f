// The dialog "减少颜色": how many colours the picture keeps, and whether to dither. While it is
// open the board shows its picture reduced with the values set; when it closes, whatever the
// answer, the board has its own picture back, pixel for pixel.
#pragma once

#include <optional>

class QWidget;

namespace quorix::host {

class BoardWidget;

struct ColorChoice {
    int colours = 8;
    bool dither = false;
};

// Shows the dialog modal over `parent`, starting at `start`; nullopt when cancelled.
std::optional<ColorChoice> AskForColors(BoardWidget& board, QWidget* parent, ColorChoice start);

}  // namespace quorix::host
