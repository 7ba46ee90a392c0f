#include "testing/program_session.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "host/krnln/runtime.h"
#include "host/krnln/start_window.h"
#include "loader/loader.h"
#include "loader/platform_posix.h"
#include "runtime/commands.h"

extern "C" unsigned char kQuorixProgramImage[];
extern "C" const uint32_t kQuorixProgramImageSize;

namespace quorix::testing {

namespace {
bool g_pump_hooked = false;
}

void AnswerFileDialog(FileDialogSeen& seen, const QString& dir, const QString& name) {
    QTimer::singleShot(0, [&seen, dir, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return AnswerFileDialog(seen, dir, name);  // not up yet
        seen.answered = true;
        seen.object_name = dialog->objectName();
        seen.title = dialog->windowTitle();
        seen.filters = dialog->nameFilters();
        seen.mode = dialog->acceptMode();
        if (name.isEmpty()) return dialog->reject();
        dialog->setDirectory(dir);
        // The dialog comes back with the last chosen file selected in its list, and a
        // selection wins over the typed name: clear it.
        for (auto* view : dialog->findChildren<QAbstractItemView*>()) {
            if (view->selectionModel() != nullptr) view->selectionModel()->clear();
        }
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        // Typed as a user types: into the focused name box.
        QApplication::setActiveWindow(dialog);
        edit->setFocus();
        EXPECT_TRUE(edit->hasFocus());
        edit->clear();
        QTest::keyClicks(edit, name);
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (QAbstractButton* yes = box != nullptr ? box->button(QMessageBox::Yes) : nullptr) {
                yes->click();
            }
        });
        seen.confirmed.start();
        static_cast<QDialog*>(dialog)->accept();
    });
}

void AnswerMessage(MessageSeen& seen) {
    host::Runtime* rt = host::Runtime::Current();
    QObject* context = rt != nullptr && rt->window() ? rt->window()->main_window() : nullptr;
    if (context == nullptr) return;
    QTimer::singleShot(10, context, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box->button(QMessageBox::Ok) == nullptr) return AnswerMessage(seen);
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
}

void AnswerFileDialog(FileDialogSeen& seen, const QString& path) {
    const QFileInfo file(path);
    AnswerFileDialog(seen, file.absolutePath(), file.fileName());
}

QMainWindow* Session::window() const {
    host::Runtime* rt = host::Runtime::Current();
    return rt && rt->window() ? rt->window()->main_window() : nullptr;
}

QWidget* Session::Find(const char* name) const {
    QMainWindow* w = window();
    if (w == nullptr) return nullptr;
    const QString n = QString::fromUtf8(name);
    if (w->objectName() == n) return w;
    return w->findChild<QWidget*>(n);
}

QAction* Session::MenuBarAction(const char* text) const {
    for (QAction* menu : window()->menuBar()->actions()) {
        if (menu->menu() == nullptr) continue;
        for (QAction* a : menu->menu()->actions()) {
            if (a->text() == U(text)) return a;
        }
    }
    return nullptr;
}

void Session::Click(const char* name) const {
    auto* button = qobject_cast<QAbstractButton*>(Find(name));
    if (button == nullptr) {
        ADD_FAILURE() << "no button named " << name;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

void Session::ClickChild(const char* name, const char* child) const {
    QWidget* parent = Find(name);
    auto* button = parent ? parent->findChild<QAbstractButton*>(QString::fromUtf8(child)) : nullptr;
    if (button == nullptr) {
        ADD_FAILURE() << "no button " << child << " in " << name;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

void Session::SetOutputSize(const QString& width, const QString& height) const {
    Find<QComboBox>("宽组合框1")->setEditText(width);
    Find<QComboBox>("高组合框1")->setEditText(height);
    Click("按钮16");
}

void Session::PutPicture(const QImage& picture) const {
    Find("画板1")->setProperty("picture", picture);
    Find("画板2")->setProperty("picture", picture);
}

QImage Session::BoardPicture(const char* board) const {
    return Find(board)->property("picture").value<QImage>();
}

QString Session::Output() const {
    return runtime().ReadProperty(U("编辑框1"), abi::kPropText);
}

host::Runtime& Session::runtime() const {
    return *host::Runtime::Current();
}

uint64_t Session::BlocksInUse() const {
    return runtime().memory().blocks_in_use();
}

void Session::Close() const {
    if (QMainWindow* w = window()) w->close();
}

void Session::OnPump(std::function<void()> hook) const {
    g_pump_hooked = static_cast<bool>(hook);
    host::RuntimeHooks hooks = host::GetRuntimeHooks();
    hooks.on_pump = std::move(hook);
    hooks.pump_every_call = g_pump_hooked;
    host::SetRuntimeHooks(std::move(hooks));
}

RunResult RunProgram(const std::function<void(Session&)>& body) {
    RunResult result;
    host::RuntimeHooks hooks;
    hooks.on_loop_started = [&] {
        result.window_opened = true;
        Session session;
        body(session);
        session.OnPump(nullptr);
        session.Close();
    };
    hooks.on_ended = [&](host::Runtime& rt) {
        result.blocks_after_shutdown = rt.memory().blocks_in_use();
    };
    host::SetRuntimeHooks(std::move(hooks));
    loader::PosixPlatform platform;
    result.exit_code = loader::RunLoader(platform, kQuorixProgramImage, kQuorixProgramImageSize);
    host::SetRuntimeHooks({});
    return result;
}

int Main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt wants a private runtime folder; a fresh one per test process, removed at its end.
    static char runtime_dir[] = "/tmp/quorix-test-XXXXXX";
    const bool own_runtime_dir =
        std::getenv("XDG_RUNTIME_DIR") == nullptr && mkdtemp(runtime_dir) != nullptr;
    if (own_runtime_dir) setenv("XDG_RUNTIME_DIR", runtime_dir, 1);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (own_runtime_dir) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime_dir, ignored);
    }
    return result;
}

}  // namespace quorix::testing
