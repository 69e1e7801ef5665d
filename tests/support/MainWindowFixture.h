#pragma once

// A main window on its own copy of the sample cartridge, shown so that pointer events
// reach it: the set-up shared by the tests that drive the real windows.

#include "core/modKrelin.h"
#include "ScriptedDesktop.h"
#include "support/WindowControls.h"
#include "ui/frmKrelin.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace krelin::testing {

template <class Desktop = ScriptedDesktop>
struct MainWindowFixture
{
    QTemporaryDir dir;
    QString romPath = dir.filePath(QStringLiteral("game.nes"));
    modKrelin model;
    Desktop desktop;
    std::unique_ptr<frmKrelin> window;

    // Opens the copy unless told not to.
    explicit MainWindowFixture(bool open = true)
    {
        QFile::copy(QStringLiteral(KRELIN_SAMPLE), romPath);
        QFile::setPermissions(romPath, QFile::ReadOwner | QFile::WriteOwner);
        window = std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        if (open)
            QVERIFY(window->OpenRom(romPath));
    }

    int byte(qint64 offset) const { return model.byteAt(offset); }
};

} // namespace krelin::testing
