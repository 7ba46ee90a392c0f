#include "host/krnln/history.h"

#include <cstring>
#include <utility>

#include "host/krnln/controls/board_widget.h"
#include "host/krnln/runtime.h"
#include "host/krnln/unit_host.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// Copies the rectangle `r` of `from` into `to`, both of one size and of 32 bits a pixel.
void CopyRect(const QImage& from, QImage& to, const QRect& r) {
    const size_t row_bytes = size_t(r.width()) * 4;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        std::memcpy(to.scanLine(y) + size_t(r.left()) * 4,
                    from.constScanLine(y) + size_t(r.left()) * 4, row_bytes);
    }
}

// The board's picture as the history keeps it, in 32 bits a pixel. It shares the board's pixels
// (no memory of its own) until the board next draws: the board then draws on a copy of its own,
// and this one stays the picture as it was.
QImage Kept(const QImage& picture) {
    return picture.depth() == 32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

// Whether `kept` is still the very pixels of `now`: the board has not drawn since.
bool SamePixels(const QImage& kept, const QImage& now) {
    return kept.constBits() == now.constBits();
}

}  // namespace

uint64_t History::Command(uint32_t command, const ArgView& args) {
    switch (command) {
        case abi::kCmdHistoryFollow:
            Follow(args);
            return 0;
        case abi::kCmdHistoryNoteMapping:
            NoteMapping();
            return 0;
        case abi::kCmdHistoryRecord:
            Record(args.Int(0));
            return 0;
        case abi::kCmdHistoryUndo:
            return Take(changes_.Undo(), /*back=*/true) ? 1 : 0;
        case abi::kCmdHistoryRedo:
            return Take(changes_.Redo(), /*back=*/false) ? 1 : 0;
        default:
            return 0;
    }
}

UnitHost* History::Unit(const Arg& a) const {
    return runtime_.FindUnit(a.low, a.high, a.type);
}

BoardWidget* History::Board(const Arg& a) const {
    UnitHost* unit = Unit(a);
    return unit != nullptr && unit->type() == abi::kTypeDrawingBoard
               ? static_cast<BoardWidget*>(unit->widget())
               : nullptr;
}

MappingRows* History::Mapping() const {
    return dynamic_cast<MappingRows*>(Unit(list_));
}

void History::Follow(const ArgView& args) {
    picture_ = args.at(0);
    shown_ = args.at(1);
    list_ = args.at(2);
    changes_.Clear();
    mapping_noted_ = false;
    const BoardWidget* board = Board(picture_);
    base_ = board != nullptr ? Kept(board->image()) : QImage();
}

void History::NoteMapping() {
    const MappingRows* mapping = Mapping();
    if (mapping == nullptr) return;
    mapping_before_ = mapping->SaveRows();
    mapping_noted_ = true;
}

void History::Record(int32_t part) {
    if (part == abi::kHistoryMapping) {
        const MappingRows* mapping = Mapping();
        if (mapping == nullptr || !mapping_noted_) return;
        mapping_noted_ = false;
        const QByteArray after = mapping->SaveRows();
        if (after == mapping_before_) return;
        changes_.Add({part, Pack(mapping_before_), Pack(after)});
        mapping_before_.clear();
        return;
    }
    if (part != abi::kHistoryPicture) return;
    BoardWidget* board = Board(picture_);
    if (board == nullptr) return;
    const QImage& now = board->image();
    if (base_.isNull()) {
        base_ = Kept(now);
        return;
    }
    if (SamePixels(base_, now)) return;
    Change change{part, {}, {}};
    if (now.size() != base_.size() || now.depth() != 32) {
        change.before = RegionSnapshot(base_, base_.rect());
        change.after = RegionSnapshot(now, now.rect());
    } else {
        const QRect differs = DifferingRect(base_, now);
        if (differs.isEmpty()) {
            KeepPicture(*board);
            return;
        }
        change.before = RegionSnapshot(base_, differs);
        change.after = RegionSnapshot(now, differs);
    }
    KeepPicture(*board);
    changes_.Add(std::move(change));
}

void History::KeepPicture(BoardWidget& board) {
    QImage before = std::exchange(base_, Kept(board.image()));
    // The board draws on these pixels next, rather than on fresh memory.
    if (!SamePixels(before, base_)) board.TakeSpare(std::move(before));
}

bool History::Take(const Change* change, bool back) {
    if (change == nullptr) return false;
    const QByteArray& snapshot = back ? change->before : change->after;
    if (change->part == abi::kHistoryPicture) {
        PutPicture(snapshot);
    } else if (MappingRows* mapping = Mapping()) {
        mapping->RestoreRows(Unpack(snapshot));
        mapping_noted_ = false;
    }
    return true;
}

void History::PutPicture(const QByteArray& snapshot) {
    const Region region = RegionOf(snapshot);
    BoardWidget* board = Board(picture_);
    if (region.pixels.isNull() || board == nullptr) return;
    BoardWidget* shown = Board(shown_);
    if (board->image().size() != region.picture_size) {
        // Through the units, so that each board's view takes the new size as a resize would.
        for (const Arg& a : {picture_, shown_}) {
            if (UnitHost* unit = Unit(a)) {
                unit->WriteProperty(abi::kPropWidth, abi::kWholeProperty,
                                    uint32_t(region.picture_size.width()), 0);
                unit->WriteProperty(abi::kPropHeight, abi::kWholeProperty,
                                    uint32_t(region.picture_size.height()), 0);
            }
        }
    }
    // Changes of the board's that were not recorded yet stay out of base_, so that the next
    // record still finds them.
    const bool recorded = SamePixels(base_, board->image());
    board->PutPixels(region.pixels, region.at);
    if (recorded || base_.size() != board->image().size()) {
        KeepPicture(*board);
    } else {
        CopyRect(Kept(board->image()), base_, QRect(region.at, region.pixels.size()));
    }
    if (shown != nullptr && shown != board) board->CopyTo(*shown);
}

}  // namespace quorix::host
