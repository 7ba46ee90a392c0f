// The runtime library's one export: the loader asks it for the start entry.
#include <unistd.h>
#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>

#include "host/krnln/runtime.h"
#include "runtime/abi.h"

namespace quorix::host {
namespace {

// The application object lives for the rest of the process: programs run one after another
// in one process (the tests do that) share it.
void EnsureApplication() {
    if (QApplication::instance() != nullptr) return;
    // The browser view shares its GL context with the widgets, and its helper processes refuse
    // to start as root without their sandbox switched off.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && std::getenv("QTWEBENGINE_DISABLE_SANDBOX") == nullptr) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
    static int argc = 1;
    static char name[] = "quorix";
    static char* argv[] = {name, nullptr};
    auto* app = new QApplication(argc, argv);
    app->setQuitOnLastWindowClosed(false);
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
    EnsureApplication();
    Runtime runtime;
    return runtime.Run({static_cast<const uint8_t*>(image), image_size});
}

}  // namespace
}  // namespace quorix::host

extern "C" QX_EXPORT QxStartEntry GetNewSock(int32_t protocol) {
    return protocol == QX_HANDOFF_VERSION ? &quorix::host::StartEntry : nullptr;
}
