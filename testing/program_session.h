// Runs the real program, through the real loader and the real runtime library, inside a test
// process, and lets a test drive its window as a user would.
#pragma once

#include <QAction>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace quorix::host {
class Runtime;
}

namespace quorix::testing {

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class Session {
public:
    QMainWindow* window() const;
    // The widget of the control with this name (UTF-8), or null.
    QWidget* Find(const char* name) const;
    template <typename T>
    T* Find(const char* name) const {
        return qobject_cast<T*>(Find(name));
    }
    // The item of the window's menu bar whose text is `text` (UTF-8), or null.
    QAction* MenuBarAction(const char* text) const;
    // Clicks a button-like control (a QAbstractButton) in its centre with the left button.
    void Click(const char* name) const;
    // Clicks the child button `child` (objectName) of control `name`, e.g. a spin's "up".
    void ClickChild(const char* name, const char* child) const;
    host::Runtime& runtime() const;
    uint64_t BlocksInUse() const;
    // Closes the window as the user would.
    void Close() const;
    // Types the output size into 宽组合框1 and 高组合框1 and clicks 按钮16.
    void SetOutputSize(const QString& width, const QString& height) const;
    // Puts the same picture on both drawing boards (the board keeps its size).
    void PutPicture(const QImage& picture) const;
    // The whole picture of a drawing board.
    QImage BoardPicture(const char* board) const;
    // The output text of 编辑框1 as the program reads it, line breaks as CR LF.
    QString Output() const;
    // Called on every pump while a routine lets events through (pumps on every call while
    // set, so the test sees each pixel's pump).
    void OnPump(std::function<void()> hook) const;
};

// What a test saw of a file dialog it answered.
struct FileDialogSeen {
    bool answered = false;
    QString object_name, title;
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QElapsedTimer confirmed;  // started as the answer is confirmed
};

// Answers the next modal file dialog as a user does once it is up: records it in `seen`, opens
// folder `dir`, types `name` into the focused name box and accepts, confirming the replacement
// of an existing file if asked; or cancels when `name` is empty. (A typed '/' makes the dialog
// browse, so the folder is opened first and only the name is typed.) `seen` must live until the
// dialog has been answered.
void AnswerFileDialog(FileDialogSeen& seen, const QString& dir, const QString& name);
// The same for a whole path.
void AnswerFileDialog(FileDialogSeen& seen, const QString& path);

// What a test saw of a message box the program showed.
struct MessageSeen {
    bool shown = false;
    QString title, text;
};

// Closes the next message box the program shows, as a user does once it is up (with its OK
// button), recording it in `seen`. `seen` must live until the session ends.
void AnswerMessage(MessageSeen& seen);

struct RunResult {
    int exit_code = -1;                  // what the loader returned
    bool window_opened = false;          // the body ran inside the message loop
    uint64_t blocks_after_shutdown = 0;  // program-memory blocks still in use at the very end
    uint64_t section_blocks = 5;         // blocks that hold the loaded sections
};

// Runs the program; `body` runs inside the message loop once the window is open. The window is
// closed after the body returns (unless the body closed it).
RunResult RunProgram(const std::function<void(Session&)>& body);

// gtest main for tests that run the program: headless platform unless one is set.
int Main(int argc, char** argv);

}  // namespace quorix::testing
