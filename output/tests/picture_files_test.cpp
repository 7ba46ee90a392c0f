// Loading and saving pictures through the real window: the buttons, the menu items and the
// board's popup menu, with the real file dialog answered as a user would.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <set>

#include "host/krnln/runtime.h"
#include "output/tests/picture_samples.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using namespace testing;

void Hover(Session& s, QPoint at) {
    QWidget* board = s.Find("画板1");
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(board->mapToGlobal(at)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(board, &event);
}

TEST(PictureFiles, ALoadSqueezesTheWholePictureOntoBothBoardsAtTheirSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBytes(dir.filePath("big.bmp"), Encode(Quadrants(300, 200), "BMP")));
    RunProgram([&](Session& s) {
        s.PutPicture(Filled(100, 100, qRgb(0, 0, 0)));
        Load(s, dir.path(), "big.bmp");
        // Every pixel of the picture is drawn, white included (nothing is transparent), and
        // without smoothing: the quadrants meet without any blended colour.
        ExpectBoardsShow(s, Quadrants(100, 100));
        EXPECT_EQ(s.Find("画板1")->size(), QSize(100, 100));
        EXPECT_EQ(s.Find("画板2")->size(), QSize(100, 100));
        Hover(s, {50, 50});
        ExpectBoardsShow(s, Quadrants(100, 100));
    });
}

TEST(PictureFiles, PicturesOfOtherFormatsAndSizesLoadToo) {
    const struct {
        const char* format;
        const char* name;
        QSize size;
        int tolerance;  // per channel: JPEG is lossy
    } cases[] = {
        {"PNG", "a.png", {300, 200}, 0},
        {"PNG", "small.png", {10, 20}, 0},  // stretched: each pixel 10 x 5
        {"PNG", "png-named.bmp", {300, 200}, 0},
        {"BMP", "wide.bmp", {1000, 10}, 0},
        {"JPG", "a.jpg", {300, 200}, 24},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(dir.filePath(c.name),
                               Encode(Quadrants(c.size.width(), c.size.height()), c.format)));
    }
    RunProgram([&](Session& s) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            s.PutPicture(Filled(100, 100, qRgb(0, 0, 0)));
            Load(s, dir.path(), c.name);
            const QImage want = Quadrants(100, 100);
            for (const char* board : {"画板1", "画板2"}) {
                const QImage got = s.BoardPicture(board);
                ASSERT_EQ(got.size(), QSize(100, 100));
                if (c.tolerance == 0) {
                    EXPECT_EQ(got, want.convertToFormat(got.format())) << board;
                    continue;
                }
                for (QPoint p : {QPoint(20, 20), QPoint(80, 20), QPoint(20, 80), QPoint(80, 80)}) {
                    const QRgb g = got.pixel(p), w = want.pixel(p);
                    EXPECT_NEAR(qRed(g), qRed(w), c.tolerance) << board;
                    EXPECT_NEAR(qGreen(g), qGreen(w), c.tolerance) << board;
                    EXPECT_NEAR(qBlue(g), qBlue(w), c.tolerance) << board;
                }
            }
        }
    });
}

// One-pixel stripes of two colours: any smoothing would show as a third colour.
QImage Stripes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, (x + y) % 2 ? kQuadrants[0] : kQuadrants[3]);
    }
    return img;
}

TEST(PictureFiles, AShrunkPictureKeepsItsOwnColours) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* format : {"BMP", "PNG"}) {
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("stripes.") + format),
                               Encode(Stripes(301, 203), format)));
    }
    RunProgram([&](Session& s) {
        s.SetOutputSize("100", "70");
        for (const char* format : {"BMP", "PNG"}) {
            SCOPED_TRACE(format);
            s.PutPicture(Filled(100, 70, kWhite));
            Load(s, dir.path(), QStringLiteral("stripes.") + format);
            for (const char* board : {"画板1", "画板2"}) {
                std::set<QRgb> colours = Colours(s.BoardPicture(board));
                colours.erase(kQuadrants[0]);
                colours.erase(kQuadrants[3]);
                EXPECT_TRUE(colours.empty()) << board << ": " << colours.size() << " others";
            }
        }
    });
}

