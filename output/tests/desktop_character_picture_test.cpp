// The character picture kept and shared, through the menu "文件操作" on a real X display: its
// text saved to a file is exactly what a copy puts on the clipboard; the coloured picture as a
// web page shows each pixel's characters in that pixel's colour in a real browser (Chromium,
// headless), as a PNG drawn in the output box's font, and on the clipboard as HTML beside the
// plain text; a save that fails says so.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <cstdlib>
#include <filesystem>

#include "testing/desktop_actions.h"

namespace quorix {

using namespace std::chrono_literals;
namespace {

using namespace testing;

// Items of the menu "文件操作", top to bottom.
constexpr int kSaveText = 3, kExportColoured = 4, kCopyColoured = 5;

std::string Bytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// What another program reads from the X clipboard in the form `target`.
std::string ClipboardAs(const XServer& x, const std::string& target) {
    Environment env = CurrentEnvironment();
    env["DISPLAY"] = x.name();
    return RunCapture({"xclip", "-selection", "clipboard", "-t", target, "-o"}, env, 30s)
        .value_or(std::string());
}

// The bands picture on an 8 x 4 board, step one and step two done: the output box holds the
// character picture, two digits for each pixel.
void MakeCharacterPicture(DesktopProgram& q) {
    ASSERT_TRUE(SetOutputSize(q, 8, 4));
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, Bands(), "bands.bmp")));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
}

// The bands' colours, in the order the first row of pixels meets them.
const QRgb kBands[] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255), qRgb(200, 200, 0)};

TEST(DesktopCharacterPicture, TheSavedTextIsExactlyWhatACopyPutsOnTheClipboard) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    MakeCharacterPicture(q);
    // The user types into the picture before saving: the file holds the text as it stands.
    q.Click(q.Place("编辑框1").topLeft() + QPoint(4, 4));
    q.Keys("ctrl+End");
    q.Type("Quorix █");
    ASSERT_TRUE(q.WaitIdle());
    const std::string copied = CopyOutput(q);
    ASSERT_NE(copied.find("\r\n"), std::string::npos);
    ASSERT_NE(copied.find("Quorix █"), std::string::npos);

    ASSERT_TRUE(q.ChooseMenu(0, kSaveText));
    ASSERT_TRUE(q.WaitUntil([&] { return q.DialogTitle() == "保存字符画"; }));
    ASSERT_TRUE(q.AnswerFileDialog(q.folder() + "/picture"));  // the ending comes with the kind
    EXPECT_EQ(Bytes(q.folder() + "/picture.txt"), copied);
}

// Whether the screenshot shows `colour` somewhere, give or take the smoothing of the glyphs'
// edges.
bool Shows(const QImage& shot, QRgb colour) {
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= 40 &&
                std::abs(qGreen(p) - qGreen(colour)) <= 40 &&
                std::abs(qBlue(p) - qBlue(colour)) <= 40) {
                return true;
            }
        }
    }
    return false;
}

TEST(DesktopCharacterPicture, TheExportedPageShowsEachPixelsCharactersInItsColourInChromium) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    MakeCharacterPicture(q);
    const std::string text = CopyOutput(q);

    ASSERT_TRUE(q.ChooseMenu(0, kExportColoured));
    ASSERT_TRUE(q.WaitUntil([&] { return q.DialogTitle() == "导出彩色字符画"; }));
    ASSERT_TRUE(q.AnswerFileDialog(q.folder() + "/bands"));
    const std::string page = Bytes(q.folder() + "/bands.html");
    ASSERT_FALSE(page.empty());
    EXPECT_NE(page.find("white-space: pre"), std::string::npos);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    // One span per run of one colour: four bands, each two pixels wide, on four lines.
    const QString html = QString::fromStdString(page);
    EXPECT_EQ(html.count(QStringLiteral("<span")), 16);
    for (const char* colour : {"#ff0000", "#008000", "#0000ff", "#c8c800"}) {
        EXPECT_EQ(html.count(QString::fromLatin1(colour)), 4) << colour;
    }
    // The characters of the spans, line by line, are the text of step two.
    QString characters = html;
    characters.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    const QString body = characters.section(QStringLiteral("Quorix\n"), 1).trimmed();
    QString expected = QString::fromStdString(text);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(body, expected.trimmed());

    if (!std::filesystem::exists("/usr/bin/chromium")) GTEST_SKIP() << "no chromium";
    const std::string shot = q.folder() + "/shot.png";
    Environment env = CurrentEnvironment();
    env["HOME"] = q.folder();
    ASSERT_TRUE(
        RunCapture({"/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
                    "--hide-scrollbars", "--force-device-scale-factor=4", "--window-size=400,200",
                    "--screenshot=" + shot, "file://" + q.folder() + "/bands.html"},
                   env, 120s)
            .has_value());
    const QImage screenshot(QString::fromStdString(shot));
    ASSERT_FALSE(screenshot.isNull());
    for (const QRgb c : kBands) EXPECT_TRUE(Shows(screenshot, c)) << std::hex << c;
}

