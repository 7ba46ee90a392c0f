// The progress bar. Steps move it once per pixel, so the position lives here and reaches the
// widget only when the runtime lets events through.
#include <QProgressBar>

#include "host/krnln/controls/kinds.h"
#include "host/krnln/runtime.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

class ProgressBarUnit : public UnitHost, public Deferred {
public:
    ProgressBarUnit(Runtime& rt, const form::UnitBlock& block, QProgressBar* bar)
        : UnitHost(rt, block, bar), Deferred(kBusyRepaintIntervalMs), bar_(bar) {
        bar_->setRange(0, maximum_);
        bar_->setValue(0);
        bar_->setTextVisible(false);
    }
    ~ProgressBarUnit() override { runtime_.ForgetDeferred(this); }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropPosition) return static_cast<uint32_t>(position_);
        if (property == abi::kPropMaximum) return static_cast<uint32_t>(maximum_);
        return UnitHost::ReadProperty(property, member);
    }

    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropPosition || property == abi::kPropMaximum) {
            (property == abi::kPropPosition ? position_ : maximum_) = static_cast<int32_t>(low);
            runtime_.MarkDeferred(this);
            return;
        }
        UnitHost::WriteProperty(property, member, low, high);
    }

    void Flush() override {
        bar_->setRange(0, std::max(0, maximum_));
        bar_->setValue(std::clamp(position_, 0, std::max(0, maximum_)));
    }

private:
    QProgressBar* bar_;
    int32_t position_ = 0;
    int32_t maximum_ = 100;
};

}  // namespace

UnitPtr CreateProgressBar(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto unit = std::make_unique<ProgressBarUnit>(rt, block, new QProgressBar(parent));
    // Step one reads and writes the position once per pixel.
    UseFlatProperties<abi::kPropPosition>(*unit);
    return unit;
}

}  // namespace quorix::host
