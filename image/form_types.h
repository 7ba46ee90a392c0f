// Type blocks: the properties of each kind of unit, as stored at the end of its unit block.
//
// Each kind has a record of the values that vary between controls; the words that are the
// same in every control of a kind are written by the encoder and checked by the decoder. An
// empty type block stands for the kind's defaults: decoding it gives the record's defaults.
// All texts are GB18030 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/result.h"

namespace quorix::form {

// A Windows LOGFONTA record (60 bytes).
struct LogFont {
    int32_t height = 0;  // negative: character height in pixels
    int32_t width = 0, escapement = 0, orientation = 0;
    int32_t weight = 400;
    uint8_t italic = 0, underline = 0, strike_out = 0;
    uint8_t char_set = 134;  // GB2312
    uint8_t out_precision = 0, clip_precision = 0, quality = 0, pitch_and_family = 0;
    std::string face;  // at most 31 bytes; stored NUL-padded in 32
    bool operator==(const LogFont&) const = default;
};

// The start window's own unit: fifteen option words, eight zero words, the caption as a
// counted text, and a final zero word.
struct WindowProps {
    std::array<uint32_t, 15> options = {6, 2, 1, 0x00FFFFFF, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0, 1};
    std::string caption;
    bool operator==(const WindowProps&) const = default;
};

struct PushButtonProps {
    uint32_t t = 1;
    std::string caption;
    bool operator==(const PushButtonProps&) const = default;
};

struct LabelProps {
    uint32_t w = 0;
    std::string caption;
    bool operator==(const LabelProps&) const = default;
};

struct RadioProps {
    std::string caption;
    bool operator==(const RadioProps&) const = default;
};

struct ComboProps {
    int32_t s = -1;
    std::string text;
    std::vector<std::string> items;
    uint32_t trailing_zeros = 12;  // zero bytes that close the block
    bool operator==(const ComboProps&) const = default;
};

struct EditProps {
    uint32_t a = 1, b = 3, c = 0;
    LogFont font;
    std::string text;
    bool operator==(const EditProps&) const = default;
};

struct BoardProps {
    uint32_t e = 5;
    bool operator==(const BoardProps&) const = default;
};

struct ShapeBoxProps {
    uint32_t f = 3;
    uint32_t colour = 0;  // 0x00BBGGRR
    bool operator==(const ShapeBoxProps&) const = default;
};

struct SpinProps {
    bool operator==(const SpinProps&) const = default;
};
struct ProgressProps {
    bool operator==(const ProgressProps&) const = default;
};
struct BrowserProps {
    bool operator==(const BrowserProps&) const = default;
};

struct FileDialogProps {
    std::string filter;             // label|pattern pairs joined by '|'
    std::string default_extension;  // without the dot
    bool operator==(const FileDialogProps&) const = default;
};

struct ListColumn {
    std::string title;
    int32_t width = 80;
    bool operator==(const ListColumn&) const = default;
};
struct ListViewProps {
    std::vector<ListColumn> columns;
    bool operator==(const ListViewProps&) const = default;
};

struct PictureButtonProps {
    std::string face1, face2;  // GIF89a images
    std::string text;
    bool operator==(const PictureButtonProps&) const = default;
};

struct TabControlProps {
    LogFont font;
    std::vector<std::string> captions;
    bool operator==(const TabControlProps&) const = default;
};

std::string EncodeWindow(const WindowProps& props);
std::string EncodePushButton(const PushButtonProps& props);
std::string EncodeLabel(const LabelProps& props);
std::string EncodeRadio(const RadioProps& props);
std::string EncodeCombo(const ComboProps& props);
std::string EncodeEdit(const EditProps& props);
std::string EncodeBoard(const BoardProps& props);
std::string EncodeShapeBox(const ShapeBoxProps& props);
std::string EncodeSpin(const SpinProps& props);
std::string EncodeProgress(const ProgressProps& props);
std::string EncodeBrowser(const BrowserProps& props);
std::string EncodeFileDialog(const FileDialogProps& props);
std::string EncodeListView(const ListViewProps& props);
std::string EncodePictureButton(const PictureButtonProps& props);
std::string EncodeTabControl(const TabControlProps& props);

// Each decoder refuses a block whose fixed words differ from the kind's, or that is cut short
// or runs on past its last field, with an error naming the field and its offset in the block.
image::Result<WindowProps> DecodeWindow(const std::string& type_block);
image::Result<PushButtonProps> DecodePushButton(const std::string& type_block);
image::Result<LabelProps> DecodeLabel(const std::string& type_block);
image::Result<RadioProps> DecodeRadio(const std::string& type_block);
image::Result<ComboProps> DecodeCombo(const std::string& type_block);
image::Result<EditProps> DecodeEdit(const std::string& type_block);
image::Result<BoardProps> DecodeBoard(const std::string& type_block);
image::Result<ShapeBoxProps> DecodeShapeBox(const std::string& type_block);
image::Result<SpinProps> DecodeSpin(const std::string& type_block);
image::Result<ProgressProps> DecodeProgress(const std::string& type_block);
image::Result<BrowserProps> DecodeBrowser(const std::string& type_block);
image::Result<FileDialogProps> DecodeFileDialog(const std::string& type_block);
image::Result<ListViewProps> DecodeListView(const std::string& type_block);
image::Result<PictureButtonProps> DecodePictureButton(const std::string& type_block);
image::Result<TabControlProps> DecodeTabControl(const std::string& type_block);

}  // namespace quorix::form
