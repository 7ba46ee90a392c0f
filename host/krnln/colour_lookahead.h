// Both steps read the board pixel by pixel, left to right and row by row, and look each
// pixel's colour up in the colour list. A large list misses the caches on every lookup; told
// of the colours a few pixels ahead, it can start loading what those lookups will touch while
// the program still works on this pixel. Nothing the program sees changes: the program makes
// the same calls in the same order and gets the same answers, only sooner.
#pragma once

#include <cstdint>

namespace quorix::host {

class ColourLookahead {
public:
    // How many pixels ahead of the one being read the board tells of.
    static constexpr int kPixelsAhead = 16;

    // `colour` is the colour value of the pixel the scan reads kPixelsAhead reads from now.
    virtual void AnticipateColour(int32_t colour) = 0;

protected:
    ~ColourLookahead() = default;
};

}  // namespace quorix::host
