// The conversion through the real window: output size, step one, editing the mapping, step
// two, and stopping a step, as a user drives them.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QProgressBar>

#include "host/krnln/color_value.h"
#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

struct Row {
    QString colour, characters;
};

QSize BoardSize(Session& s, const char* board) {
    return s.Find(board)->size();
}

std::vector<Row> Rows(Session& s) {
    auto* view = s.Find<QAbstractItemView>("颜色分类列表框");
    std::vector<Row> rows;
    auto* m = view->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        rows.push_back({m->index(r, 0).data().toString(), m->index(r, 1).data().toString()});
    }
    return rows;
}

void SelectRow(Session& s, int row) {
    auto* view = s.Find<QAbstractItemView>("颜色分类列表框");
    view->setCurrentIndex(view->model()->index(row, 0));
}

// A picture whose every pixel has its own colour.
QImage Distinct(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(10 + x, 20 + y, 30));
    }
    return img;
}

bool TwoDigits(const QString& t) {
    return t.size() == 2 && t[0].isDigit() && t[1].isDigit();
}

TEST(Conversion, RoadOfATypicalUse) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "4");
        ASSERT_EQ(BoardSize(s, "画板1"), QSize(8, 4));
        ASSERT_EQ(BoardSize(s, "画板2"), QSize(8, 4));
        QImage picture(8, 4, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int x = 2; x < 6; ++x) picture.setPixel(x, 1, qRgb(255, 0, 0));
        picture.setPixel(7, 3, qRgb(0, 0, 255));
        s.PutPicture(picture);

        s.Click("按钮11");
        auto rows = Rows(s);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].colour, "16777215");  // white, pixel (0, 0)
        EXPECT_EQ(rows[1].colour, "255");       // pure red
        EXPECT_EQ(rows[2].colour, "16711680");  // pure blue
        for (const Row& r : rows)
            EXPECT_TRUE(TwoDigits(r.characters)) << r.characters.toStdString();

        SelectRow(s, 1);
        EXPECT_EQ(s.Find<QComboBox>("修改对应编辑框")->currentText(), rows[1].characters);
        EXPECT_EQ(s.runtime().ReadProperty(U("对应修改颜色框"), abi::kPropColor), "255");
        s.Find<QComboBox>("修改对应编辑框")->setEditText(U("█"));
        s.Click("按钮15");
        EXPECT_EQ(Rows(s)[1].characters, U("█"));

        s.Click("按钮13");
        const QString w = rows[0].characters, b = rows[2].characters, r = U("█");
        const QString expected = w.repeated(8) + "\r\n" + w.repeated(2) + r.repeated(4) +
                                 w.repeated(2) + "\r\n" + w.repeated(8) + "\r\n" + w.repeated(7) +
                                 b + "\r\n";
        EXPECT_EQ(s.Output(), expected);
    });
}

TEST(Conversion, StepOneFindsEachColourOnceInOrderOfFirstAppearance) {
    RunProgram([](Session& s) {
        s.SetOutputSize("5", "3");
        QImage one(5, 3, QImage::Format_RGB32);
        one.fill(qRgb(1, 2, 3));
        s.PutPicture(one);
        s.Click("按钮11");
        ASSERT_EQ(Rows(s).size(), 1u);
        EXPECT_EQ(Rows(s)[0].colour, QString::number(host::ValueFromRgb(qRgb(1, 2, 3))));
        auto* bar = s.Find<QProgressBar>("取色字符进度条");
        EXPECT_EQ(bar->maximum(), 15);
        EXPECT_EQ(bar->value(), 15);

        // Colours one unit apart in one channel are two rows; pixel (0, 0) is row 0.
        QImage near(5, 3, QImage::Format_RGB32);
        near.fill(qRgb(100, 100, 100));
        near.setPixel(0, 0, qRgb(100, 100, 101));
        s.PutPicture(near);
        s.Click("按钮11");
        auto rows = Rows(s);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].colour, QString::number(host::ValueFromRgb(qRgb(100, 100, 101))));

        // Twice on the same picture: same colours in the same order, digits drawn anew.
        s.SetOutputSize("10", "10");
        s.PutPicture(Distinct(10, 10));
        s.Click("按钮11");
        const auto first = Rows(s);
        s.Click("按钮11");
        const auto second = Rows(s);
        ASSERT_EQ(first.size(), 100u);
        ASSERT_EQ(second.size(), 100u);
        int differing = 0;
        for (size_t i = 0; i < first.size(); ++i) {
            EXPECT_EQ(first[i].colour, second[i].colour);
            EXPECT_TRUE(TwoDigits(second[i].characters));
            differing += first[i].characters != second[i].characters;
        }
        EXPECT_GT(differing, 0);
    });
}

