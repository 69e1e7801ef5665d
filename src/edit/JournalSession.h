#pragma once

#include "StepChanges.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

namespace krelin {

class EditHistory;
class JournalRecordReader;
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
enum JournalRecordKind : std::uint8_t {
    JournalBegin = 'B',
    JournalPush = 'P',
    JournalMerge = 'M',
    JournalIndex = 'I',
    JournalClean = 'C',
};
// The longest step name and path a record holds, in bytes.
inline constexpr std::uint32_t MostJournalTextBytes = 4096;
inline constexpr std::uint32_t MostJournalPathBytes = 64 * 1024;

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
    // What kept the journal from being read whole, in words ("its record 5, at byte 1234,
    // is damaged"); empty when it was read whole.
    QString damage;
    // The image the work started from was damaged: the work was rebuilt on the file the
    // journal names, found unchanged on disk.
    bool rebuiltOnFile = false;

    bool hasUnsavedWork() const { return valid && index != clean; }
    // How many steps the image lies away from the file (from the base, when no step is the
    // file's).
    int unsavedEdits() const { return clean >= 0 ? std::abs(index - clean) : index; }
};

// The bytes of the file at path as they now are on disk; none when it cannot be read.
using FileOnDisk = std::function<std::vector<std::uint8_t>(const QString &path)>;

// Reads a journal. Whatever the bytes, it never reads outside them and stops at the first
// record that is damaged, cut short or makes no sense where it stands, keeping everything
// before it and saying in damage what stopped it. When the first record, the image the
// work started from, is the damaged one, the work is rebuilt on the file the journal
// names if fileOnDisk gives it as it was when the journal began: the records after the
// first one are applied to it, each checked against it as usual.
JournalSession ReadJournal(JournalRecordReader &reader, const FileOnDisk &fileOnDisk = {});
// A journal file held in memory.
JournalSession ReadJournal(std::span<const std::uint8_t> file);

// What a question about a journal left behind needs, read without holding the journal in
// memory: the session's file, how many steps it holds and where it is among them, and
// whether (and why) it cannot be read whole. The bodies of large steps are passed over
// unread, so a step found damaged only when the work is recovered (ReadJournal) may give
// back fewer edits than the outline counts.
struct JournalOutline
{
    bool valid = false; // some work can be rebuilt from it
    QString path;
    qint64 fileSize = -1;
    int steps = 0;
    int index = 0;
    int clean = -1;
    QString damage;
    bool rebuiltOnFile = false;

    bool hasUnsavedWork() const { return valid && index != clean; }
    int unsavedEdits() const { return clean >= 0 ? std::abs(index - clean) : index; }
};
JournalOutline ReadJournalOutline(JournalRecordReader &reader, const FileOnDisk &fileOnDisk = {});

// Applies a step's changes to an image held apart from the model: forward as redo does,
// backward as undo does.
void ApplyStepChanges(std::vector<std::uint8_t> &image, const StepChanges &changes, bool forward);

// Makes the session the history's: the base image, each step pushed as a step of its own
// that can be undone, and the history at the session's step. When atFile, the step that was
// the file's is marked saved; otherwise no step is, and the image counts as unsaved.
void RestoreJournal(EditHistory &history, const JournalSession &session, bool atFile);

} // namespace krelin
