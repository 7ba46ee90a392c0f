// The list box with columns (iext). Its rows live in a model, not one widget item per row, so
// it holds hundreds of thousands of rows; rows appended while the program runs are announced
// to the view in one batch when the runtime lets events through. Finding a row by its first
// column is a hash lookup, never a scan. The model (row_model.h) also shows each colour's swatch
// and marks the characters that would not line up, for the rows on screen only.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QTableView>
#include <charconv>
#include <optional>

#include "host/iext/coloured_picture.h"
#include "host/iext/row_model.h"
#include "host/iext/row_table.h"
#include "host/krnln/controls/board_widget.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/file_writing.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// While a routine runs, the view hears of new rows a few times a second: each announcement
// makes it lay the whole list out again.
constexpr qint64 kAnnounceIntervalMs = 250;

class ListViewUnit : public UnitHost, public Deferred {
public:
    ListViewUnit(Runtime& rt, const form::UnitBlock& block, QTableView* view,
                 const form::ListViewProps& props)
        : UnitHost(rt, block, view), Deferred(kAnnounceIntervalMs), view_(view) {
        QStringList titles;
        for (const form::ListColumn& c : props.columns) titles << FromProgramText(c.title);
        if (titles.isEmpty()) titles << QString();
        rows_.set_columns(static_cast<int>(titles.size()));
        model_ = new RowModel(rows_, titles);
        model_->setParent(view);
        // A report view: column titles, one line a row, no grid. A table keeps no record per
        // row, so a photo's hundreds of thousands of colours come in without the view laying
        // every row out again.
        view_->setModel(model_);
        view_->setShowGrid(false);
        view_->setWordWrap(false);
        view_->setCornerButtonEnabled(false);
        view_->verticalHeader()->hide();
        view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 2);
        view_->setSelectionMode(QAbstractItemView::SingleSelection);
        view_->setSelectionBehavior(QAbstractItemView::SelectRows);
        view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view_->setIconSize(QSize(RowModel::kIconSide, RowModel::kIconSide));
        // Tab and Shift+Tab move on to the next control; the arrows move within the list (a
        // photo's list has hundreds of thousands of rows to tab through otherwise).
        view_->setTabKeyNavigation(false);
        view_->horizontalHeader()->setStretchLastSection(false);
        view_->horizontalHeader()->setHighlightSections(false);
        view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        for (int i = 0; i < static_cast<int>(props.columns.size()); ++i) {
            view_->horizontalHeader()->resizeSection(i, props.columns[i].width);
        }
        // Selecting a row is the list's event; losing the selection (rows deleted) is not. It
        // follows the selection, not the current row: a mouse press makes a row current before
        // it selects it, the keyboard selects before it moves the current row, and a click on
        // the current row that was not selected selects it without moving anything.
        QObject::connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, view_,
                         [this](const QItemSelection& selected, const QItemSelection&) {
                             if (!selected.isEmpty()) Raise(abi::kEvSelectionChanged);
                         });
    }
    ~ListViewUnit() override { runtime_.ForgetDeferred(this); }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropSelectedRow) {
            // One row at most is selected; while the selection moves, the current row may still
            // be the one it left.
            const QModelIndexList selected = view_->selectionModel()->selectedRows();
            return static_cast<uint32_t>(selected.isEmpty() ? -1 : selected.first().row());
        }
        return UnitHost::ReadProperty(property, member);
    }

    uint64_t LibraryCommand(uint32_t library, uint32_t command, const ArgView& a) override {
        if (library != abi::kLibIext) return 0;
        // A step finds a row for every pixel, step two then reads its characters: those two
        // first, the others out of their way.
        ProgramMemory& memory = runtime_.memory();
        if (command == abi::kCmdListFindRow) {
            return static_cast<uint32_t>(rows_.Find(a.Text(memory, 1)));
        }
        if (command == abi::kCmdListGetCell) return memory.NewText(rows_.Cell(a.Int(1), a.Int(2)));
        return OtherCommand(command, a);
    }

    void Flush() override { model_->Announce(); }

