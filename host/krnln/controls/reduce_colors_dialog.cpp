#include "host/krnln/controls/reduce_colors_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "host/krnln/controls/board_widget.h"
#include "host/krnln/controls/color_reduction.h"
#include "host/krnln/controls/dialog_parts.h"

namespace quorix::host {
namespace {

// A burst of changes (typing "16", an arrow held down) makes one preview.
constexpr int kPreviewDelayMs = 30;

// Reduces the original picture for the preview on a thread of its own, one reduction at a
// time, so that the dialog answers the keyboard while a large board is worked on. A request
// made while one is under way cancels it and runs next; only the latest result is shown.
class PreviewWorker {
public:
    PreviewWorker(QImage original, QObject* receiver, std::function<void(const QImage&)> show)
        : original_(std::move(original)), receiver_(receiver), show_(std::move(show)) {}
    ~PreviewWorker() { Stop(); }
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    void Request(ColorChoice choice) {
        if (thread_.joinable()) {
            cancel_ = true;
            pending_ = choice;
            return;
        }
        Start(choice);
    }

    // Cancels what runs and waits for it; nothing is shown afterwards.
    void Stop() {
        pending_.reset();
        cancel_ = true;
        if (thread_.joinable()) thread_.join();
        stopped_ = true;
    }

private:
    void Start(ColorChoice choice) {
        cancel_ = false;
        thread_ = std::thread([this, choice] {
            QImage reduced =
                ReduceColors(original_, choice.colours, choice.dither, &cancel_).picture;
            // Back on the interface thread; dropped if the dialog is gone by then.
            QMetaObject::invokeMethod(
                receiver_, [this, reduced = std::move(reduced)] { Finished(reduced); },
                Qt::QueuedConnection);
        });
    }

    void Finished(const QImage& reduced) {
        if (thread_.joinable()) thread_.join();
        if (stopped_) return;
        if (pending_) {
            const ColorChoice next = *pending_;
            pending_.reset();
            Start(next);
            return;
        }
        if (!reduced.isNull()) show_(reduced);
    }

    const QImage original_;
    QObject* receiver_;
    std::function<void(const QImage&)> show_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    std::optional<ColorChoice> pending_;
    bool stopped_ = false;
};

}  // namespace

std::optional<ColorChoice> AskForColors(BoardWidget& board, QWidget* parent, ColorChoice start) {
    const QImage original = board.Picture();

    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("reduce_colors_dialog"));
    dialog.setWindowTitle(QStringLiteral("减少颜色"));
    auto* count = new QSpinBox(&dialog);
    count->setObjectName(QStringLiteral("colours"));
    count->setRange(kFewestColors, kMostColors);
    count->setValue(ClampColors(start.colours));
    count->setAccessibleName(QStringLiteral("颜色数"));
    auto* label = new QLabel(QStringLiteral("颜色数"), &dialog);
    label->setBuddy(count);
    auto* dither = new QCheckBox(QStringLiteral("抖动"), &dialog);
    dither->setObjectName(QStringLiteral("dither"));
    dither->setChecked(start.dither);
    auto* form = new QFormLayout(&dialog);
    form->addRow(label, count);
    form->addRow(dither);
    form->addRow(OkCancelButtons(&dialog));

    PreviewWorker worker(original, &dialog,
                         [&board](const QImage& reduced) { board.SetPicture(reduced); });
    QTimer delay;
    delay.setSingleShot(true);
    delay.setInterval(kPreviewDelayMs);
    QObject::connect(&delay, &QTimer::timeout, &dialog, [&] {
        worker.Request({count->value(), dither->isChecked()});
    });
    QObject::connect(count, &QSpinBox::valueChanged, &delay, qOverload<>(&QTimer::start));
    QObject::connect(dither, &QCheckBox::toggled, &delay, qOverload<>(&QTimer::start));
    worker.Request({count->value(), dither->isChecked()});

    PlaceBeside(&dialog, board.frame());
    count->setFocus(Qt::OtherFocusReason);
    count->selectAll();  // typing replaces the number
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    delay.stop();
    worker.Stop();
    board.SetPicture(original);
    if (!confirmed) return std::nullopt;
    return ColorChoice{count->value(), dither->isChecked()};
}

}  // namespace quorix::host
