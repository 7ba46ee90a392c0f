#include "host/krnln/unit_host.h"

#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "runtime/commands.h"

namespace quorix::host {

UnitHost::UnitHost(Runtime& runtime, const form::UnitBlock& block, QWidget* widget, QWidget* frame)
    : runtime_(runtime),
      id_(block.unit_id),
      type_(block.type),
      widget_(widget),
      frame_(frame != nullptr ? frame : widget),
      events_(block.events) {}

bool UnitHost::HasHandler(int32_t index) const {
    for (const form::EventBinding& e : events_) {
        if (e.index == index) return true;
    }
    return false;
}

bool UnitHost::Raise(int32_t index, std::initializer_list<int32_t> args) {
    for (const form::EventBinding& e : events_) {
        if (e.index == index) {
            runtime_.CallRoutine(e.handler_offset, args);
            return true;
        }
    }
    return false;
}

QxAddr UnitHost::NewText(const QString& text) const {
    const QByteArray bytes = ToProgramText(text);
    return runtime_.memory().NewText({bytes.constData(), static_cast<size_t>(bytes.size())});
}

QString UnitHost::TextAt(QxAddr address) const {
    return FromProgramText(runtime_.memory().Text(address));
}

uint32_t UnitHost::ReadProperty(uint32_t property, int32_t) {
    if (widget_ == nullptr) return 0;
    switch (property) {
        case abi::kPropLeft:
            return static_cast<uint32_t>(frame_->x());
        case abi::kPropTop:
            return static_cast<uint32_t>(frame_->y());
        case abi::kPropWidth:
            return static_cast<uint32_t>(widget_->width());
        case abi::kPropHeight:
            return static_cast<uint32_t>(widget_->height());
        case abi::kPropVisible:
            return frame_->isVisibleTo(frame_->parentWidget() ? frame_->parentWidget() : frame_)
                       ? 1
                       : 0;
        case abi::kPropEnabled:
            return widget_->isEnabled() ? 1 : 0;
        default:
            return 0;
    }
}

void UnitHost::WriteProperty(uint32_t property, int32_t, uint32_t low, uint32_t) {
    if (widget_ == nullptr) return;
    const int v = static_cast<int32_t>(low);
    switch (property) {
        case abi::kPropLeft:
            frame_->move(v, frame_->y());
            break;
        case abi::kPropTop:
            frame_->move(frame_->x(), v);
            break;
        case abi::kPropWidth:
            if (v >= 0) widget_->resize(v, widget_->height());
            break;
        case abi::kPropHeight:
            if (v >= 0) widget_->resize(widget_->width(), v);
            break;
        case abi::kPropVisible:
            frame_->setVisible(low != 0);
            break;
        case abi::kPropEnabled:
            widget_->setEnabled(low != 0);
            break;
        default:
            break;
    }
}

void UnitHost::Move(const ArgView& args) {
    if (widget_ == nullptr) return;
    const int left = args.at(1).omitted() ? frame_->x() : args.Int(1);
    const int top = args.at(2).omitted() ? frame_->y() : args.Int(2);
    const int width = args.at(3).omitted() ? widget_->width() : args.Int(3);
    const int height = args.at(4).omitted() ? widget_->height() : args.Int(4);
    if (width < 0 || height < 0) return;
    frame_->move(left, top);
    widget_->resize(width, height);
}

uint64_t UnitHost::Command(uint32_t command, const ArgView& args) {
    switch (command) {
        case abi::kCmdControlMove:
            Move(args);
            return 0;
        case abi::kCmdControlSetFocus:
            if (widget_ != nullptr) widget_->setFocus(Qt::OtherFocusReason);
            return 0;
        default:
            return 0;
    }
}

uint64_t UnitHost::LibraryCommand(uint32_t, uint32_t, const ArgView&) {
    return 0;
}

}  // namespace quorix::host
