#pragma once

#include <QByteArray>
#include <QTemporaryDir>

// Every test program keeps its journals of unsaved work in a folder of its own, removed
// when it ends: a window a test leaves with unsaved edits must never offer them to the
// user's next session, nor to another test running at the same time. The programs the
// tests start inherit the folder.
namespace krelin::testing {

struct PrivateStateFolder
{
    QTemporaryDir folder;
    PrivateStateFolder() { qputenv("XDG_STATE_HOME", folder.path().toLocal8Bit()); }
};

// Set up before main(), in every test program that includes this header.
inline const PrivateStateFolder privateStateFolder;

} // namespace krelin::testing
