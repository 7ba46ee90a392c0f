// The drawing board unit: a canvas (BoardWidget) in a view of its own, and the commands and
// events the program uses it through.
//
// A board can be far larger than its place on the page (4096 pixels a side), and it stacks below
// every other control: its view takes at most the room from its corner up to the controls
// beside and below it, and scroll bars show the rest. The board's width and height, and the
// coordinates of its events, are always the picture's.
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "host/krnln/controls/board_widget.h"
#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/controls/reduce_colors_dialog.h"
#include "host/krnln/runtime.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// Room left between a board's view and the controls beside and below it.
constexpr int kGap = 4;

class BoardView : public QScrollArea {
public:
    BoardView(QWidget* parent, BoardWidget* board) : QScrollArea(parent), board_(board) {
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setWidgetResizable(false);
        setWidget(board);
        board->set_frame(this);
    }

    // Takes the board's size, or as much of it as the room on the page allows, with scroll
    // bars for the rest.
    void Fit() {
        const QSize board = board_->size();
        const QSize room = Room();
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        bool across = false, down = false;
        for (int pass = 0; pass < 2; ++pass) {
            across = board.width() > room.width() - (down ? bar : 0);
            down = board.height() > room.height() - (across ? bar : 0);
        }
        resize(std::min(board.width() + (down ? bar : 0), room.width()),
               std::min(board.height() + (across ? bar : 0), room.height()));
    }

private:
    // From the view's corner to the nearest controls to its right and below it, within the
    // page; the whole board when there is no page or no room at all.
    QSize Room() const {
        QWidget* page = parentWidget();
        if (page == nullptr) return board_->size();
        std::vector<QRect> others;
        for (QObject* child : page->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w != nullptr && w != this && !w->isHidden()) {
                others.push_back(w->geometry().adjusted(-kGap, -kGap, kGap, kGap));
            }
        }
        const QRect free = board::FreeArea(page->rect(), pos(), others);
        if (free.width() < 2 * kGap || free.height() < 2 * kGap) return board_->size();
        return free.size();
    }

    BoardWidget* board_;
};

class DrawingBoardUnit : public UnitHost {
public:
    DrawingBoardUnit(Runtime& rt, const form::UnitBlock& block, BoardWidget* board, BoardView* view)
        : UnitHost(rt, block, board, view), board_(board), view_(view) {
        auto raise = [this](int32_t event) {
            return [this, event](QPoint at, int keys) { Raise(event, {at.x(), at.y(), keys}); };
        };
        connections_ +=
            QObject::connect(board_, &BoardWidget::leftPressed, raise(abi::kEvLeftDown));
        connections_ += QObject::connect(board_, &BoardWidget::leftReleased, raise(abi::kEvLeftUp));
        connections_ +=
            QObject::connect(board_, &BoardWidget::rightPressed, raise(abi::kEvRightDown));
        connections_ +=
            QObject::connect(board_, &BoardWidget::pointerMoved, raise(abi::kEvPointerMoved));
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        switch (property) {
            case abi::kPropPenWidth:
                return static_cast<uint32_t>(board_->pen_width());
            case abi::kPropPenColor:
                return static_cast<uint32_t>(board_->pen_colour());
            default:
                return UnitHost::ReadProperty(property, member);
        }
    }

    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        const auto v = static_cast<int32_t>(low);
        switch (property) {
            case abi::kPropPenWidth:
                board_->set_pen_width(v);
                break;
            case abi::kPropPenColor:
                board_->set_pen_colour(v);
                break;
            case abi::kPropWidth:
                Resize(QSize(v, board_->height()));
                break;
            case abi::kPropHeight:
                Resize(QSize(board_->width(), v));
                break;
            default:
                UnitHost::WriteProperty(property, member, low, high);
        }
    }

    uint64_t Command(uint32_t command, const ArgView& args) override {
        // Both steps read every pixel: that command goes first, the others out of its way.
        if (command == abi::kCmdBoardReadPixel) {
            const int x = args.Int(1), y = args.Int(2);
            if (ColourLookahead* next = runtime_.colour_lookahead()) TellAhead(*next, x, y);
            return static_cast<uint32_t>(board_->Pixel(x, y));
        }
        return OtherCommand(command, args);
    }

protected:
    void Move(const ArgView& args) override {
        const int width = args.at(3).omitted() ? board_->width() : args.Int(3);
        const int height = args.at(4).omitted() ? board_->height() : args.Int(4);
        if (!Resize(QSize(width, height))) return;
        view_->move(args.at(1).omitted() ? view_->x() : args.Int(1),
                    args.at(2).omitted() ? view_->y() : args.Int(2));
        view_->Fit();
    }

    void Placed() override {
        board_->SyncPicture();
        // Every other control of the page is in place: the board goes below them all.
        view_->lower();
        view_->Fit();
    }
    // The tools beside and below it may have moved: the room for its view has changed.
    void Rearranged() override { view_->Fit(); }

