// What the ColorTable shows through the real window: each row's colour as a swatch beside its
// decimal text, and a mark with a tooltip on each row whose characters are not as wide as two
// digits in the output box, after every change.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableView>

#include "convert/tests/eight_colours.h"
#include "host/krnln/color_value.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::EightColours;
using testing::RunProgram;
using testing::Session;
using testing::U;

QRgb SwatchCentre(const QVariant& decoration) {
    const QPixmap swatch = decoration.value<QIcon>().pixmap(QSize(10, 10), QIcon::Selected);
    if (swatch.isNull()) return 0;
    const QImage image = swatch.toImage();
    return image.pixel(image.width() / 2, image.height() / 2) | 0xFF000000u;
}

TEST(ColorTable, EachRowShowsItsColourBesideTheDecimalTextWhichFitsItsColumn) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "2");
        const QImage picture = EightColours();
        s.PutPicture(picture);
        s.Click("按钮11");
        auto* view = s.Find<QAbstractItemView>("颜色分类列表框");
        auto* m = view->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            const QRgb p = picture.pixel(r, 0);  // rows in the order of the first line
            const QModelIndex colour = m->index(r, 0);
            EXPECT_EQ(colour.data().toString(), QString::number(host::ValueFromRgb(p)));
            EXPECT_EQ(SwatchCentre(colour.data(Qt::DecorationRole)), p);
            EXPECT_FALSE(m->index(r, 1).data(Qt::DecorationRole).isValid());
            // The widest colour text with its swatch needs no more than the column gives.
            QStyleOptionViewItem option;
            option.font = view->font();
            option.fontMetrics = view->fontMetrics();
            option.decorationSize = view->iconSize();
            EXPECT_LE(view->itemDelegate()->sizeHint(option, colour).width(),
                      qobject_cast<QTableView*>(view)->columnWidth(0));
        }
    });
}

TEST(ColorTable, ARowWhoseCharactersAreNotTwoDigitsWideIsMarkedAndSaysWhy) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "2");
        s.PutPicture(EightColours());
        s.Click("按钮11");
        auto* view = s.Find<QAbstractItemView>("颜色分类列表框");
        auto* m = view->model();
        const QString tip = U("宽度与两位数字不同，字符画会错位");
        const struct {
            const char* characters;
            bool marked;
        } table[] = {{"a", true},   {"", true},    {"█", false},  {"aa", false}, {"★★", true},
                     {"国", false}, {"@@@", true}, {"  ", false}, {"▓▒", true}};
        auto* editor = s.Find<QComboBox>("修改对应编辑框");
        for (const auto& row : table) {
            SCOPED_TRACE(row.characters);
            view->setCurrentIndex(m->index(3, 0));
            editor->setEditText(U(row.characters));
            s.Click("按钮15");
            QApplication::processEvents();
            const QModelIndex cell = m->index(3, 1);
            EXPECT_EQ(cell.data().toString(), U(row.characters));
            EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), row.marked ? tip : QString());
            EXPECT_EQ(cell.data(Qt::DecorationRole).isValid(), row.marked);
        }
        // Step one's digits are two digits wide: no row is marked.
        s.Click("按钮11");
        for (int r = 0; r < m->rowCount(); ++r) {
            EXPECT_FALSE(m->index(r, 1).data(Qt::ToolTipRole).isValid()) << r;
        }
    });
}

}  // namespace
}  // namespace quorix
