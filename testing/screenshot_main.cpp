// Takes the README's screenshot: runs the real program, puts a small picture on the board,
// runs both steps with one colour given "█", and grabs the screen.
//
//   DISPLAY=:99 quorix_screenshot out.png      (under Xvfb)
#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "testing/program_session.h"

namespace {

QImage Picture(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.setBrush(QColor(255, 220, 0));
    p.drawEllipse(QRect(4, 2, h - 5, h - 5));
    p.setPen(QPen(Qt::black, 2));
    p.drawPoint(14, 11);
    p.drawPoint(22, 11);
    p.drawArc(QRect(11, 12, 14, 10), 200 * 16, 140 * 16);
    p.setPen(QPen(QColor(0, 90, 200), 2));
    p.drawLine(40, 6, 60, 26);
    p.drawLine(60, 6, 40, 26);
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorix_screenshot out.png\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    bool saved = false;
    quorix::testing::RunProgram([&](quorix::testing::Session& s) {
        s.Find<QComboBox>("宽组合框1")->setEditText("64");
        s.Find<QComboBox>("高组合框1")->setEditText("32");
        s.Click("按钮16");
        const QImage picture = Picture(64, 32);
        s.Find("画板1")->setProperty("picture", picture);
        s.Find("画板2")->setProperty("picture", picture);
        s.Click("按钮11");
        auto* view = s.Find<QAbstractItemView>("颜色分类列表框");
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            if (view->model()->index(row, 0).data().toString() == "16777215") {
                view->setCurrentIndex(view->model()->index(row, 0));
                s.Find<QComboBox>("修改对应编辑框")->setEditText("  ");
                s.Click("按钮15");
            }
        }
        view->setCurrentIndex(view->model()->index(1, 0));
        s.Find<QComboBox>("修改对应编辑框")->setEditText(QString::fromUtf8("█"));
        s.Click("按钮15");
        s.Click("按钮13");
        QTest::qWait(1500);
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        saved = shot.copy(0, 0, 1100, 720).save(out);
    });
    return saved ? 0 : 1;
}
