// Undo and redo: the runtime keeps the history of what the user makes (the picture on a board,
// the mapping in a list) for the program, which tells it what it follows and when a change has
// been made.
//
// The picture is kept against a copy of it as it was at the last change: a change stores only
// the rectangle in which the board differs from that copy (the whole picture when its size
// changed), before and after, compressed. The mapping is noted before a change and compared
// after it. Undo puts a change's `before` back, redo its `after`, exactly.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

#include "host/krnln/args.h"
#include "host/krnln/change_history.h"

namespace quorix::host {

class BoardWidget;
class Runtime;
class UnitHost;

// What the history needs of the list that holds the mapping: its rows as bytes, and back.
class MappingRows {
public:
    virtual ~MappingRows() = default;
    virtual QByteArray SaveRows() const = 0;
    // Puts rows saved by SaveRows back in place of the list's; false (and the list as it was)
    // for bytes SaveRows did not make.
    virtual bool RestoreRows(const QByteArray& rows) = 0;
};

class History {
public:
    explicit History(Runtime& runtime) : runtime_(runtime) {}

    // The commands kCmdHistoryFollow ... kCmdHistoryRedo.
    uint64_t Command(uint32_t command, const ArgView& args);

    const ChangeHistory& changes() const { return changes_; }

private:
    void Follow(const ArgView& args);
    void NoteMapping();
    void Record(int32_t part);
    bool Take(const Change* change, bool back);
    void PutPicture(const QByteArray& snapshot);
    // base_ becomes the board's picture as it is now.
    void KeepPicture(BoardWidget& board);

    UnitHost* Unit(const Arg& a) const;
    BoardWidget* Board(const Arg& a) const;
    MappingRows* Mapping() const;

    Runtime& runtime_;
    Arg picture_, shown_, list_;
    QImage base_;  // the picture as it was at the last change, sharing the board's pixels until it
                   // draws
    QByteArray mapping_before_;
    bool mapping_noted_ = false;
    ChangeHistory changes_;
};

}  // namespace quorix::host
