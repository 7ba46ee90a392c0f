#include "host/iext/row_model.h"

#include <QIcon>
#include <QPainter>
#include <charconv>

#include "host/krnln/color_value.h"
#include "host/krnln/fonts.h"
#include "host/krnln/text_codec.h"

namespace quorix::host {
namespace {

// Two digits, in hundredths of a digit.
constexpr int kTwoDigits = 200;

}  // namespace

const char kUnevenWidthTip[] = "宽度与两位数字不同，字符画会错位";

std::optional<uint32_t> ColourOfText(std::string_view text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (ec != std::errc() || ptr != end || text.empty() || text[0] == '+') return std::nullopt;
    return static_cast<uint32_t>(value);
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= announced_) return {};
    const std::string_view text = rows_.Cell(index.row(), index.column());
    switch (role) {
        case Qt::DisplayRole:
            return FromProgramText(text);
        case Qt::DecorationRole:
            if (index.column() == 0) {
                if (const std::optional<uint32_t> colour = ColourOfText(text)) {
                    return Swatch(*colour);
                }
            }
            if (index.column() == marked_column_ && Uneven(text)) {
                if (mark_.isNull()) {
                    // A red disc with a white exclamation mark.
                    QPixmap mark(kIconSide, kIconSide);
                    mark.fill(Qt::transparent);
                    QPainter p(&mark);
                    p.setRenderHint(QPainter::Antialiasing);
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor(0xD3, 0x2F, 0x2F));
                    p.drawEllipse(QRectF(0, 0, kIconSide, kIconSide));
                    p.setBrush(Qt::white);
                    p.drawRect(QRectF(4, 2, 2, 4));
                    p.drawRect(QRectF(4, 7, 2, 1.5));
                    p.end();
                    mark_ = Unchanging(mark);
                }
                return mark_;
            }
            return {};
        case Qt::ToolTipRole:
            if (index.column() == marked_column_ && Uneven(text)) {
                return QString::fromUtf8(kUnevenWidthTip);
            }
            return {};
        default:
            return {};
    }
}

QVariant RowModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= titles_.size()) return {};
    return titles_[section];
}

// The same picture whether the row is selected or not: a selected row's swatch shows its colour
// untinted.
QIcon RowModel::Unchanging(const QPixmap& pixmap) {
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

QIcon RowModel::Swatch(uint32_t colour) const {
    colour &= 0x00FFFFFF;
    if (const auto it = swatches_.constFind(colour); it != swatches_.cend()) return *it;
    // A grey edge keeps a white or pale swatch visible on the list's white.
    QPixmap swatch(kIconSide, kIconSide);
    swatch.fill(QColor(0x80, 0x80, 0x80));
    QPainter(&swatch).fillRect(1, 1, kIconSide - 2, kIconSide - 2, ColorFromValue(colour));
    if (swatches_.size() > 4096) swatches_.clear();  // only the rows on screen need theirs
    const QIcon icon = Unchanging(swatch);
    swatches_.insert(colour, icon);
    return icon;
}

bool RowModel::Uneven(std::string_view bytes) const {
    if (reference_ == nullptr) return false;
    const QFont font = reference_->font();
    if (font.family() != measured_family_) {
        uneven_.clear();
        measured_family_ = font.family();
    }
    const QString text = FromProgramText(bytes);
    if (const auto it = uneven_.constFind(text); it != uneven_.cend()) return *it;
    const bool uneven = TextWidthHundredths(font, text) != kTwoDigits;
    uneven_.insert(text, uneven);
    return uneven;
}

void RowModel::MarkWidths(int column, QWidget* reference) {
    marked_column_ = column;
    reference_ = reference;
    uneven_.clear();
    if (announced_ > 0) {
        emit dataChanged(index(0, 0), index(announced_ - 1, static_cast<int>(titles_.size()) - 1));
    }
}

void RowModel::Announce() {
    const int count = rows_.size();
    if (count < announced_) {
        beginResetModel();
        announced_ = count;
        endResetModel();
    } else if (count > announced_) {
        beginInsertRows({}, announced_, count - 1);
        announced_ = count;
        endInsertRows();
    }
    if (changed_first_ <= changed_last_) {
        const int last = std::min(changed_last_, announced_ - 1);
        if (changed_first_ <= last) {
            emit dataChanged(index(changed_first_, 0),
                             index(last, static_cast<int>(titles_.size()) - 1));
        }
    }
    changed_first_ = INT32_MAX;
    changed_last_ = -1;
}

void RowModel::Reset() {
    beginResetModel();
    rows_.Clear();
    announced_ = 0;
    changed_first_ = INT32_MAX;
    changed_last_ = -1;
    endResetModel();
}

}  // namespace quorix::host
