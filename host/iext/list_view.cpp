// The list box with columns (iext). Its rows live in a model, not one widget item per row, so
// it holds hundreds of thousands of rows; rows appended while the program runs are announced
// to the view in one batch when the runtime lets events through. Finding a row by its first
// column is a hash lookup, never a scan. The model (row_model.h) also shows each colour's swatch
// and marks the characters that would not line up, for the rows on screen only.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QTableView>
#include <cerrno>
#include <charconv>
#include <optional>

#include "host/iext/character_scheme.h"
#include "host/iext/coloured_picture.h"
#include "host/iext/row_model.h"
#include "host/iext/row_table.h"
#include "host/krnln/controls/board_widget.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/file_writing.h"
#include "host/krnln/history.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// While a routine runs, the view hears of new rows a few times a second: each announcement
// makes it lay the whole list out again.
constexpr qint64 kAnnounceIntervalMs = 250;

class ListViewUnit : public UnitHost, public Deferred, public MappingRows, public ColourLookahead {
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
    ~ListViewUnit() override {
        runtime_.ForgetDeferred(this);
        runtime_.ForgetColourLookahead(this);
    }

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

    // A scan's colour ahead, as the program will look it up: its decimal text.
    void AnticipateColour(int32_t colour) override {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, colour).ptr;
        rows_.Anticipate({digits, size_t(end - digits)});
    }

    // ---- The rows as the history keeps them --------------------------------------------------
    // The column count, then every cell's length and bytes, row by row (u32 little-endian).
    QByteArray SaveRows() const override {
        QByteArray out;
        auto word = [&out](uint32_t v) {
            for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        };
        word(uint32_t(rows_.columns()));
        for (int row = 0; row < rows_.size(); ++row) {
            for (int column = 0; column < rows_.columns(); ++column) {
                const std::string_view cell = rows_.Cell(row, column);
                word(uint32_t(cell.size()));
                out.append(cell.data(), static_cast<qsizetype>(cell.size()));
            }
        }
        return out;
    }

    bool RestoreRows(const QByteArray& saved) override {
        std::vector<std::string_view> cells;
        qsizetype at = 0;
        auto word = [&](uint32_t& v) {
            if (saved.size() - at < 4) return false;
            v = 0;
            for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(saved[at + i])) << (8 * i);
            at += 4;
            return true;
        };
        uint32_t columns = 0;
        if (!word(columns) || columns != uint32_t(rows_.columns())) return false;
        while (at < saved.size()) {
            uint32_t size = 0;
            if (!word(size) || size > uint64_t(saved.size() - at)) return false;
            cells.emplace_back(saved.constData() + at, size);
            at += size;
        }
        if (cells.size() % columns != 0) return false;
        runtime_.ForgetDeferred(this);
        runtime_.ForgetColourLookahead(this);
        model_->Reset();
        for (size_t first = 0; first < cells.size(); first += columns) {
            const int row = rows_.Append(cells[first]);
            for (uint32_t c = 1; c < columns; ++c) rows_.SetCell(row, int(c), cells[first + c]);
        }
        runtime_.MarkDeferred(this);
        NoteSize();
        return true;
    }

private:
    // Once the rows outgrow the caches, the scans tell this list of the colours ahead.
    void NoteSize() {
        if (rows_.worth_anticipating() && runtime_.colour_lookahead() != this) {
            runtime_.set_colour_lookahead(this);
        }
    }

    [[gnu::noinline]] uint64_t OtherCommand(uint32_t command, const ArgView& a) {
        ProgramMemory& memory = runtime_.memory();
        switch (command) {
            case abi::kCmdListDeleteAll:
                runtime_.ForgetDeferred(this);
                runtime_.ForgetColourLookahead(this);
                model_->Reset();
                return 0;
            case abi::kCmdListRowCount:
                return static_cast<uint32_t>(rows_.size());
            case abi::kCmdListAppendRow: {
                const int row = rows_.Append(a.Text(memory, 1));
                runtime_.MarkDeferred(this);
                NoteSize();
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
            case abi::kCmdListSaveColouredPicture:
                return NewText(SaveColouredPicture(a));
            case abi::kCmdListCopyColouredPicture:
                return NewText(CopyColouredPicture(a));
            case abi::kCmdListSaveScheme:
                return NewText(SaveScheme(FromProgramText(a.Text(memory, 1))));
            case abi::kCmdListLoadScheme:
                return NewText(LoadScheme(FromProgramText(a.Text(memory, 1))));
            default:
                return 0;
        }
    }

    // ---- The coloured character picture ---------------------------------------------------
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

    // ---- Character schemes (character_scheme.h) -------------------------------------------
    // The column of the colours and the column of their characters.
    static constexpr int kColourColumn = 0;
    static constexpr int kCharacterColumn = 1;

    // Writes every row whose first column is a colour; empty when written, else why not.
    QString SaveScheme(const QString& path) const {
        std::vector<SchemeRow> scheme;
        scheme.reserve(size_t(rows_.size()));
        for (int row = 0; row < rows_.size(); ++row) {
            const std::optional<uint32_t> colour = ColourOfText(rows_.Cell(row, kColourColumn));
            if (!colour) continue;
            scheme.push_back({*colour, FromProgramText(rows_.Cell(row, kCharacterColumn))});
        }
        const QByteArray bytes = WriteScheme(scheme);
        return SaveOrSayWhy(path, {bytes.constData(), size_t(bytes.size())});
    }

    // Gives every row whose first column is a colour the characters of the scheme's nearest
    // colour; empty when done, else why nothing changed.
    QString LoadScheme(const QString& path) {
        auto refuse = [&path](const QString& why) {
            return QStringLiteral("无法载入字符方案“%1”：%2。\n字符对应没有改动。")
                .arg(QDir::toNativeSeparators(path), why);
        };
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return refuse(FileErrorReason(errno, QStringLiteral("文件打不开")));
        }
        const QByteArray bytes = file.read(kMaxSchemeBytes + 1);
        if (file.error() != QFileDevice::NoError) {
            return refuse(QStringLiteral("文件读不出来"));
        }
        const SchemeReading scheme = ReadScheme(bytes);
        if (!scheme.error.isEmpty()) return refuse(scheme.error);
        std::vector<int> rows;
        std::vector<uint32_t> colours;
        for (int row = 0; row < rows_.size(); ++row) {
            if (const auto colour = ColourOfText(rows_.Cell(row, kColourColumn))) {
                rows.push_back(row);
                colours.push_back(*colour);
            }
        }
        const std::vector<int> nearest = NearestRows(scheme.rows, colours);
        for (size_t i = 0; i < rows.size(); ++i) {
            const QByteArray text = ToProgramText(scheme.rows[size_t(nearest[i])].characters);
            if (rows_.SetCell(rows[i], kCharacterColumn, {text.constData(), size_t(text.size())})) {
                model_->NoteChanged(rows[i]);
            }
        }
        runtime_.MarkDeferred(this);
        return {};
    }

    QTableView* view_;
    RowTable rows_;
    RowModel* model_ = nullptr;
};

}  // namespace

UnitPtr CreateListView(Runtime& rt, const form::UnitBlock& block, const form::ListViewProps& props,
                       QWidget* parent) {
    auto unit = std::make_unique<ListViewUnit>(rt, block, new QTableView(parent), props);
    UseFlatCommands<abi::kLibIext, abi::kCmdListFindRow, abi::kCmdListGetCell,
                    abi::kCmdListAppendRow, abi::kCmdListSetCell>(*unit);
    return unit;
}

}  // namespace quorix::host
