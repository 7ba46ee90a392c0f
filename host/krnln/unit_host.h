// One unit of the window at run time: its widget, its properties and the commands that act
// on it. Each kind of unit derives its own class.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "host/krnln/args.h"
#include "image/form.h"
#include "runtime/abi.h"

namespace quorix::host {

class Runtime;

class QX_EXPORT UnitHost {
public:
    // `frame`: the widget that shows `widget` in the window, if another (see frame()).
    UnitHost(Runtime& runtime, const form::UnitBlock& block, QWidget* widget,
             QWidget* frame = nullptr);
    virtual ~UnitHost() = default;
    UnitHost(const UnitHost&) = delete;
    UnitHost& operator=(const UnitHost&) = delete;

    uint32_t id() const { return id_; }
    uint32_t type() const { return type_; }
    // The widget that is the unit: named after the control, as large as the control.
    QWidget* widget() const { return widget_; }
    // The widget the window places for the unit: the unit's own widget, or one that shows it
    // (a scrolling view). Position and visibility are its.
    QWidget* frame() const { return frame_; }
    Runtime& runtime() const { return runtime_; }
    // What stands for the unit's class in the flat command table (flat_commands.h); null
    // while no class has claimed the unit.
    const void* kind() const { return kind_; }
    void set_kind(const void* kind) { kind_ = kind; }

    // A property's value in one word; a text property yields a new text in program memory.
    virtual uint32_t ReadProperty(uint32_t property, int32_t member);
    virtual void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high);
    // A core command whose first argument is this unit; `args` starts at that argument.
    virtual uint64_t Command(uint32_t command, const ArgView& args);
    // A command of a support library whose first argument is this unit.
    virtual uint64_t LibraryCommand(uint32_t library, uint32_t command, const ArgView& args);

    // The widget that holds child `child_id` (a frame, a tab page), or null when this unit
    // holds no children.
    virtual QWidget* ContainerFor(uint32_t child_id) {
        (void)child_id;
        return nullptr;
    }
    // Called once every unit of the window is in place.
    virtual void Placed() {}
    // Called once the window has moved its controls to follow a change of its size.
    virtual void Rearranged() {}

    // Runs the routine bound to event `index` of this unit, if any. Returns whether one ran.
    bool Raise(int32_t index, std::initializer_list<int32_t> args = {});
    bool HasHandler(int32_t index) const;

protected:
    QxAddr NewText(const QString& text) const;
    QString TextAt(QxAddr address) const;
    // Moves and resizes; an omitted argument keeps the current value.
    virtual void Move(const ArgView& args);

    Runtime& runtime_;
    uint32_t id_;
    uint32_t type_;
    const void* kind_ = nullptr;
    QWidget* widget_;
    QWidget* frame_;
    std::vector<form::EventBinding> events_;
};

}  // namespace quorix::host
