#pragma once

#include "core/JournalFile.h"
#include "edit/JournalSession.h"

#include <QString>

namespace krelin {

// A journal left behind by a session that ended unexpectedly, as the start of the program
// offers it: what the question about it needs, read without reading the journal whole
// (see JournalOutline), or the journal refused unread when it is larger than any journal
// the program writes.
struct LeftWork
{
    LeftJournal journal;
    JournalOutline outline;
    bool tooLarge = false;

    // Looks at a journal claimed at start.
    static LeftWork lookAt(LeftJournal journal);

    // Could not be read whole: set aside, and never deleted unless the user says so.
    bool damaged() const { return !tooLarge && !outline.damage.isEmpty(); }
    bool canRecover() const { return !tooLarge && outline.hasUnsavedWork(); }
    // Whether the user is to be asked about it: a journal read whole that holds no unsaved
    // work (its session ended after a save) is not.
    bool worthAsking() const { return tooLarge || damaged() || outline.hasUnsavedWork(); }

    // The image's file name as the program shows names ("GAME.NES"), or a few words for an
    // image without one or a journal that does not say.
    QString imageName() const;
    // How many edits can be recovered, or a dash.
    QString editsText() const;
    // "Damaged", "Too large", or nothing.
    QString stateText() const;
    // The question about it in full: whose work it is, how much and when, what is wrong
    // with it and what can be done.
    QString question() const;
};

// How the program names an image's file in its messages: the file name, in capitals.
QString ShownFileName(const QString &path);

} // namespace krelin
