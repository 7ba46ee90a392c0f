// The rows of a list box with columns as a Qt model for its view. Rows appended while the
// program runs are announced to the view in batches (see Announce()).
//
// What the view shows beyond the texts, computed only for the rows on screen:
// - a first column that holds a colour value (its decimal text, 0x00BBGGRR) shows a swatch of
//   that colour beside the text;
// - once told to (MarkWidths), a cell of the marked column whose text is not as wide as two
//   digits in a reference widget's font shows a warning mark, and says why in its tooltip.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string_view>

#include "host/iext/row_table.h"

namespace quorix::host {

// The tooltip of a marked cell.
extern const char kUnevenWidthTip[];

// The colour value a cell's text names: a plain decimal integer, as the list shows colours.
std::optional<uint32_t> ColourOfText(std::string_view text);

class RowModel : public QAbstractTableModel {
public:
    RowModel(RowTable& rows, QStringList titles) : rows_(rows), titles_(std::move(titles)) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : announced_;
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(titles_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Tells the view what changed since the last announcement.
    void Announce();
    void Reset();
    void NoteChanged(int row) {
        changed_first_ = std::min(changed_first_, row);
        changed_last_ = std::max(changed_last_, row);
    }

    // From now on, cells of `column` whose text is not two digits wide in `reference`'s font
    // are marked.
    void MarkWidths(int column, QWidget* reference);

    // The side of a swatch or mark.
    static constexpr int kIconSide = 10;

private:
    static QIcon Unchanging(const QPixmap& pixmap);
    QIcon Swatch(uint32_t colour) const;
    bool Uneven(std::string_view text) const;

    RowTable& rows_;
    QStringList titles_;
    int announced_ = 0;
    int changed_first_ = INT32_MAX;
    int changed_last_ = -1;

    int marked_column_ = -1;
    QPointer<QWidget> reference_;
    // Widths are measured once per distinct text and font family, when a cell is painted.
    mutable QString measured_family_;
    mutable QHash<QString, bool> uneven_;
    mutable QHash<uint32_t, QIcon> swatches_;
    mutable QIcon mark_;
};

}  // namespace quorix::host
