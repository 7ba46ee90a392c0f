// The runtime library's one export: the loader asks it for the start entry.
#include <unistd.h>
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "host/krnln/fatal_error.h"
#include "host/krnln/fonts.h"
#include "host/krnln/runtime.h"
#include "runtime/abi.h"

namespace quorix::host {
namespace {

// Qt's own dialogs and messages (the file dialog's buttons, the colour dialog) speak the
// desktop's language, from Qt's translations (Debian's qt6-translations-l10n). Once a process.
void InstallQtTranslations() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(), QStringLiteral("qt"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

// The application object lives for the rest of the process: programs run one after another
// in one process (the tests do that) share it.
void EnsureApplication() {
    // The browser view's helper processes refuse to start as root without their sandbox
    // switched off, and by default they fetch updates and settings in the background. Both
    // are read when the first view is made, so they hold for an application made elsewhere.
    if (geteuid() == 0 && std::getenv("QTWEBENGINE_DISABLE_SANDBOX") == nullptr) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
    if (std::getenv("QTWEBENGINE_CHROMIUM_FLAGS") == nullptr) {
        setenv("QTWEBENGINE_CHROMIUM_FLAGS",
               "--disable-background-networking --disable-component-update --disable-sync "
               "--no-first-run",
               0);
    }
    if (QApplication::instance() != nullptr) {
        InstallFonts();
        InstallQtTranslations();
        return;
    }
    // The browser view shares its GL context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    static int argc = 1;
    static char name[] = "quorix";
    static char* argv[] = {name, nullptr};
    auto* app = new QApplication(argc, argv);
    app->setQuitOnLastWindowClosed(false);
    InstallFonts();
    InstallQtTranslations();
}

int32_t StartEntry(const void* image, uint32_t image_size) {
    if (image == nullptr || image_size == 0) {
        std::fprintf(stderr, "krnln: no program image\n");
        return 1;
    }
    if (Runtime::Current() != nullptr) {
        std::fprintf(stderr, "krnln: a program is already running\n");
        return 1;
    }
    return RunGuarded("the start entry", [&] {
        EnsureApplication();
        Runtime runtime;
        return runtime.Run({static_cast<const uint8_t*>(image), image_size});
    });
}

}  // namespace
}  // namespace quorix::host

extern "C" QX_EXPORT QxStartEntry GetNewSock(int32_t protocol) {
    return protocol == QX_HANDOFF_VERSION ? &quorix::host::StartEntry : nullptr;
}
