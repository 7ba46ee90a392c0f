// Small helpers shared by the control kinds: captions, keys and signal connections that must
// not outlive the unit that made them. Colour values are in color_value.h.
#pragma once

#include <QKeyEvent>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "host/krnln/text_codec.h"

namespace quorix::host {

// Captions store line breaks as CR LF; widgets break lines at LF.
inline QString ShownCaption(const QString& caption) {
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar('\r'), QChar('\n'));
    return shown;
}
// Buttons read '&' as a shortcut marker; a caption's '&' is shown as itself.
inline QString ButtonCaption(const QString& caption) {
    QString shown = ShownCaption(caption);
    shown.replace(QChar('&'), QStringLiteral("&&"));
    return shown;
}

// Enter (either key) without Shift, Ctrl or Alt: it presses a button that has the focus, as
// Space does.
inline bool IsPlainEnter(const QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    return enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

inline QString FromBlockText(const std::string& bytes) {
    return FromProgramText(bytes);
}

// Signal connections made on behalf of a unit. Widgets outlive their unit while the window is
// torn down, so a unit cuts its connections when it goes.
class Connections {
public:
    Connections() = default;
    Connections(const Connections&) = delete;
    Connections& operator=(const Connections&) = delete;
    ~Connections() {
        for (const QMetaObject::Connection& c : list_) QObject::disconnect(c);
    }
    void operator+=(QMetaObject::Connection c) { list_.push_back(std::move(c)); }

private:
    std::vector<QMetaObject::Connection> list_;
};

}  // namespace quorix::host