TEST(PictureFiles, CancellingChangesNothingAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RunProgram([&](Session& s) {
        s.PutPicture(Distinct(100, 100));
        Load(s, dir.path(), QString());
        ExpectBoardsShow(s, Distinct(100, 100));
        Save(s, dir.path(), QString());
        EXPECT_TRUE(Entries(dir.path()).isEmpty()) << Entries(dir.path()).join(' ').toStdString();
    });
}

// Big-endian CRC-32 of a PNG chunk's type and data.
TEST(PictureFiles, ASaveWritesA24BitBitmapOfTheBoardSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBytes(dir.filePath("big.bmp"), Encode(Quadrants(300, 200), "BMP")));
    RunProgram([&](Session& s) {
        s.SetOutputSize("120", "80");
        Load(s, dir.path(), "big.bmp");
        Save(s, dir.path(), "pic");
        const QByteArray bytes = ReadBytes(dir.filePath("pic.bmp"));  // ".bmp" added
        ASSERT_GE(bytes.size(), 54);
        EXPECT_EQ(bytes.left(2), "BM");
        EXPECT_EQ(qFromLittleEndian<int32_t>(bytes.constData() + 18), 120);
        EXPECT_EQ(std::abs(qFromLittleEndian<int32_t>(bytes.constData() + 22)), 80);
        EXPECT_EQ(qFromLittleEndian<uint16_t>(bytes.constData() + 28), 24);
        const QImage saved = QImage::fromData(bytes, "BMP");
        EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), Quadrants(120, 80));
        EXPECT_FALSE(QFile::exists(dir.filePath("pic")));
    });
}

TEST(PictureFiles, ReloadingASavedPictureGivesTheSamePixels) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RunProgram([&](Session& s) {
        s.SetOutputSize("64", "48");
        s.PutPicture(Distinct(64, 48));
        Save(s, dir.path(), "round.bmp");
        s.Click("按钮1");
        ASSERT_EQ(Colours(s.BoardPicture("画板1")), std::set<QRgb>{kWhite});
        Load(s, dir.path(), "round.bmp");
        ExpectBoardsShow(s, Distinct(64, 48));
        // Saving again over the file keeps the same pixels.
        Save(s, dir.path(), "round.bmp");
        EXPECT_EQ(QImage(dir.filePath("round.bmp")).convertToFormat(QImage::Format_RGB32),
                  Distinct(64, 48));
    });
}

// Runs a popup menu item: a right press on the picture board, then a click on the item.
void ClickPopupItem(Session& s, const char* text) {
    QTest::mousePress(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {30, 30});
    QTest::mouseRelease(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {30, 30});
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    for (QAction* a : popup->actions()) {
        if (a->text() != U(text)) continue;
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->actionGeometry(a).center());
        if (popup->isVisible()) popup->close();
        return;
    }
    popup->close();
    ADD_FAILURE() << "no popup item " << text;
}

TEST(PictureFiles, TheMenuItemsAndThePopupMenuLoadAndSaveAsTheButtonsDo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBytes(dir.filePath("q.png"), Encode(Quadrants(40, 40), "PNG")));
    RunProgram([&](Session& s) {
        testing::FileDialogSeen seen;
        QAction* load = s.MenuBarAction("载入图片");
        QAction* save = s.MenuBarAction("保存图片");
        ASSERT_NE(load, nullptr);
        ASSERT_NE(save, nullptr);

        testing::AnswerFileDialog(seen, dir.path(), "q.png");
        load->trigger();
        EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
        ExpectBoardsShow(s, Quadrants(100, 100));
        testing::AnswerFileDialog(seen, dir.path(), "from-menu");
        save->trigger();
        EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
        EXPECT_EQ(QImage(dir.filePath("from-menu.bmp")).convertToFormat(QImage::Format_RGB32),
                  Quadrants(100, 100));

        s.PutPicture(Distinct(100, 100));
        testing::AnswerFileDialog(seen, dir.path(), "q.png");
        ClickPopupItem(s, "载入图片");
        EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
        ExpectBoardsShow(s, Quadrants(100, 100));
        s.PutPicture(Distinct(100, 100));
        testing::AnswerFileDialog(seen, dir.path(), "from-popup");
        ClickPopupItem(s, "保存图片");
        EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
        EXPECT_EQ(QImage(dir.filePath("from-popup.bmp")).convertToFormat(QImage::Format_RGB32),
                  Distinct(100, 100));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