private:
    QByteArray PictureFile(int width, int height, int32_t format) const {
        switch (format) {
            case abi::kPicturePng:
                return board_->AsFile(width, height, "PNG");
            case abi::kPictureJpeg:
                // Fine enough that the saved picture, loaded again, keeps its colours close.
                return board_->AsFile(width, height, "JPEG", 95);
            default:
                return board_->AsBmp(width, height);
        }
    }

    // A board takes only sizes it can hold: 1 to 4096 pixels a side. Anything else leaves it
    // as it is (a 0 would empty it, a huge one exhaust memory).
    bool Resize(QSize size) {
        if (size.width() < 1 || size.height() < 1 || size.width() > board::kMaxSide ||
            size.height() > board::kMaxSide)
            return false;
        board_->SetSize(size);
        view_->Fit();
        return true;
    }

    BoardWidget* Other(const Arg& a) const {
        UnitHost* u = runtime_.FindUnit(a.low, a.high, a.type);
        return u != nullptr && u->type() == abi::kTypeDrawingBoard
                   ? static_cast<BoardWidget*>(u->widget())
                   : nullptr;
    }

    [[gnu::noinline]] uint64_t OtherCommand(uint32_t command, const ArgView& args);

    // A scan reading (x, y) reads the pixels after it next: the colour list hears of one.
    [[gnu::noinline]] void TellAhead(ColourLookahead& next, int x, int y) const {
        int32_t colour;
        if (board_->PixelAfter(x, y, ColourLookahead::kPixelsAhead, &colour)) {
            next.AnticipateColour(colour);
        }
    }

    // The dialog "减少颜色", previewing on this board; it starts where the last confirmed one
    // ended.
    uint32_t ChooseColors() {
        const std::optional<ColorChoice> choice =
            AskForColors(*board_, board_->window(), last_choice_);
        if (!choice) return 0;
        last_choice_ = *choice;
        return static_cast<uint32_t>(choice->colours) | (choice->dither ? abi::kChoiceDither : 0);
    }

    BoardWidget* board_;
    BoardView* view_;
    Connections connections_;
    ColorChoice last_choice_;
};

uint64_t DrawingBoardUnit::OtherCommand(uint32_t command, const ArgView& a) {
    switch (command) {
        case abi::kCmdBoardSetPixel:
            board_->SetPixel(a.Int(1), a.Int(2), a.Int(3));
            return 0;
        case abi::kCmdBoardLine:
            board_->Line({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)});
            return 0;
        case abi::kCmdBoardEllipse:
            board_->Ellipse({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)});
            return 0;
        case abi::kCmdBoardRectangle:
            board_->Rectangle({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)});
            return 0;
        case abi::kCmdBoardArc:
            board_->Arc({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)}, {a.Int(5), a.Int(6)},
                        {a.Int(7), a.Int(8)});
            return 0;
        case abi::kCmdBoardClear:
            board_->Clear();
            return 0;
        case abi::kCmdBoardCopyTo:
            if (BoardWidget* target = Other(a.at(1))) board_->CopyTo(*target);
            return 0;
        case abi::kCmdBoardDrawPicture: {
            const std::string_view bytes = a.Binary(runtime_.memory(), 1);
            board_->DrawPicture(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                QRect(a.Int(2), a.Int(3), a.Int(4), a.Int(5)), a.Int(6));
            return 0;
        }
        case abi::kCmdBoardReduceColors:
            return static_cast<uint32_t>(board_->ReduceColors(a.Int(1), a.Bool(2)));
        case abi::kCmdBoardChooseColors:
            return ChooseColors();
        case abi::kCmdBoardGetBmp: {
            const QByteArray bmp = board_->AsBmp(a.Int(1), a.Int(2));
            return runtime_.memory().NewBinary({bmp.constData(), static_cast<size_t>(bmp.size())});
        }
        case abi::kCmdBoardGetPicture: {
            const QByteArray file = PictureFile(a.Int(1), a.Int(2), a.Int(3));
            return runtime_.memory().NewBinary(
                {file.constData(), static_cast<size_t>(file.size())});
        }
        default:
            return UnitHost::Command(command, a);
    }
}

}  // namespace

UnitPtr CreateDrawingBoard(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto* board = new BoardWidget(nullptr);
    auto* view = new BoardView(parent, board);
    auto unit = std::make_unique<DrawingBoardUnit>(rt, block, board, view);
    UseFlatCommands<abi::kLibKrnln, abi::kCmdBoardReadPixel>(*unit);
    return unit;
}

}  // namespace quorix::host
