#include "host/krnln/controls/file_dialog.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QWidget>
#include <optional>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/controls/picture_decoding.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
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

QStringList OpenFileFilters(const QString& filter, const QStringList& picture_suffixes) {
    QStringList filters = NameFiltersFromProgramFilter(filter);
    const QStringList parts = filter.split(QChar('|'));
    bool pictures = false;
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        for (const QString& pattern : parts[i].split(QChar(';'), Qt::SkipEmptyParts)) {
            const QString p = pattern.trimmed();
            if (!p.startsWith(QStringLiteral("*.")) ||
                !picture_suffixes.contains(p.mid(2), Qt::CaseInsensitive)) {
                return filters;
            }
            pictures = true;
        }
    }
    if (!pictures || picture_suffixes.isEmpty()) return filters;
    QStringList patterns;
    for (const QString& suffix : picture_suffixes) patterns << QStringLiteral("*.") + suffix;
    filters.prepend(QStringLiteral("所有图片文件(%1)").arg(patterns.join(QChar(' '))));
    return filters;
}

namespace {

// Icons and type names from a file's name and kind alone. Qt's own provider asks the MIME
// database, which reads a file's first bytes when its name says nothing: in /proc that is
// kmsg, whose read waits for the kernel's next message, and a named pipe waits for a writer.
// Listing a folder must never read what its files hold.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        if (info.isDir()) return QFileIconProvider::icon(Folder);
        const QIcon themed = QIcon::fromTheme(MimeType(info).iconName());
        return themed.isNull() ? QFileIconProvider::icon(File) : themed;
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QFileIconProvider::type(info);
        const QMimeType mime = MimeType(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    // A pipe, socket or device is told by its kind, a file by its name.
    QMimeType MimeType(const QFileInfo& info) const {
        return mime_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }
    QMimeDatabase mime_;
};

// A widget that keeps the unit's place but never shows, whatever it is told.
class NeverShown : public QWidget {
public:
    using QWidget::QWidget;
    void setVisible(bool) override { QWidget::setVisible(false); }
};

class FileDialogUnit : public UnitHost {
public:
    FileDialogUnit(Runtime& rt, const form::UnitBlock& block, const form::FileDialogProps& props,
                   QWidget* widget)
        : UnitHost(rt, block, widget),
          filter_(FromBlockText(props.filter)),
          default_ext_(FromBlockText(props.default_extension)) {}

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
                file_name_kind_ = 0;
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
        if (command == abi::kCmdDialogSaveAs) return SaveAs(args.Int(1)) ? 1 : 0;
        if (command == abi::kCmdDialogOpenScheme) return AskScheme(args.Bool(1));
        return UnitHost::Command(command, args);
    }

private:
    bool Open();
    bool SaveAs(int32_t kind);
    // A character scheme file to save to or to load, as a new text (empty when cancelled). The
    // dialog's own file name stays the pictures'; the folder of the last scheme is offered again.
    uint64_t AskScheme(bool save);
    // Sets up `dialog` as every dialog of the unit is; `icons` must outlive it.
    void Prepare(QFileDialog& dialog, QFileIconProvider& icons, bool save) const;
    // Shows `dialog` in the folder of the last file chosen, with that file's name when it was
    // chosen for the same kind of file (0: a picture); on a confirmed choice the file name is
    // the file chosen.
    bool Ask(QFileDialog& dialog, int32_t kind);
    // Shows `dialog` in the folder of `previous`, with its name selected when `select` is set;
    // the file chosen, or nullopt.
    static std::optional<QString> Show(QFileDialog& dialog, const QString& previous, bool select);

    uint32_t mode_ = abi::kDialogOpenFile;
    QString title_, file_name_, filter_, default_ext_;
    int32_t file_name_kind_ = 0;  // the kind of file file_name_ was chosen for
    QString scheme_name_;         // the last character scheme file chosen
};