TEST(Conversion, StopEndsEachStepAfterTheRowInProgress) {
    RunProgram([](Session& s) {
        s.SetOutputSize("4", "3");
        s.PutPicture(Distinct(4, 3));
        int pumps = 0;
        // Step one: stop while pixel (1, 1) is read: row 1 is finished, row 2 never visited.
        s.OnPump([&] {
            if (++pumps == 6) s.Click("停止");
        });
        s.Click("按钮11");
        s.OnPump(nullptr);
        auto rows = Rows(s);
        ASSERT_EQ(rows.size(), 8u);
        for (const Row& r : rows) EXPECT_TRUE(TwoDigits(r.characters));
        EXPECT_EQ(s.Find<QProgressBar>("取色字符进度条")->value(), 8);

        // Step two on the full table: stop in row 1; it ends without a line break.
        s.Click("按钮11");
        rows = Rows(s);
        pumps = 0;
        s.OnPump([&] {
            if (++pumps == 7) s.Click("停止");
        });
        s.Click("按钮13");
        s.OnPump(nullptr);
        QString expected;
        for (int i = 0; i < 4; ++i) expected += rows[i].characters;
        expected += "\r\n";
        for (int i = 4; i < 8; ++i) expected += rows[i].characters;
        EXPECT_EQ(s.Output(), expected);
    });
}

TEST(Conversion, StepTwoAppendsAndReadsTheTableAfresh) {
    RunProgram([](Session& s) {
        s.SetOutputSize("3", "2");
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(qRgb(0, 0, 0));
        picture.setPixel(1, 0, qRgb(9, 9, 9));
        s.PutPicture(picture);

        // Before step one the table is empty: every line is just a line break.
        s.Click("按钮13");
        EXPECT_EQ(s.Output(), "\r\n\r\n");
        s.Click("按钮5");  // clear
        EXPECT_EQ(s.Output(), "");

        s.Click("按钮11");
        auto rows = Rows(s);
        ASSERT_EQ(rows.size(), 2u);
        // An empty character text writes nothing for that colour.
        SelectRow(s, 1);
        s.Find<QComboBox>("修改对应编辑框")->setEditText(QString());
        s.Click("按钮15");
        s.Click("按钮13");
        const QString k = rows[0].characters;
        const QString once = k + k + "\r\n" + k + k + k + "\r\n";
        EXPECT_EQ(s.Output(), once);
        // Twice appends the picture twice.
        s.Click("按钮13");
        EXPECT_EQ(s.Output(), once + once);

        // An edit made while step two runs applies to the pixels after it.
        s.Click("按钮5");
        int pumps = 0;
        s.OnPump([&] {
            if (++pumps == 4) {  // before pixel (0, 1)
                SelectRow(s, 0);
                s.Find<QComboBox>("修改对应编辑框")->setEditText(U("★"));
                s.Click("按钮15");
            }
        });
        s.Click("按钮13");
        s.OnPump(nullptr);
        EXPECT_EQ(s.Output(), k + k + "\r\n" + U("★★★") + "\r\n");
    });
}

// The output box keeps a picture's text in one place and shows it as it grows: what the
// program reads back, and what the view holds, is every character step two appended, in order,
// whatever its encoding (ASCII, a two-byte symbol, a character only four bytes can hold).
TEST(Conversion, StepTwoOnA1024PictureGivesEveryCharacterItAppendedInOrder) {
    RunProgram([](Session& s) {
        constexpr int kSide = 1024;
        s.SetOutputSize(QString::number(kSide), QString::number(kSide));
        // Four colours in stripes that shift by row, so no two lines are alike.
        const QRgb colours[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        auto colour_at = [](int x, int y) { return ((x / 7) + (y / 3)) % 4; };
        QImage picture(kSide, kSide, QImage::Format_RGB32);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) picture.setPixel(x, y, colours[colour_at(x, y)]);
        }
        s.PutPicture(picture);
        s.Click("按钮11");
        ASSERT_EQ(Rows(s).size(), 4u);
        // Rows appear in order of first appearance: colour index 0, 1, 2, 3 along row 0.
        const QString texts[4] = {Rows(s)[0].characters, U("█"), U("😀"), U("a b")};
        for (int row = 1; row < 4; ++row) {
            SelectRow(s, row);
            s.Find<QComboBox>("修改对应编辑框")->setEditText(texts[row]);
            s.Click("按钮15");
        }
        s.Click("按钮13");
        QString expected;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) expected += texts[colour_at(x, y)];
            expected += "\r\n";
        }
        const QString output = s.Output();
        ASSERT_EQ(output.size(), expected.size());
        EXPECT_TRUE(output == expected) << "the program's text differs from what step two appended";
        EXPECT_TRUE(s.Find("编辑框1")->property("text").toString() == expected)
            << "the view shows another text";
        // A second run appends the same text after the first.
        s.Click("按钮13");
        EXPECT_TRUE(s.Output() == expected + expected);
    });
}

