#pragma once

#include "PlayerConnection.h"

#include <QObject>
#include <QTimer>

#include <utility>
#include <vector>

namespace krelin {

class modKrelin;

// The player as the editor runs it: a player process on the model's image as a save would
// write it, kept up to date with every change of the image. Changes made within
// GatherTime of each other reach the game as one reload (the game keeps its state), with
// only the bytes that changed sent; one reload is under way at a time. Following an edit
// costs the editor no more than noting its range.
class PlayerSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int GatherTime = 100; // milliseconds

    explicit PlayerSession(const modKrelin &model, QObject *parent = nullptr);

    PlayerConnection &connection() { return player; }

    // Starts a player process (program --player) with the core at corePath on the image as
    // it is now, the game at state when one is given, in the model's colours.
    void start(const QString &program, const QString &corePath, const QByteArray &state = {}, bool showCoreLog = true);

    // Sends the changes gathered so far at once, unless a reload is under way: then they go
    // when it is done.
    void sendChanges();
    // Changes noted and not yet sent.
    int changesWaiting() const { return waiting; }

signals:
    // changes reached the game; stateKept false: it started again, message says why.
    void imageReloaded(int changes, bool stateKept, const QString &message);

private:
    void noteChange(qint64 offset, qint64 length);
    void noteReplaced();
    void reloaded(bool stateKept, const QString &message);

    const modKrelin &model;
    PlayerConnection player;
    QTimer gather;
    std::vector<std::pair<qint64, qint64>> ranges; // [begin, end), in the order they came
    bool replaced = false;
    int waiting = 0;
    int sent = 0; // the changes of the reload under way
};

// The model's master palette as 64 RGB triplets.
QByteArray MasterPaletteBytes(const modKrelin &model);

} // namespace krelin
