#include "host/krnln/controls/character_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>

#include "host/krnln/huge_pages.h"
#include "host/krnln/program_texts.h"

namespace quorix::host {

CharacterView::CharacterView(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    ResetMetrics();
}

void CharacterView::ResetMetrics() {
    QFont shown = font();
    shown.setKerning(false);  // every character keeps its own advance, as in a chat window
    const QFontMetricsF metrics(shown);
    for (int c = 0; c < 128; ++c) {
        ascii_advance_[static_cast<size_t>(c)] = metrics.horizontalAdvance(QChar(c));
    }
    other_advance_.clear();
    bmp_advance_.assign(0x10000, std::nan(""));
    std::copy(ascii_advance_.begin(), ascii_advance_.end(), bmp_advance_.begin());
    uniform_ascii_ = ascii_advance_[' '];
    for (int c = ' '; c < 0x7F; ++c) {
        if (ascii_advance_[static_cast<size_t>(c)] != uniform_ascii_) uniform_ascii_ = std::nan("");
    }
    line_height_ = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    ascent_ = static_cast<int>(std::ceil(metrics.ascent()));
    digit_ = std::max(ascii_advance_['0'], 0.001);
}

qsizetype CharacterView::LineEnd(qsizetype line) const {
    const qsizetype end =
        line + 1 < LineCount() ? LineStart(line + 1) - 1 : static_cast<qsizetype>(text_.size());
    if (line + 1 < LineCount() && end > LineStart(line) && text_[end - 1] == QChar('\r')) {
        return end - 1;
    }
    return end;
}

qsizetype CharacterView::LineOf(qsizetype offset) const {
    const auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
    return std::max<qsizetype>(0, (it - line_starts_.begin()) - 1);
}

double CharacterView::Advance(qsizetype offset, int* length) const {
    const QChar c = text_[offset];
    *length = 1;
    if (c.unicode() < 128) return ascii_advance_[c.unicode()];
    char32_t code = c.unicode();
    if (c.isHighSurrogate() && offset + 1 < text_.size() && text_[offset + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(c, text_[offset + 1]);
        *length = 2;
    }
    if (code < 0x10000) {
        double& known = bmp_advance_[code];
        if (std::isnan(known)) known = Measure(QString(c));
        return known;
    }
    const auto it = other_advance_.find(code);
    if (it != other_advance_.end()) return it->second;
    const double advance = Measure(QStringView(text_).mid(offset, *length).toString());
    other_advance_.emplace(code, advance);
    return advance;
}

double CharacterView::Measure(const QString& character) const {
    QFont shown = font();
    shown.setKerning(false);
    return QFontMetricsF(shown).horizontalAdvance(character);
}

double CharacterView::XOf(qsizetype line, qsizetype offset) const {
    // A character picture is printable ASCII (of one advance in its monospaced font) and a
    // handful of symbols met before: eight characters at a time, the ASCII ones counted and
    // the others taken from the table. Advances are whole 64ths of a pixel, so the order of
    // the additions does not change the sum.
    const char16_t* chars = reinterpret_cast<const char16_t*>(text_.constData());
    const double* known = bmp_advance_.data();
    double x = 0;
    qsizetype plain = 0;  // printable ASCII characters, at uniform_ascii_ each
    qsizetype i = LineStart(line);
    auto one = [&] {
        const char16_t c = chars[i];
        if (!QChar::isSurrogate(c) && !std::isnan(known[c])) {
            x += known[c];
            ++i;
            return;
        }
        int length;
        x += Advance(i, &length);
        i += length;
    };
#ifdef __SSE2__
    if (!std::isnan(uniform_ascii_)) {
        // Signed comparisons after flipping the top bit: 0x20 <= c <= 0x7E.
        const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
        const __m128i below = _mm_set1_epi16(static_cast<short>(0x801F));
        const __m128i above = _mm_set1_epi16(static_cast<short>(0x807F));
        while (i + 8 <= offset) {
            const __m128i v =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i)), flip);
            const unsigned printable = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpgt_epi16(v, below), _mm_cmplt_epi16(v, above))));
            double others = 0;
            int count = 0;
            bool surrogate = false;
            for (unsigned rest = ~printable & 0x5555u; rest != 0; rest &= rest - 1) {
                const char16_t c = chars[i + std::countr_zero(rest) / 2];
                surrogate |= QChar::isSurrogate(c);
                others += known[c];
                ++count;
            }
            if (surrogate || std::isnan(others)) {
                // One character at a time: one() advances i past each.
                const qsizetype block_end = i + 8;
                while (i < block_end) one();
                continue;
            }
            x += others;
            plain += 8 - count;
            i += 8;
        }
    }
