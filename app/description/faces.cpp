#include "app/description/faces.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorix::app {
namespace {

// One character per pixel: '.' button face, 'w' highlight, 'g' shadow, 'k' dark shadow,
// 'b' the arrow, '#' the letter.
using Art = const char* const[kFaceSize];

constexpr Art kRaised = {
    "wwwwwwwwwwwwwwwwwwwk",  //
    "w.................gk",  //
    "w.........b.......gk",  //
    "w.........bb......gk",  //
    "w......bbbbbb.....gk",  //
    "w....bbbbbbbb.....gk",  //
    "w...bbb...bb......gk",  //
    "w...bb....b.......gk",  //
    "w..bb....#........gk",  //
    "w..bb...#.#.......gk",  //
    "w..bb...#.#...bb..gk",  //
    "w..bb..#...#..bb..gk",  //
    "w..bb..#####..bb..gk",  //
    "w...bb.#...#.bb...gk",  //
    "w...bbb#...#bbb...gk",  //
    "w....bbbbbbbbb....gk",  //
    "w......bbbbb......gk",  //
    "w.................gk",  //
    "wggggggggggggggggggk",  //
    "kkkkkkkkkkkkkkkkkkkk",  //
};

// Pressed: the border turns inward and the symbol moves one pixel down and right.
constexpr Art kSunken = {
    "kkkkkkkkkkkkkkkkkkkw",  //
    "kggggggggggggggggggw",  //
    "kg.................w",  //
    "kg.........b.......w",  //
    "kg.........bb......w",  //
    "kg......bbbbbb.....w",  //
    "kg....bbbbbbbb.....w",  //
    "kg...bbb...bb......w",  //
    "kg...bb....b.......w",  //
    "kg..bb....#........w",  //
    "kg..bb...#.#.......w",  //
    "kg..bb...#.#...bb..w",  //
    "kg..bb..#...#..bb..w",  //
    "kg..bb..#####..bb..w",  //
    "kg...bb.#...#.bb...w",  //
    "kg...bbb#...#bbb...w",  //
    "kg....bbbbbbbbb....w",  //
    "kg......bbbbb......w",  //
    "kg.................w",  //
    "wwwwwwwwwwwwwwwwwwww",  //
};

constexpr bool IsSquare(const Art& art) {
    for (const char* row : art) {
        if (std::char_traits<char>::length(row) != kFaceSize) return false;
    }
    return true;
}
static_assert(IsSquare(kRaised) && IsSquare(kSunken), "every row is kFaceSize pixels wide");

struct PaletteEntry {
    char key;
    GifColorType colour;
};

// A GIF colour table has a power-of-two size; the unused entries stay black.
constexpr int kPaletteSize = 8;
constexpr PaletteEntry kPalette[] = {
    {'.', {0xF0, 0xF0, 0xF0}}, {'w', {0xFF, 0xFF, 0xFF}}, {'g', {0xA0, 0xA0, 0xA0}},
    {'k', {0x69, 0x69, 0x69}}, {'b', {0x1E, 0x64, 0xC8}}, {'#', {0x20, 0x20, 0x20}},
};
static_assert(sizeof kPalette / sizeof kPalette[0] <= kPaletteSize);

// The faces are our own constant data: anything giflib refuses here is a programming error.
[[noreturn]] void Fail(const char* step, int error) {
    std::fprintf(stderr, "button face: %s failed: %s\n", step, GifErrorString(error));
    std::abort();
}

GifPixelType IndexOf(char key) {
    for (size_t i = 0; i < sizeof kPalette / sizeof kPalette[0]; ++i) {
        if (kPalette[i].key == key) return static_cast<GifPixelType>(i);
    }
    std::fprintf(stderr, "button face: no colour for '%c'\n", key);
    std::abort();
}

int Append(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    return length;
}

std::string EncodeGif(const Art& art) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    if (gif == nullptr) Fail("EGifOpen", error);
    EGifSetGifVersion(gif, true);

    GifColorType colours[kPaletteSize] = {};
    for (size_t i = 0; i < sizeof kPalette / sizeof kPalette[0]; ++i) {
        colours[i] = kPalette[i].colour;
    }
    ColorMapObject* map = GifMakeMapObject(kPaletteSize, colours);
    if (map == nullptr) Fail("GifMakeMapObject", D_GIF_ERR_NOT_ENOUGH_MEM);
    // The screen descriptor keeps its own copy of the colour table.
    const int screen = EGifPutScreenDesc(gif, kFaceSize, kFaceSize, 8, 0, map);
    GifFreeMapObject(map);
    if (screen == GIF_ERROR) Fail("EGifPutScreenDesc", gif->Error);
    if (EGifPutImageDesc(gif, 0, 0, kFaceSize, kFaceSize, false, nullptr) == GIF_ERROR) {
        Fail("EGifPutImageDesc", gif->Error);
    }
    for (const char* row : art) {
        GifPixelType line[kFaceSize];
        for (int x = 0; x < kFaceSize; ++x) line[x] = IndexOf(row[x]);
        if (EGifPutLine(gif, line, kFaceSize) == GIF_ERROR) Fail("EGifPutLine", gif->Error);
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR) Fail("EGifCloseFile", error);
    return out;
}

}  // namespace

std::string ResetButtonFace() {
    return EncodeGif(kRaised);
}

std::string ResetButtonPressedFace() {
    return EncodeGif(kSunken);
}

}  // namespace quorix::app
