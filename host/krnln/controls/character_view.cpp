#include "host/krnln/controls/character_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "host/krnln/huge_pages.h"
#include "host/krnln/program_texts.h"

namespace quorix::host {

namespace {

// Measures characters in `font`: ASCII by its glyph alone, others as text is shaped.
lines::Advances::Measure MeasureIn(const QFont& font) {
    return [metrics = QFontMetricsF(font)](QStringView character) {
        if (character.size() == 1 && character[0].unicode() < 128) {
            return metrics.horizontalAdvance(character[0]);
        }
        return metrics.horizontalAdvance(character.toString());
    };
}

}  // namespace

CharacterView::CharacterView(QWidget* parent)
    : QAbstractScrollArea(parent), advances_(MeasureIn(ShownFont())) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    ResetMetrics();
}

QFont CharacterView::ShownFont() const {
    QFont shown = font();
    shown.setKerning(false);  // every character keeps its own advance, as in a chat window
    return shown;
}

void CharacterView::ResetMetrics() {
    const QFont shown = ShownFont();
    advances_ = lines::Advances(MeasureIn(shown));
    const QFontMetricsF metrics(shown);
    line_height_ = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    ascent_ = static_cast<int>(std::ceil(metrics.ascent()));
    digit_ = std::max(advances_.Ascii('0'), 0.001);
}

void CharacterView::MeasureNewLines() {
    // The last line may still grow: it is measured afresh each time.
    if (!line_units_.empty()) line_units_.pop_back();
    for (qsizetype line = static_cast<qsizetype>(line_units_.size()); line < LineCount(); ++line) {
        line_units_.push_back(LineWidth(line) / digit_);
        widest_units_ = std::max(widest_units_, line_units_.back());
    }
}

void CharacterView::UpdateScrollBars() {
    MeasureNewLines();
    const int rows = std::max(1, viewport()->height() / line_height_);
    verticalScrollBar()->setRange(0, static_cast<int>(std::max<qsizetype>(0, LineCount() - rows)));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    const int width = static_cast<int>(std::ceil(widest_units_ * digit_)) + 4;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(std::max(1, static_cast<int>(advances_.Ascii('0') * 4)));
}

void CharacterView::SetText(QString text) {
    revealing_ = false;
    text_ = std::move(text);
    AdviseHugePages(text_.constData(), static_cast<size_t>(text_.capacity()) * 2);
    line_starts_.assign(1, 0);
    lines::IndexLines(text_, 0, line_starts_);
    line_units_.clear();
    widest_units_ = 0;
    anchor_ = cursor_ = 0;
    UpdateScrollBars();
    viewport()->update();
}

void CharacterView::Append(QStringView more) {
    if (more.isEmpty()) return;
    const qsizetype from = text_.size();
    const qsizetype first_line = LineCount() - 1;
    // The text may be shared with the texts just handed to the program: growing it would copy.
    if (!text_.isDetached()) ForgetProgramTexts();
    // Growing the text copies it, and the window waits for the copy (100 ms for a 4096 x 4096
    // picture's 33.6 M characters). Past a million characters the text takes room for 64 M at
    // once: address space only, since a page is used when it is first written, on huge pages.
    if (text_.capacity() - text_.size() < more.size()) {
        constexpr qsizetype kLargeText = qsizetype{1} << 20;
        constexpr qsizetype kPictureRoom = qsizetype{64} << 20;
        qsizetype room = std::max(text_.size() + more.size(), 2 * text_.capacity());
        if (room > kLargeText) room = std::max(room, kPictureRoom);
        text_.reserve(room);
        AdviseHugePages(text_.constData(), static_cast<size_t>(text_.capacity()) * 2);
    }
    text_.append(more);
    lines::IndexLines(text_, from, line_starts_);
    UpdateScrollBars();
    FollowReveal();
    // Only lines on screen need painting again.
    if (first_line < LinesIn(viewport()->rect()).last) viewport()->update();
}

void CharacterView::Reveal(qsizetype offset) {
    offset = std::clamp<qsizetype>(offset, 0, text_.size());
    reveal_line_ = LineOf(offset);
    // The line's start shows when the offset is within the first screen's width of it.
    const double x = XOf(reveal_line_, offset);
    reveal_x_ = x < viewport()->width() * 0.75 ? 0 : static_cast<int>(x);
    revealing_ = true;
    FollowReveal();
    viewport()->update();
}

void CharacterView::FollowReveal() {
    if (!revealing_) return;
    QScrollBar* v = verticalScrollBar();
    following_ = true;
    horizontalScrollBar()->setValue(reveal_x_);
    v->setValue(static_cast<int>(std::min<qsizetype>(reveal_line_, v->maximum())));
    following_ = false;
}

