// Hypertext browser box: a web view when Qt WebEngine is built in, else a plain view that
// names the address it cannot show. A page that fails to load shows a short notice inside the
// box; nothing pops up.
#include <QLabel>
#include <QUrl>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/runtime.h"
#include "runtime/commands.h"

#ifdef QUORIX_HAVE_WEBENGINE
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#endif

namespace quorix::host {
namespace {

QString FailureNotice(const QString& address) {
    return QStringLiteral("无法显示此网页\n%1").arg(address);
}

QUrl UrlFromAddress(const QString& address) {
    return QUrl::fromUserInput(address.trimmed());
}

#ifdef QUORIX_HAVE_WEBENGINE

class BrowserView : public QWebEngineView {
public:
    explicit BrowserView(QWidget* parent) : QWebEngineView(parent) {
        // Chromium's own error page would be in the system language and pull in more of
        // Chromium; the box shows its own notice instead, for the page it was sent to.
        settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        connect(
            page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus ||
                    requested_.isEmpty() || info.url() != requested_)
                    return;
                requested_.clear();
                setHtml(QStringLiteral("<html><body style='white-space:pre-wrap'>%1</body></html>")
                            .arg(FailureNotice(address_).toHtmlEscaped()));
            });
        // A web view draws through the GPU. When one first shows in a window that is already on
        // screen, Qt gives the window a new native window: the window flashes, and whoever holds
        // the first one (a window manager's frame, a tool that sends it a close) loses it. An
        // empty page, loaded before the window is shown, brings the view in early.
        setUrl(QUrl(QStringLiteral("about:blank")));
    }
    void Navigate(const QString& address) {
        address_ = address;
        requested_ = UrlFromAddress(address);
        setUrl(requested_);
    }

private:
    QString address_;
    QUrl requested_;  // the page the box was sent to, until it fails
};

#else

class BrowserView : public QLabel {
public:
    explicit BrowserView(QWidget* parent) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setWordWrap(true);
        setMargin(8);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
    }
    // Without a web engine no page can be shown.
    void Navigate(const QString& address) { setText(FailureNotice(address)); }
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
    return std::make_unique<BrowserUnit>(rt, block, new BrowserView(parent));
}

}  // namespace quorix::host