#endif
    while (i < offset) one();
    return plain == 0 ? x : x + static_cast<double>(plain) * uniform_ascii_;
}

double CharacterView::LineWidth(qsizetype line) const {
    return XOf(line, LineEnd(line));
}

void CharacterView::IndexLines(qsizetype from) {
    for (qsizetype i = text_.indexOf(QChar('\n'), from); i >= 0;
         i = text_.indexOf(QChar('\n'), i + 1)) {
        line_starts_.push_back(i + 1);
    }
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
    horizontalScrollBar()->setSingleStep(std::max(1, static_cast<int>(ascii_advance_['0'] * 4)));
}

void CharacterView::SetText(QString text) {
    revealing_ = false;
    text_ = std::move(text);
    AdviseHugePages(text_.constData(), static_cast<size_t>(text_.capacity()) * 2);
    line_starts_.assign(1, 0);
    IndexLines(0);
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
    IndexLines(from);
    UpdateScrollBars();
    FollowReveal();
    // Only lines on screen need painting again.
    const qsizetype top = verticalScrollBar()->value();
    if (first_line < top + viewport()->height() / line_height_ + 1) viewport()->update();
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
    const double target = point.x() + horizontalScrollBar()->value();
    double x = 0;
    qsizetype i = LineStart(line);
    const qsizetype end = LineEnd(line);
    while (i < end) {
        int length;
        const double advance = Advance(i, &length);
        if (x + advance / 2 > target) break;
        x += advance;
        i += length;
    }
    return i;
}

void CharacterView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    QFont shown = font();
    shown.setKerning(false);
    p.setFont(shown);
    const QPalette& palette = this->palette();
    const int left = horizontalScrollBar()->value();
    const int right = left + viewport()->width();
    const qsizetype top = verticalScrollBar()->value();
    const qsizetype rows = viewport()->height() / line_height_ + 1;
    const qsizetype selection_from = std::min(anchor_, cursor_);
    const qsizetype selection_to = std::max(anchor_, cursor_);
    for (qsizetype line = top; line < std::min(LineCount(), top + rows); ++line) {
        const int y = static_cast<int>((line - top) * line_height_);
        // The characters of the line that show: from the first one reaching into view to the
        // first one past its right edge.
        const qsizetype end = LineEnd(line);
        qsizetype first = LineStart(line);
        double x = 0;
        while (first < end) {
            int length;
            const double advance = Advance(first, &length);
            if (x + advance > left) break;
            x += advance;
            first += length;
        }
        const double first_x = x;
        qsizetype last = first;
        while (last < end && x < right) {
            int length;
            x += Advance(last, &length);
            last += length;
        }
        // The selection's part of the line, and its line break when the selection runs on.
        QRectF selected;
        if (selection_from < selection_to && selection_from <= end &&
            selection_to > LineStart(line)) {
            const double from_x = selection_from <= LineStart(line) ? 0 : XOf(line, selection_from);
            const double to_x = selection_to > end ? MeasuredWidth(line) + ascii_advance_[' ']
                                                   : XOf(line, selection_to);
            selected = QRectF(from_x - left, y, to_x - from_x, line_height_);
            p.fillRect(selected, palette.color(QPalette::Highlight));
        }
        if (last > first) {
            const QPointF at(first_x - left, y + ascent_);
            const QString shown_part = text_.mid(first, last - first);
            p.setPen(palette.color(QPalette::Text));
            p.drawText(at, shown_part);
            if (!selected.isEmpty()) {
                p.save();
                p.setClipRect(selected);
                p.setPen(palette.color(QPalette::HighlightedText));
                p.drawText(at, shown_part);
                p.restore();
            }
        }
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