TEST(DesktopCharacterPicture, APngExportIsDrawnInTheOutputBoxsFontInThePixelsColours) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    MakeCharacterPicture(q);
    ASSERT_TRUE(q.ChooseMenu(0, kExportColoured));
    ASSERT_TRUE(q.AnswerFileDialog(q.folder() + "/bands.png"));
    const QImage picture(QString::fromStdString(q.folder() + "/bands.png"));
    ASSERT_FALSE(picture.isNull());
    // Four lines of sixteen digits in the box's 7-pixel font, drawn without smoothing, each
    // line a quarter of the height. The first line meets the bands' colours from left to
    // right, the second starts one band further.
    EXPECT_GE(picture.width(), 16 * 3);
    EXPECT_EQ(picture.height() % 4, 0);
    const int line = picture.height() / 4;
    for (int row = 0; row < 2; ++row) {
        std::vector<QRgb> seen;
        for (int x = 0; x < picture.width(); ++x) {
            for (int y = row * line; y < (row + 1) * line; ++y) {
                const QRgb c = picture.pixel(x, y) | 0xFF000000u;
                if (c != qRgb(255, 255, 255) && (seen.empty() || seen.back() != c)) {
                    seen.push_back(c);
                }
            }
        }
        std::vector<QRgb> expected;
        for (int i = 0; i < 4; ++i) expected.push_back(kBands[(i + row) % 4]);
        EXPECT_EQ(seen, expected) << "line " << row;
    }
}

TEST(DesktopCharacterPicture, TheColouredCopyOffersHtmlBesideThePlainText) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    MakeCharacterPicture(q);
    const std::string text = CopyOutput(q);
    ASSERT_TRUE(q.OfferOnClipboard("(nothing)"));
    ASSERT_TRUE(q.ChooseMenu(0, kCopyColoured));
    ASSERT_TRUE(q.WaitUntil([&] { return q.Clipboard().value_or("") != "(nothing)"; }));
    const std::string targets = ClipboardAs(x, "TARGETS");
    EXPECT_NE(targets.find("text/html"), std::string::npos) << targets;
    EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos) << targets;
    EXPECT_EQ(q.Clipboard().value_or(""), text);
    const std::string html = ClipboardAs(x, "text/html");
    for (const char* colour : {"#ff0000", "#008000", "#0000ff", "#c8c800"}) {
        EXPECT_NE(html.find(std::string("<span style=\"color: ") + colour + "\">"),
                  std::string::npos)
            << html;
    }
    EXPECT_NE(html.find("white-space: pre"), std::string::npos) << html;
}

// Types `path` into the file dialog that is opening and confirms it; what comes after (a
// message) is the test's to wait for.
void TypeFileName(DesktopProgram& q, const std::string& path) {
    ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("ctrl+a");
    q.Type(path);
    q.Keys("Return");
}

// Before step one there is no mapping: the export says so and writes nothing; a save into a
// folder where no file can be made says so, naming the file.
TEST(DesktopCharacterPicture, WithoutAMappingOrAPlaceToWriteTheProgramSaysSo) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(q.ChooseMenu(0, kExportColoured));
    TypeFileName(q, q.folder() + "/nothing.html");
    ASSERT_TRUE(q.WaitUntil([&] { return q.DialogTitle() == "Quorix"; }))
        << "no message on an export without a mapping";
    q.Keys("Return");
    ASSERT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }));
    EXPECT_FALSE(std::filesystem::exists(q.folder() + "/nothing.html"));

    MakeCharacterPicture(q);
    const std::string folder = "/proc/" + std::to_string(q.pid());
    for (const int item : {kSaveText, kExportColoured}) {
        SCOPED_TRACE(item);
        ASSERT_TRUE(q.ChooseMenu(0, item));
        TypeFileName(q, folder + "/picture");
        const std::optional<std::string> message = CopyMessage(q);
        ASSERT_TRUE(message) << "no message after a failed save";
        EXPECT_NE(message->find("无法保存"), std::string::npos) << *message;
        EXPECT_NE(message->find(folder + "/picture."), std::string::npos) << *message;
        q.Keys("Return");
        ASSERT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
    }
    EXPECT_TRUE(q.running());
}

}  // namespace
}  // namespace quorix