TEST(Conversion, OutputSizeChangesOnlyOnApplyAndRefusesImpossibleSizes) {
    RunProgram([](Session& s) {
        s.Find<QComboBox>("宽组合框1")->setEditText("256");
        EXPECT_EQ(BoardSize(s, "画板1"), QSize(100, 100));  // not applied yet
        s.SetOutputSize("256", "100");
        EXPECT_EQ(BoardSize(s, "画板1"), QSize(256, 100));
        EXPECT_EQ(BoardSize(s, "画板2"), QSize(256, 100));
        s.SetOutputSize("99.9", "7");
        EXPECT_EQ(BoardSize(s, "画板1"), QSize(99, 7));
        for (auto [w, h] :
             {std::pair{"0", "10"}, {"10", "-3"}, {"5000", "10"}, {"abc", "10"}, {"10", "4097"}}) {
            s.SetOutputSize(w, h);
            EXPECT_EQ(BoardSize(s, "画板1"), QSize(99, 7)) << w << "x" << h;
            EXPECT_EQ(BoardSize(s, "画板2"), QSize(99, 7)) << w << "x" << h;
        }
        s.SetOutputSize("4096", "1");
        EXPECT_EQ(BoardSize(s, "画板1"), QSize(4096, 1));
    });
}

TEST(Conversion, StepsGiveBackEveryBlockTheyTake) {
    RunProgram([](Session& s) {
        s.SetOutputSize("20", "20");
        s.PutPicture(Distinct(20, 20));
        const uint64_t before = s.BlocksInUse();
        s.Click("按钮11");
        s.Click("按钮13");
        // The stop request now holds "-": one text more than before the first step.
        EXPECT_EQ(s.BlocksInUse(), before + 1);
        s.Click("按钮11");
        s.Click("按钮13");
        EXPECT_EQ(s.BlocksInUse(), before + 1);
    });
}

TEST(Conversion, StepsStartedOrBoardsResizedDuringAStepNeitherCrashNorHang) {
    RunProgram([](Session& s) {
        s.SetOutputSize("6", "4");
        s.PutPicture(Distinct(6, 4));
        int pumps = 0;
        // Step one clicked again in the middle of step one, and the boards shrunk: the inner
        // step runs to its end; the outer one reads the new width from its next row on, and
        // pixels beyond the board read as white.
        s.OnPump([&] {
            ++pumps;
            if (pumps == 3) s.Click("按钮11");
            if (pumps == 40) s.SetOutputSize("2", "2");
        });
        s.Click("按钮11");
        s.OnPump(nullptr);
        const auto rows = Rows(s);
        ASSERT_FALSE(rows.empty());
        for (const Row& r : rows) EXPECT_TRUE(TwoDigits(r.characters));
        EXPECT_EQ(s.Find("画板1")->size(), QSize(2, 2));
        // Step two with the board resized under it: rows keep the row count read at the start.
        s.SetOutputSize("3", "3");
        pumps = 0;
        s.OnPump([&] {
            if (++pumps == 2) s.SetOutputSize("1", "1");
        });
        s.Click("按钮13");
        s.OnPump(nullptr);
        EXPECT_EQ(s.Output().count("\r\n"), 3);
    });
}

TEST(Conversion, ClosingTheWindowDuringAStepEndsTheProgramCleanly) {
    const auto result = RunProgram([](Session& s) {
        s.SetOutputSize("300", "300");
        s.PutPicture(Distinct(300, 300));
        int pumps = 0;
        s.OnPump([&] {
            if (++pumps == 1000) s.Close();
        });
        s.Click("按钮13");
        // The step has unwound; nothing more runs.
        EXPECT_LT(pumps, 2000);
    });
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.blocks_after_shutdown, result.section_blocks);
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