private:
    [[gnu::noinline]] uint64_t OtherCommand(uint32_t command, const ArgView& a) {
        ProgramMemory& memory = runtime_.memory();
        switch (command) {
            case abi::kCmdListDeleteAll:
                runtime_.ForgetDeferred(this);
                model_->Reset();
                return 0;
            case abi::kCmdListRowCount:
                return static_cast<uint32_t>(rows_.size());
            case abi::kCmdListAppendRow: {
                const int row = rows_.Append(a.Text(memory, 1));
                runtime_.MarkDeferred(this);
                return static_cast<uint32_t>(row);
            }
            case abi::kCmdListMarkWidths: {
                const Arg box = a.at(2);
                UnitHost* reference = runtime_.FindUnit(box.low, box.high, box.type);
                model_->MarkWidths(a.Int(1), reference != nullptr ? reference->widget() : nullptr);
                return 0;
            }
            case abi::kCmdListSetCell: {
                const int row = a.Int(1);
                if (rows_.SetCell(row, a.Int(2), a.Text(memory, 3))) {
                    model_->NoteChanged(row);
                    runtime_.MarkDeferred(this);
                }
                return 0;
            }
            // ---- the coloured character picture ----
            case abi::kCmdListSaveColouredPicture:
                return NewText(SaveColouredPicture(a));
            case abi::kCmdListCopyColouredPicture:
                return NewText(CopyColouredPicture(a));
            // ---- end of the coloured character picture ----
            default:
                return 0;
        }
    }

    // ---- the coloured character picture ----
    // The picture of the board (argument 1) through the rows' mapping, and the font of the
    // text box (argument 2); nullopt with `why` set when there is nothing to write.
    std::optional<std::vector<ColouredLine>> ColouredLines(const ArgView& a, QFont* font,
                                                           QString* why) {
        const Arg board_arg = a.at(1), box_arg = a.at(2);
        UnitHost* board_unit = runtime_.FindUnit(board_arg.low, board_arg.high, board_arg.type);
        UnitHost* box_unit = runtime_.FindUnit(box_arg.low, box_arg.high, box_arg.type);
        auto* board = board_unit ? qobject_cast<BoardWidget*>(board_unit->widget()) : nullptr;
        if (board == nullptr || box_unit == nullptr || box_unit->widget() == nullptr) return {};
        if (rows_.size() == 0) {
            *why = QStringLiteral(
                "颜色分类列表是空的：请先点“第一步 取颜色对应字符”，给每种颜色取字符。");
            return std::nullopt;
        }
        *font = box_unit->widget()->font();
        return ColourPicture(board->image(), [this](int32_t colour) {
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, colour).ptr;
            return FromProgramText(rows_.Cell(rows_.Find({digits, size_t(end - digits)}), 1));
        });
    }

    QString SaveColouredPicture(const ArgView& a) {
        QFont font;
        QString why;
        const auto lines = ColouredLines(a, &font, &why);
        if (!lines) return why;
        const QString path = FromProgramText(a.Text(runtime_.memory(), 3));
        if (a.Int(4) != abi::kColouredPng) {
            const QByteArray page = HtmlPage(*lines, font);
            return SaveOrSayWhy(path, {page.constData(), static_cast<size_t>(page.size())});
        }
        QSize needed;
        const std::optional<QImage> picture = RenderPicture(*lines, font, &needed);
        if (!picture) {
            return QStringLiteral(
                       "字符画画成图片会有 %1 × %2 像素，太大了：请把文字缩小，或导出为网页。")
                .arg(needed.width())
                .arg(needed.height());
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture->save(&buffer, "PNG");
        return SaveOrSayWhy(path, {png.constData(), static_cast<size_t>(png.size())});
    }

    QString CopyColouredPicture(const ArgView& a) {
        QFont font;
        QString why;
        const auto lines = ColouredLines(a, &font, &why);
        if (!lines) return why;
        auto* data = new QMimeData;
        data->setHtml(HtmlFragment(*lines, font));
        data->setText(PlainText(*lines));
        QApplication::clipboard()->setMimeData(data);
        return {};
    }
    // ---- end of the coloured character picture ----

    QTableView* view_;
    RowTable rows_;
    RowModel* model_ = nullptr;
};

}  // namespace

UnitPtr CreateListView(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto props = form::DecodeListView(block.type_block);
    return std::make_unique<ListViewUnit>(rt, block, new QTableView(parent),
                                          props ? *props : form::ListViewProps{});
}

}  // namespace quorix::host
