// "减少颜色…" through the real window: the dialog, its preview on the picture board, what
// Escape and Enter leave on both boards, and what step one lists afterwards. (What assistive
// technology reads of the dialog: app/tests/desktop_accessibility_test.cpp.)
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <set>

#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

QImage Photo(const char* name, QSize size) {
    const QImage photo(QStringLiteral(QUORIX_PHOTOS_DIR "/") + QString::fromUtf8(name));
    EXPECT_FALSE(photo.isNull()) << name;
    return photo.scaled(size).convertToFormat(QImage::Format_RGB32);
}

size_t ColourCount(const QImage& picture) {
    std::set<QRgb> seen;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) seen.insert(picture.pixel(x, y));
    }
    return seen.size();
}

// Runs `act` on the dialog once it is up (from within its own event loop).
void WhenDialogUp(const QString& name, std::function<void(QDialog*)> act) {
    QTimer::singleShot(10, [name, act = std::move(act)]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->objectName() != name) {
            return WhenDialogUp(name, std::move(act));
        }
        act(dialog);
    });
}

// Chooses "减少颜色…" in the menu bar; `act` answers the dialog.
void ReduceWithDialog(Session& s, std::function<void(QDialog*)> act) {
    WhenDialogUp(QStringLiteral("reduce_colors_dialog"), std::move(act));
    QAction* entry = s.MenuBarAction("减少颜色…");
    ASSERT_NE(entry, nullptr);
    entry->trigger();
}

TEST(ReduceColors, TheDialogPreviewsOnTheBoardAndEscapeGivesThePictureBackPixelForPixel) {
    RunProgram([](Session& s) {
        s.SetOutputSize("160", "120");
        const QImage photo = Photo("coffee.jpg", {160, 120});
        s.PutPicture(photo);
        bool previewed = false;
        ReduceWithDialog(s, [&](QDialog* dialog) {
            auto* count = dialog->findChild<QSpinBox*>(QStringLiteral("colours"));
            ASSERT_NE(count, nullptr);
            EXPECT_EQ(dialog->windowTitle(), U("减少颜色"));
            EXPECT_EQ(dialog->focusWidget(), count);
            EXPECT_EQ(count->value(), 8);
            EXPECT_EQ(count->minimum(), 2);
            EXPECT_EQ(count->maximum(), 256);
            EXPECT_FALSE(dialog->findChild<QCheckBox*>(QStringLiteral("dither"))->isChecked());
            // The preview: the board shows the photo in 8 colours; the backing board is kept.
            previewed =
                QTest::qWaitFor([&] { return ColourCount(s.BoardPicture("画板1")) <= 8; }, 30000);
            EXPECT_TRUE(s.BoardPicture("画板2") == photo);
            // Typed as a person types; the preview follows.
            QTest::keyClicks(count, QStringLiteral("3"));
            EXPECT_EQ(count->value(), 3);
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return ColourCount(s.BoardPicture("画板1")) <= 3; }, 30000))
                << "watchdog: the preview did not follow";
            QTest::keyClick(count, Qt::Key_Escape);
        });
        EXPECT_TRUE(previewed) << "watchdog: no preview within 30 s";
        EXPECT_TRUE(s.BoardPicture("画板1") == photo);
        EXPECT_TRUE(s.BoardPicture("画板2") == photo);
    });
}

TEST(ReduceColors, EnterAppliesTheNumberToBothBoardsAndStepOneListsAtMostThatMany) {
    RunProgram([](Session& s) {
        s.SetOutputSize("200", "150");
        const QImage photo = Photo("chelsea.jpg", {200, 150});
        s.PutPicture(photo);
        QImage previewed;
        const uint64_t blocks = s.BlocksInUse();
        ReduceWithDialog(s, [&](QDialog* dialog) {
            auto* count = dialog->findChild<QSpinBox*>(QStringLiteral("colours"));
            QTest::keyClicks(count, QStringLiteral("16"));
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    const QImage shown = s.BoardPicture("画板1");
                    if (ColourCount(shown) > 16 || ColourCount(shown) <= 8) return false;
                    previewed = shown;
                    return true;
                },
                30000))
                << "watchdog: no preview of 16 colours within 30 s";
            QTest::keyClick(count, Qt::Key_Return);
        });
        EXPECT_EQ(s.BlocksInUse(), blocks) << "program memory the handler did not give back";
        const QImage reduced = s.BoardPicture("画板1");
        EXPECT_LE(ColourCount(reduced), 16u);
        EXPECT_GT(ColourCount(reduced), 8u);
        EXPECT_TRUE(reduced == previewed) << "what was shown is what was applied";
        EXPECT_TRUE(s.BoardPicture("画板2") == reduced);

        s.Click("按钮11");
        auto* list = s.Find<QAbstractItemView>("颜色分类列表框");
        EXPECT_EQ(static_cast<size_t>(list->model()->rowCount()), ColourCount(reduced));
    });
}

TEST(ReduceColors, DitheringIsChosenWithTheCheckBoxAndTheDialogStartsWhereItWasLeft) {
    RunProgram([](Session& s) {
        s.SetOutputSize("120", "90");
        const QImage photo = Photo("coffee.jpg", {120, 90});
        s.PutPicture(photo);
        ReduceWithDialog(s, [&](QDialog* dialog) {
            QTest::keyClicks(dialog->findChild<QSpinBox*>(QStringLiteral("colours")),
                             QStringLiteral("4"));
            auto* dither = dialog->findChild<QCheckBox*>(QStringLiteral("dither"));
            QTest::mouseClick(dither, Qt::LeftButton, {}, QPoint(6, dither->height() / 2));
            EXPECT_TRUE(dither->isChecked());
            auto* ok = dialog->findChild<QPushButton*>();
            for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
                if (b->text() == U("确定")) ok = b;
            }
            QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
        });
        const QImage dithered = s.BoardPicture("画板1");
        EXPECT_LE(ColourCount(dithered), 4u);
        EXPECT_TRUE(s.BoardPicture("画板2") == dithered);

        // The next time the dialog shows the values confirmed last; cancelled values are not
        // kept.
        ReduceWithDialog(s, [&](QDialog* dialog) {
            auto* count = dialog->findChild<QSpinBox*>(QStringLiteral("colours"));
            EXPECT_EQ(count->value(), 4);
            EXPECT_TRUE(dialog->findChild<QCheckBox*>(QStringLiteral("dither"))->isChecked());
            QTest::keyClicks(count, QStringLiteral("99"));
            dialog->reject();
        });
        ReduceWithDialog(s, [&](QDialog* dialog) {
            EXPECT_EQ(dialog->findChild<QSpinBox*>(QStringLiteral("colours"))->value(), 4);
            dialog->reject();
        });
        EXPECT_TRUE(s.BoardPicture("画板1") == dithered);
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
