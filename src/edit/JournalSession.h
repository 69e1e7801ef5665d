#pragma once

#include "StepChanges.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace krelin {

class EditHistory;
class JournalWriter;

// The records of a journal of unsaved work (see core/JournalFormat.h for their framing).
// A journal is a log of the history of one open image:
//
//   Begin  the file's path, its size and checksum as last opened or saved, and the image
//          before the first step (the base), so that the work can be rebuilt even when the
//          file has changed or is gone
//   Push   a new step (its name and bytes) at the current step, dropping those undone
//   Merge  the step before the current one, as it now is after an edit merged into it;
//          a step that changes nothing any more went, and the current step with it
//   Index  the history moved to this step: undo, redo or a jump
//   Clean  the step at which the image is the file on disk (-1: none)
//
// Steps are counted from the first one the journal holds.
void PutBegin(JournalWriter &out, const QString &path, qint64 fileSize, std::uint32_t fileCrc,
              std::span<const std::uint8_t> base);
void PutStep(JournalWriter &out, bool merged, const QString &text, const StepChanges &changes);
void PutIndex(JournalWriter &out, int index);
void PutClean(JournalWriter &out, int clean);

struct JournalStep
{
    QString text;
    StepChanges changes;
};

// A session as its journal tells it.
struct JournalSession
{
    bool valid = false; // a journal that begins as one should
    QString path;
    qint64 fileSize = -1; // -1: the image had no file
    std::uint32_t fileCrc = 0;
    std::vector<std::uint8_t> base;
    std::vector<JournalStep> steps;
    int index = 0;
    int clean = -1;
    // The journal stops short: cut off by the end of the session, or damaged. Everything
    // before that point was read.
    bool cutShort = false;

    bool hasUnsavedWork() const { return valid && index != clean; }
    // How many steps the image lies away from the file (from the base, when no step is the
    // file's).
    int unsavedEdits() const { return clean >= 0 ? std::abs(index - clean) : index; }
};

// Reads a journal file held in memory. Whatever the bytes, it never reads outside them and
// stops at the first record that is damaged, cut short or makes no sense where it stands,
// keeping everything before it.
JournalSession ReadJournal(std::span<const std::uint8_t> file);

// Applies a step's changes to an image held apart from the model: forward as redo does,
// backward as undo does.
void ApplyStepChanges(std::vector<std::uint8_t> &image, const StepChanges &changes, bool forward);

// Makes the session the history's: the base image, each step pushed as a step of its own
// that can be undone, and the history at the session's step. When atFile, the step that was
// the file's is marked saved; otherwise no step is, and the image counts as unsaved.
void RestoreJournal(EditHistory &history, const JournalSession &session, bool atFile);

} // namespace krelin
