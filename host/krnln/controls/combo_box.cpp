// Combo box: an editable text with a drop-down list of items. Any text may be typed; picking
// an item puts it into the text.
#include <QComboBox>
#include <QLineEdit>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

class ComboBoxUnit : public UnitHost {
public:
    ComboBoxUnit(Runtime& rt, const form::UnitBlock& block, QComboBox* combo)
        : UnitHost(rt, block, combo), combo_(combo) {
        const auto props = form::DecodeCombo(block.type_block);
        if (!props) return;
        QStringList items;
        items.reserve(static_cast<qsizetype>(props->items.size()));
        for (const std::string& item : props->items) items.append(FromBlockText(item));
        combo_->addItems(items);
        // Adding items selects the first; the stored text is what shows at start.
        combo_->setCurrentIndex(-1);
        combo_->setEditText(FromBlockText(props->text));
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropText) return NewText(combo_->currentText());
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropText) return combo_->setEditText(TextAt(low));
        UnitHost::WriteProperty(property, member, low, high);
    }

private:
    QComboBox* combo_;
};

}  // namespace

UnitPtr CreateComboBox(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    // Typed text stays as typed: no completion towards an item, no new items on Enter.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setDuplicatesEnabled(true);
    return std::make_unique<ComboBoxUnit>(rt, block, combo);
}

}  // namespace quorix::host
