// What a person does with Quorix, in the program's own terms, on top of DesktopProgram: each
// action goes through the mouse and the keyboard, and each result is read off the screen, the
// clipboard or a saved file.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testing/desktop_program.h"

namespace quorix::testing {

// Types the width and height into 宽组合框1 and 高组合框1 and clicks 按钮16; false when the
// program did not come to rest after one of these.
[[nodiscard]] bool SetOutputSize(DesktopProgram& q, int width, int height);
// Clicks a control and waits until the program is at rest again (for a step: until it ended);
// false when it did not within the watchdog's time.
[[nodiscard]] bool ClickAndWait(DesktopProgram& q, const char* control);
// The watchdog of ClickAndWait: a step over a 4096 x 4096 board on a busy machine.
constexpr std::chrono::milliseconds kStepWatchdog = std::chrono::seconds(300);
// Clicks 按钮11 and waits until step one shows that it is under way: its progress bar is
// partly filled. False when that was not seen (the step ended first, or the watchdog); also
// when the bar was partly filled before the click (a step stopped earlier).
[[nodiscard]] bool StartStepOne(DesktopProgram& q);
// Clicks 按钮13 and waits until step two shows that it is under way: characters show in the
// output box, which must be empty before the click. False when none showed.
[[nodiscard]] bool StartStepTwo(DesktopProgram& q);
// Clicks 复制按钮 and reads the X clipboard as another program does.
std::string CopyOutput(DesktopProgram& q);
// Selects all text of a text box or combo box with the keyboard and copies it: what it shows.
std::string TextShownIn(DesktopProgram& q, const char* control);
// Waits for the program's message box (titled "Quorix") and copies its text with Ctrl+C, as a
// person can. nullopt when no message came or the program did not come to rest.
std::optional<std::string> CopyMessage(DesktopProgram& q);

// Writes `picture` as a bitmap into the test's folder; returns its path.
std::string WritePicture(DesktopProgram& q, const QImage& picture, const std::string& name);
// Loads a picture with 按钮3 and the file dialog.
[[nodiscard]] bool LoadPicture(DesktopProgram& q, const std::string& path);
// Saves the picture with 按钮2, typing `typed` as the file name.
[[nodiscard]] bool SavePicture(DesktopProgram& q, const std::string& typed);

// Closes the window as a window manager does and waits for the program to end: succeeds when
// it ended with status 0; fails when it ended otherwise, or still ran after the watchdog's time.
[[nodiscard]] ::testing::AssertionResult CloseAndExit(DesktopProgram& q);

// The tab captions in the tab bar, left to right, as screen points to click.
std::vector<QPoint> TabsOnScreen(DesktopProgram& q);
// Where 画板1's picture shows on screen: its top-left corner, and the visible part's size (the
// whole board, or the part a scrolling view shows).
QRect BoardOnScreen(DesktopProgram& q);
// The screen rectangles of the ColorTable's rows as shown, from the top.
std::vector<QRect> ListRowsOnScreen(DesktopProgram& q);
// The colour the frame 对应修改颜色框 shows, as a colour value.
int32_t FrameColour(DesktopProgram& q);

// Four colours in four bands, 8 x 4 pixels, met by a scan in this order: red, green, blue,
// yellow.
QImage Bands();

// A picture of `side` x `side` pixels of pseudo-random colours, nearly every one its own: the
// steps take a while over it (about a second at 1024 x 1024).
QImage Noise(int side);

// A picture's colours in the order a scan meets them (left to right, top to bottom).
std::vector<int32_t> ColoursInScanOrder(const QImage& picture);

// Checks that `text` is what step two writes for `picture`: one line per row, each ending in
// CR LF, each pixel's characters in turn; every colour stands for one two-digit text throughout,
// except those given in `fixed`, which stand for their given text. Returns the mapping found,
// or an explanation of the first difference.
struct OutputCheck {
    bool ok = false;
    std::string difference;
    std::map<int32_t, std::string> mapping;
};
OutputCheck CheckOutput(const QImage& picture, const std::string& text,
                        const std::map<int32_t, std::string>& fixed = {});

}  // namespace quorix::testing
