// Hypertext browser box: a web view when Qt WebEngine is built in, else a plain view. A page
// that cannot be loaded (no network, the host down) gives way to a page of the program's own,
// inside the box: its name, version, what it does, and the address it could not show. Nothing
// pops up.
#include <QGuiApplication>
#include <QLabel>
#include <QMap>
#include <QTimer>
#include <QUrl>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "runtime/resources.h"

#ifdef QUORIX_HAVE_WEBENGINE
#include <QOpenGLWidget>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#endif

namespace quorix::host {
namespace {

// The fields of the program file's version resource ("ProductName": "Quorix").
QMap<QString, QString> VersionFields(const Runtime& rt) {
    QMap<QString, QString> fields;
    const auto version = resources::Find(rt.resources(), QX_RESOURCE_VERSION, QX_VERSION_ID,
                                         QX_LANGUAGE_CHINESE_PRC);
    if (!version) return fields;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(version->data()),
                                           static_cast<qsizetype>(version->size()));
    for (const QString& line : text.split(QChar('\n'), Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(QChar('\t'));
        if (tab > 0) fields.insert(line.left(tab), line.mid(tab + 1));
    }
    return fields;
}

// What the box shows in place of a page it cannot load: the program's own page.
struct OwnPage {
    QString name, version, address;

    static OwnPage Of(const Runtime& rt, const QString& address) {
        const QMap<QString, QString> fields = VersionFields(rt);
        return {fields.value(QStringLiteral("ProductName"), QStringLiteral("Quorix")),
                fields.value(QStringLiteral("ProductVersion")), address};
    }
    // Two lines on what the program does.
    static QString What() {
        return QStringLiteral(
            "把图片变成由字符组成的画：每个像素变成两个字符，每种颜色有它自己的字符。\n"
            "每行像素成为一行文字，可以贴进聊天消息或网页；也可以彩色导出为网页或图片。");
    }
    QString Notice() const {
        return QStringLiteral("无法打开主页 %1（没有网络，或者主页暂时不能访问）。").arg(address);
    }
    QString Text() const {
        return QStringLiteral("%1 %2\n\n%3\n\n%4").arg(name, version, What(), Notice());
    }
    QString Html() const {
        QString what = What().toHtmlEscaped();
        what.replace(QChar('\n'), QStringLiteral("<br>"));
        return QStringLiteral(
                   "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                   "<title>%1</title></head><body style=\"font-family: sans-serif; margin: "
                   "24px\"><h1 style=\"margin: 0 0 8px 0\">%1 <small>%2</small></h1>"
                   "<p>%3</p><p style=\"color: #555\">%4</p></body></html>")
            .arg(name.toHtmlEscaped(), version.toHtmlEscaped(), what, Notice().toHtmlEscaped());
    }
};

QUrl UrlFromAddress(const QString& address) {
    return QUrl::fromUserInput(address.trimmed());
}

#ifdef QUORIX_HAVE_WEBENGINE

// A web view that has lost the page it was sent to shows the program's own page instead.
class WebView : public QWebEngineView {
public:
    WebView(QWidget* parent, const Runtime& rt) : QWebEngineView(parent), runtime_(rt) {
        // Chromium's own error page would be in the system language and pull in more of
        // Chromium; the box shows its own notice instead, for the page it was sent to.
        settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        connect(page(), &QWebEnginePage::loadingChanged, this,
                [this](const QWebEngineLoadingInfo& info) {
                    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus ||
                        requested_.isEmpty() || info.url() != requested_)
                        return;
                    requested_.clear();
                    setHtml(OwnPage::Of(runtime_, address_).Html());
                });
    }
    void Navigate(const QString& address) {
        address_ = address;
        requested_ = UrlFromAddress(address);
        setUrl(requested_);
    }

private:
    const Runtime& runtime_;
    QString address_;
    QUrl requested_;  // the page the box was sent to, until it fails
};

// The box starts its web engine (some 60 MB of Chromium in this process, more in its helpers)
// only when it first shows: until then it keeps the address it was sent to, and a user who
// never opens its tab never pays for it.
class BrowserView : public QWidget {
public:
    BrowserView(QWidget* parent, const Runtime& rt) : QWidget(parent), runtime_(rt) {
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
        setFocusPolicy(Qt::StrongFocus);
        // A web view draws through the GPU. When the first such widget comes into a window that
        // is already on screen, Qt gives the window a new native window: the window flashes,
        // and whoever holds the first one (a window manager's frame, a tool that sends it a
        // close) loses it. A GL widget that never shows makes the window draw that way from
        // the start, at the cost of a widget. (Only on a desktop's screen: the platforms
        // without one, for tests, have no GL widgets.)
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) {
            (new QOpenGLWidget(this))->hide();
        }
    }
    void Navigate(const QString& address) {
        address_ = address;
        // What the box was sent to, also before the web view exists (tests read it).
        setProperty("url", UrlFromAddress(address));
        if (web_ != nullptr) web_->Navigate(address);
    }

protected:
    // The tab that holds the box shows at once; the engine starts right after.
    void showEvent(QShowEvent* event) override {
        if (web_ == nullptr && !starting_) {
            starting_ = true;
            QTimer::singleShot(0, this, [this] { Start(); });
        }
        QWidget::showEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override {
        if (web_ != nullptr) web_->setGeometry(rect());
        QWidget::resizeEvent(event);
    }

private:
    void Start() {
        web_ = new WebView(this, runtime_);
        web_->setGeometry(rect());
        setFocusProxy(web_);
        if (!address_.isNull()) web_->Navigate(address_);
        web_->show();
    }

    const Runtime& runtime_;
    QString address_;  // null until the box is sent somewhere
    WebView* web_ = nullptr;
    bool starting_ = false;
};

#else

class BrowserView : public QLabel {
public:
    BrowserView(QWidget* parent, const Runtime& rt) : QLabel(parent), runtime_(rt) {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setWordWrap(true);
        setMargin(8);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
    }
    // Without a web engine no page can be shown.
    void Navigate(const QString& address) { setText(OwnPage::Of(runtime_, address).Text()); }

private:
    const Runtime& runtime_;
};

#endif

class BrowserUnit : public UnitHost {
public:
    BrowserUnit(Runtime& rt, const form::UnitBlock& block, BrowserView* view)
        : UnitHost(rt, block, view), view_(view) {}

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropAddress) return NewText(address_);
        return UnitHost::ReadProperty(property, member);
    }
    // Writing the address only records it; the navigation command loads it.
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropAddress) {
            address_ = TextAt(low);
            return;
        }
        UnitHost::WriteProperty(property, member, low, high);
    }
    uint64_t LibraryCommand(uint32_t library, uint32_t command, const ArgView& args) override {
        if (library == abi::kLibHtmlView && command == abi::kCmdBrowserNavigate) {
            address_ = FromProgramText(args.Text(runtime_.memory(), 1));
            view_->Navigate(address_);
            return 1;
        }
        return UnitHost::LibraryCommand(library, command, args);
    }

private:
    BrowserView* view_;
    QString address_;
};

}  // namespace

UnitPtr CreateBrowserBox(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    return std::make_unique<BrowserUnit>(rt, block, new BrowserView(parent, rt));
}

}  // namespace quorix::host
