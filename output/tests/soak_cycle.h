// One cycle of a long session as a user works through it, for the soak test that checks that
// nothing piles up over many cycles and the benchmark that times them.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <string>

#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix::testing {

// The side of the soak's board and picture.
inline constexpr int kSoakSide = 256;

// Every pixel its own colour: the ColorTable gets 65,536 rows, the most texts a cycle can make.
inline QImage SoakPicture() {
    QImage img(kSoakSide, kSoakSide, QImage::Format_RGB32);
    for (int y = 0; y < kSoakSide; ++y) {
        for (int x = 0; x < kSoakSide; ++x) img.setPixel(x, y, qRgb(x, y, 128));
    }
    return img;
}

// One cycle: load `picture`, step one, edit a row (chosen by `cycle`), step two, replace, copy,
// clear. Empty when each did its work; else what did not.
inline std::string SoakCycle(Session& s, const QString& picture, int cycle) {
    const auto output = [&] { return s.runtime().ReadProperty(U("编辑框1"), abi::kPropText); };
    FileDialogSeen dialog;
    AnswerFileDialog(dialog, picture);
    s.Click("按钮3");
    if (!dialog.answered) return "the load's file dialog was not answered";
    s.Click("按钮11");
    auto* table = s.Find<QAbstractItemView>("颜色分类列表框");
    if (table->model()->rowCount() != kSoakSide * kSoakSide) return "step one missed colours";

    const int row = (cycle * 7919) % (kSoakSide * kSoakSide);
    table->setCurrentIndex(table->model()->index(row, 0));
    s.Find<QComboBox>("修改对应编辑框")->setEditText(U("█"));
    s.Click("按钮15");
    if (table->model()->index(row, 1).data().toString() != U("█")) return "the edit was lost";

    s.Click("按钮13");
    const QString generated = output();
    // Two digits a pixel but one "█", and CR LF after each row.
    if (generated.size() != 2 * kSoakSide * kSoakSide - 1 + 2 * kSoakSide ||
        generated.count(U("█")) != 1) {
        return "step two wrote another text";
    }

    s.Find<QLineEdit>("替换编辑框")->setText(U("█"));
    s.Find<QComboBox>("修改对应编辑框1")->setEditText(U("@@"));
    s.Click("按钮4");
    const QString replaced = output();
    if (replaced.count(U("@@")) != 1 || replaced.count(U("█")) != 0) return "the replace failed";

    s.Click("复制按钮");
    if (QApplication::clipboard()->text() != replaced) return "the copy failed";
    s.Click("按钮5");
    if (!output().isEmpty()) return "the clear failed";
    return {};
}

}  // namespace quorix::testing
