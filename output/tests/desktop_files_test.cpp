// Picture files through the file dialog on a real X display: every picture the load reads is
// listed, a save writes the format its name asks for, a save that fails says so, listing /proc
// or a folder with a named pipe never freezes the dialog, and Qt's dialogs speak the desktop's
// language.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageWriter>
#include <filesystem>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

QImage Gradient(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.setPixel(x, y, qRgb(x * 2, y * 2, 120));
    }
    return picture;
}

std::string Bytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// A folder holding one picture in `format` (and a text file): in the open dialog, the user
// goes to the folder, moves into the file list, takes its first entry and presses Enter. A
// picture the dialog hides cannot be taken that way.
void CheckTheOpenDialogListsA(const char* format, const char* name) {
    SCOPED_TRACE(format);
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const std::string folder = q.folder() + "/pictures";
    std::filesystem::create_directory(folder);
    QImage picture(40, 40, QImage::Format_RGB32);
    picture.fill(qRgb(200, 30, 60));
    ASSERT_TRUE(QImageWriter(QString::fromStdString(folder + "/" + name), format).write(picture));
    QFile notes(QString::fromStdString(folder + "/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();

    q.Click("按钮3");
    ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("ctrl+a");
    q.Type(folder);
    q.Keys("Return");  // into the folder
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("shift+Tab");  // the file list
    q.Keys("space");      // takes its first entry
    q.Keys("Return");
    const bool taken = q.WaitUntil([&] { return !q.Dialog().has_value(); });
    EXPECT_TRUE(taken) << "the picture was not listed";
    if (!taken) {
        ASSERT_TRUE(q.CancelFileDialog());
    }
    ASSERT_TRUE(q.WaitIdle());
    q.MoveTo(q.Centre("画板1"));
    ASSERT_TRUE(q.WaitIdle());
    // A JPEG keeps a flat colour within a level or two.
    const QRgb shown = q.Pixel(q.Centre("画板1"));
    EXPECT_LE(
        std::abs(qRed(shown) - 200) + std::abs(qGreen(shown) - 30) + std::abs(qBlue(shown) - 60),
        6);
}

TEST(DesktopFiles, TheOpenDialogListsAPngAndAJpegItLoads) {
    CheckTheOpenDialogListsA("png", "photo.png");
    CheckTheOpenDialogListsA("jpeg", "photo.jpg");
}

// A save writes the format its name ends in, whatever the case; any other name is a bitmap,
// and a name without an ending gets ".bmp".
TEST(DesktopFiles, ASaveWritesTheFormatItsNameAsksFor) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 64, 48));
    const QImage picture = Gradient(64, 48);
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, picture, "gradient.bmp")));
    struct Case {
        const char* typed;
        const char* written;
        std::string starts;  // the format's signature
        bool exact;          // the pixels come back exactly (not a lossy format)
    };
    const Case cases[] = {
        {"x.png", "x.png", "\x89PNG\r\n\x1a\n", true},
        {"y.jpg", "y.jpg", "\xff\xd8\xff", false},
        {"Z.JPEG", "Z.JPEG", "\xff\xd8\xff", false},
        {"P.PNG", "P.PNG", "\x89PNG", true},
        {"pic", "pic.bmp", "BM", true},
        {"w.bmp", "w.bmp", "BM", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(SavePicture(q, q.folder() + "/" + c.typed));
        const std::string path = q.folder() + "/" + c.written;
        EXPECT_EQ(Bytes(path).substr(0, c.starts.size()), c.starts);
        const QImage saved =
            QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved.size(), QSize(64, 48));
        if (c.exact) {
            EXPECT_TRUE(saved == picture);
        } else {
            // A fine JPEG: every pixel within a few levels of the board's.
            int worst = 0;
            for (int y = 0; y < 48; ++y) {
                for (int xx = 0; xx < 64; ++xx) {
                    const QRgb a = saved.pixel(xx, y), b = picture.pixel(xx, y);
                    worst =
                        std::max({worst, std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
                }
            }
            EXPECT_LE(worst, 12);
        }
    }
}

// A save into a folder where no file can be made (a process's folder in /proc refuses even
// root) shows a message that names the file, and the program goes on.
TEST(DesktopFiles, ASaveThatFailsSaysSoAndNamesTheFile) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const std::string folder = "/proc/" + std::to_string(q.pid());
    struct Case {
        const char* typed;
        std::string shown;  // the path the message names
    };
    const Case cases[] = {{"pic", folder + "/pic.bmp"}, {"cmdline.png", folder + "/cmdline.png"}};
    const std::string comm_before = Bytes(folder + "/comm");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        q.Click("按钮2");
        ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
        q.Keys("ctrl+a");
        q.Type(folder + "/" + c.typed);
        q.Keys("Return");
        // The message, over the window, with the program's name as its title.
        const std::optional<std::string> message = CopyMessage(q);
        ASSERT_TRUE(message) << "no message after a failed save";
        EXPECT_NE(message->find("无法保存"), std::string::npos) << *message;
        EXPECT_NE(message->find(c.shown), std::string::npos) << *message;
        q.Keys("Return");
        EXPECT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
    }
    EXPECT_EQ(Bytes(folder + "/comm"), comm_before);
    EXPECT_TRUE(q.running());
}