void FileDialogUnit::Prepare(QFileDialog& dialog, QFileIconProvider& icons, bool save) const {
    dialog.setObjectName(widget_->objectName() + QStringLiteral("_dialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // A folder's own icon is read from a file inside it.
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
}

bool FileDialogUnit::Open() {
    const bool save = mode_ == abi::kDialogSaveFile;
    NameOnlyIconProvider icons;  // outlives the dialog, whose lister thread uses it
    QFileDialog dialog(widget_->window());
    Prepare(dialog, icons, save);
    // An empty title leaves Qt's own ("Open", "Save As").
    if (!title_.isEmpty()) dialog.setWindowTitle(title_);
    const QStringList filters = save ? NameFiltersFromProgramFilter(filter_)
                                     : OpenFileFilters(filter_, ReadablePictureSuffixes());
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!default_ext_.isEmpty()) dialog.setDefaultSuffix(default_ext_);
    return Ask(dialog, 0);
}

// ---- Saving the character picture (its own kinds of file) --------------------------------

// The ending of a name filter's first pattern ("网页 (*.html *.htm)": "html"); empty for "(*)".
QString FirstSuffixOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\(\\s*\\*\\.([^\\s)]+)"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

struct SaveKindText {
    int32_t kind;
    const char* title;
    const char* filters;  // name filters, one per line; the first is chosen at first
};

constexpr SaveKindText kSaveKinds[] = {
    {abi::kSaveCharacterText, "保存字符画", "文本文件 (*.txt)\n所有文件 (*)"},
    {abi::kSaveColouredPicture, "导出彩色字符画", "网页 (*.html *.htm)\nPNG 图片 (*.png)"},
};

bool FileDialogUnit::SaveAs(int32_t kind) {
    const SaveKindText* texts = nullptr;
    for (const SaveKindText& k : kSaveKinds) {
        if (k.kind == kind) texts = &k;
    }
    if (texts == nullptr) return false;
    NameOnlyIconProvider icons;  // outlives the dialog, whose lister thread uses it
    QFileDialog dialog(widget_->window());
    Prepare(dialog, icons, true);
    dialog.setWindowTitle(QString::fromUtf8(texts->title));
    dialog.setNameFilters(QString::fromUtf8(texts->filters).split(QChar('\n')));
    // A name typed without an ending gets the ending of the kind chosen in the list.
    dialog.setDefaultSuffix(FirstSuffixOf(dialog.nameFilters().first()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& f) { dialog.setDefaultSuffix(FirstSuffixOf(f)); });
    return Ask(dialog, kind);
}

bool FileDialogUnit::Ask(QFileDialog& dialog, int32_t kind) {
    const std::optional<QString> chosen = Show(dialog, file_name_, file_name_kind_ == kind);
    if (!chosen) return false;
    file_name_ = *chosen;
    file_name_kind_ = kind;
    return true;
}

std::optional<QString> FileDialogUnit::Show(QFileDialog& dialog, const QString& previous,
                                            bool select) {
    if (!previous.isEmpty()) {
        const QFileInfo file(previous);
        if (file.dir().exists()) dialog.setDirectory(file.dir());
        if (select) dialog.selectFile(file.fileName());
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first();
}

uint64_t FileDialogUnit::AskScheme(bool save) {
    NameOnlyIconProvider icons;  // outlives the dialog, whose lister thread uses it
    QFileDialog dialog(widget_->window());
    Prepare(dialog, icons, save);
    dialog.setWindowTitle(save ? QStringLiteral("保存字符方案") : QStringLiteral("载入字符方案"));
    dialog.setNameFilters({QStringLiteral("字符方案 (*.txt)"), QStringLiteral("所有文件 (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    const std::optional<QString> chosen = Show(dialog, scheme_name_, true);
    if (chosen) scheme_name_ = *chosen;
    const QByteArray path = ToProgramText(chosen.value_or(QString()));
    return runtime_.memory().NewText({path.constData(), size_t(path.size())});
}

}  // namespace

UnitPtr CreateFileDialog(Runtime& rt, const form::UnitBlock& block,
                         const form::FileDialogProps& props, QWidget* parent) {
    auto* widget = new NeverShown(parent);
    widget->setVisible(false);
    return std::make_unique<FileDialogUnit>(rt, block, props, widget);
}

}  // namespace quorix::host