void CharacterView::Select(qsizetype from, qsizetype to) {
    const qsizetype length = text_.size();
    anchor_ = std::clamp<qsizetype>(from, 0, length);
    cursor_ = to < 0 ? length : std::clamp<qsizetype>(to, 0, length);
    viewport()->update();
}

bool CharacterView::SelectsAll() const {
    return std::min(anchor_, cursor_) == 0 && std::max(anchor_, cursor_) == text_.size();
}

QString CharacterView::SelectedText() const {
    const qsizetype from = std::min(anchor_, cursor_);
    return text_.mid(from, std::max(anchor_, cursor_) - from);
}

void CharacterView::Copy() const {
    if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

qsizetype CharacterView::OffsetAt(QPoint point) const {
    const qsizetype line = std::clamp<qsizetype>(
        verticalScrollBar()->value() + (point.y() < 0 ? -1 : point.y() / line_height_), 0,
        LineCount() - 1);
    return lines::OffsetNear(text_, LineStart(line), LineEnd(line),
                             point.x() + horizontalScrollBar()->value(), advances_);
}

lines::LineSpan CharacterView::LinesIn(QRect rect) const {
    return lines::LinesIn(rect, verticalScrollBar()->value(), line_height_, LineCount());
}

void CharacterView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setFont(ShownFont());
    // Only what meets the part to repaint; a glyph may reach a little past its advance, so
    // characters that end within a line height of that part are drawn too.
    const QRect dirty = event->rect();
    const int left = horizontalScrollBar()->value();
    const lines::LineSpan span = LinesIn(dirty);
    const qsizetype top = verticalScrollBar()->value();
    for (qsizetype line = span.first; line < span.last; ++line) {
        PaintLine(p, line, static_cast<int>((line - top) * line_height_),
                  left + dirty.left() - line_height_, left + dirty.right() + 1 + line_height_);
    }
}

void CharacterView::PaintLine(QPainter& p, qsizetype line, int y, double left, double right) const {
    const QPalette& palette = this->palette();
    const int scrolled = horizontalScrollBar()->value();
    const qsizetype start = LineStart(line), end = LineEnd(line);
    // The selection's part of the line, and its line break when the selection runs on.
    const qsizetype selection_from = selection_start(), selection_to = selection_end();
    QRectF selected;
    if (selection_from < selection_to && selection_from <= end && selection_to > start) {
        const double from_x = selection_from <= start ? 0 : XOf(line, selection_from);
        const double to_x = selection_to > end ? MeasuredWidth(line) + advances_.Ascii(' ')
                                               : XOf(line, selection_to);
        selected = QRectF(from_x - scrolled, y, to_x - from_x, line_height_);
        p.fillRect(selected, palette.color(QPalette::Highlight));
    }
    const lines::Columns shown = lines::ColumnsIn(text_, start, end, left, right, advances_);
    if (shown.last == shown.first) return;
    const QPointF at(shown.first_x - scrolled, y + ascent_);
    const QString part = text_.mid(shown.first, shown.last - shown.first);
    p.setPen(palette.color(QPalette::Text));
    p.drawText(at, part);
    if (!selected.isEmpty()) {
        p.save();
        p.setClipRect(selected);
        p.setPen(palette.color(QPalette::HighlightedText));
        p.drawText(at, part);
        p.restore();
    }
}

double CharacterView::MeasuredWidth(qsizetype line) const {
    return line < static_cast<qsizetype>(line_units_.size())
               ? line_units_[static_cast<size_t>(line)] * digit_
               : LineWidth(line);
}

void CharacterView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (editor_ != nullptr) editor_->setGeometry(rect());
    UpdateScrollBars();
}

void CharacterView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ResetMetrics();
        if (editor_ != nullptr) editor_->setFont(font());
        UpdateScrollBars();
        viewport()->update();
    }
}

void CharacterView::scrollContentsBy(int, int) {
    // A scroll other than the view's own following of Reveal() ends the following.
    if (!following_) revealing_ = false;
    viewport()->update();
}

void CharacterView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    cursor_ = OffsetAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = cursor_;
    viewport()->update();
}

void CharacterView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    cursor_ = OffsetAt(event->position().toPoint());
    viewport()->update();
}

void CharacterView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();  // the selection was made on the way
}

void CharacterView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A run of characters between blanks and line breaks, as a word.
    const qsizetype at = OffsetAt(event->position().toPoint());
    const qsizetype line = LineOf(at);
    qsizetype from = at, to = at;
    while (from > LineStart(line) && !text_[from - 1].isSpace()) --from;
    while (to < LineEnd(line) && !text_[to].isSpace()) ++to;
    Select(from, to);
}

}  // namespace quorix::host
