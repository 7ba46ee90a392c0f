// A unit with a caption the program reads and writes (buttons, labels, radio boxes, the picture
// button's text). The unit keeps the caption as the program stored it, line breaks as CR LF;
// each kind shows it in its own way.
#pragma once

#include "host/krnln/unit_host.h"
#include "runtime/commands.h"

namespace quorix::host {

class CaptionUnit : public UnitHost {
public:
    using UnitHost::UnitHost;

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropCaption) return NewText(caption_);
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropCaption) return SetCaption(TextAt(low));
        UnitHost::WriteProperty(property, member, low, high);
    }

protected:
    void SetCaption(const QString& caption) {
        caption_ = caption;
        ShowCaption(caption);
    }
    virtual void ShowCaption(const QString& caption) = 0;

private:
    QString caption_;
};

}  // namespace quorix::host
