#include "host/krnln/controls/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {

QStringList NameFiltersFromProgramFilter(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QChar('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i].trimmed();
        QString pattern = parts[i + 1].trimmed();
        if (pattern.isEmpty()) continue;
        pattern = pattern.split(QChar(';'), Qt::SkipEmptyParts).join(QChar(' '));
        const QString suffix = QStringLiteral("(%1)").arg(pattern);
        if (label.isEmpty()) {
            result.append(suffix);
        } else if (label.endsWith(suffix) ||
                   label.endsWith(QStringLiteral("(%1)").arg(parts[i + 1].trimmed()))) {
            result.append(label);
        } else {
            result.append(QStringLiteral("%1 %2").arg(label, suffix));
        }
    }
    return result;
}

namespace {

// A widget that keeps the unit's place but never shows, whatever it is told.
class NeverShown : public QWidget {
public:
    using QWidget::QWidget;
    void setVisible(bool) override { QWidget::setVisible(false); }
};

class FileDialogUnit : public UnitHost {
public:
    FileDialogUnit(Runtime& rt, const form::UnitBlock& block, QWidget* widget)
        : UnitHost(rt, block, widget) {
        const auto props = form::DecodeFileDialog(block.type_block);
        if (props) {
            filter_ = FromBlockText(props->filter);
            default_ext_ = FromBlockText(props->default_extension);
        }
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        switch (property) {
            case abi::kPropDialogMode:
                return mode_;
            case abi::kPropTitle:
                return NewText(title_);
            case abi::kPropFileName:
                return NewText(file_name_);
            case abi::kPropFilter:
                return NewText(filter_);
            case abi::kPropDefaultExt:
                return NewText(default_ext_);
            case abi::kPropVisible:
                return 0;
            default:
                return UnitHost::ReadProperty(property, member);
        }
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        switch (property) {
            case abi::kPropDialogMode:
                mode_ = low;
                return;
            case abi::kPropTitle:
                title_ = TextAt(low);
                return;
            case abi::kPropFileName:
                file_name_ = TextAt(low);
                return;
            case abi::kPropFilter:
                filter_ = TextAt(low);
                return;
            case abi::kPropDefaultExt:
                default_ext_ = TextAt(low);
                return;
            default:
                UnitHost::WriteProperty(property, member, low, high);
        }
    }
    uint64_t Command(uint32_t command, const ArgView& args) override {
        if (command == abi::kCmdDialogOpen) return Open() ? 1 : 0;
        return UnitHost::Command(command, args);
    }

private:
    bool Open();

    uint32_t mode_ = abi::kDialogOpenFile;
    QString title_, file_name_, filter_, default_ext_;
};

bool FileDialogUnit::Open() {
    const bool save = mode_ == abi::kDialogSaveFile;
    QFileDialog dialog(widget_->window());
    dialog.setObjectName(widget_->objectName() + QStringLiteral("_dialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // An empty title leaves Qt's own ("Open", "Save As").
    if (!title_.isEmpty()) dialog.setWindowTitle(title_);
    const QStringList filters = NameFiltersFromProgramFilter(filter_);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!default_ext_.isEmpty()) dialog.setDefaultSuffix(default_ext_);
    if (!file_name_.isEmpty()) {
        const QFileInfo previous(file_name_);
        if (previous.dir().exists()) dialog.setDirectory(previous.dir());
        dialog.selectFile(previous.fileName());
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    file_name_ = chosen.first();
    return true;
}

}  // namespace

UnitPtr CreateFileDialog(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto* widget = new NeverShown(parent);
    widget->setVisible(false);
    return std::make_unique<FileDialogUnit>(rt, block, widget);
}

}  // namespace quorix::host