// Nothing in the program holds a file open that only a listing could have opened.
bool HoldsOpen(DesktopProgram& q, const std::string& path) {
    const std::string fds = "/proc/" + std::to_string(q.pid()) + "/fd";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        std::error_code e;
        if (std::filesystem::read_symlink(entry.path(), e).string() == path) return true;
    }
    return false;
}

// Listing a folder never reads its files: a named pipe waits for a writer, and /proc/kmsg (as
// root) waits for the kernel's next message. After listing both, the dialog still answers the
// keyboard, loads a picture, and the program ends when its window is closed.
TEST(DesktopFiles, ListingProcOrAFolderWithAPipeNeverFreezesTheDialog) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const std::string folder = q.folder() + "/odd";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((folder + "/pipe.bmp").c_str(), 0600), 0);
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(qRgb(10, 160, 90));
    const std::string path = WritePicture(q, picture, "green.bmp");

    q.Click("按钮3");
    ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
    ASSERT_TRUE(q.WaitIdle());
    for (const std::string& listed : {folder, std::string("/proc")}) {
        q.Keys("ctrl+a");
        q.Type(listed);
        q.Keys("Return");  // the dialog lists the folder, with every file's type
        ASSERT_TRUE(q.WaitIdle());
    }
    EXPECT_FALSE(HoldsOpen(q, "/proc/kmsg"));
    EXPECT_FALSE(HoldsOpen(q, folder + "/pipe"));
    ASSERT_TRUE(q.AnswerFileDialog(path)) << "the dialog stopped answering";
    q.MoveTo(q.Centre("画板1"));
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(q.Pixel(q.Centre("画板1")), qRgb(10, 160, 90));
    EXPECT_TRUE(CloseAndExit(q));
}

// On a Chinese desktop Qt's own dialogs speak Chinese: the open dialog's title is Qt's
// "Open" in the desktop's language.
TEST(DesktopFiles, QtsDialogsSpeakTheDesktopsLanguage) {
    struct Case {
        const char* lang;
        const char* title;
    };
    for (const Case c : {Case{"zh_CN.UTF-8", "打开"}, Case{"C", "Open"}}) {
        SCOPED_TRACE(c.lang);
        XServer x;
        DesktopProgram q(
            x,
            {.extra_env = {
                 {"LANG", c.lang}, {"LC_ALL", c.lang}, {"LC_MESSAGES", c.lang}, {"LANGUAGE", ""}}});
        ASSERT_TRUE(q.ok()) << q.log();
        q.Click("按钮3");
        ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
        EXPECT_EQ(q.DialogTitle(), c.title);
        ASSERT_TRUE(q.CancelFileDialog());
    }
}

}  // namespace
}  // namespace quorix
