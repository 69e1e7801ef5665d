#include "EmulatorDialog.h"

#include "core/EmulatorRun.h"
#include "widgets/Desktop.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

namespace krelin {

EmulatorDialog::EmulatorDialog(Desktop &desktop, const QString &command, QWidget *parent)
    : QDialog(parent)
    , desktop(desktop)
{
    setObjectName(QStringLiteral("frmEmulator"));
    setWindowTitle(QStringLiteral("Emulator"));
    auto *label = new QLabel(QStringLiteral("The command that runs the emulator; %f stands for the image:"), this);
    txtCommand = new QLineEdit(command, this);
    txtCommand->setObjectName(QStringLiteral("txtCommand"));
    txtCommand->setPlaceholderText(QStringLiteral("fceux %f"));
    txtCommand->setMinimumWidth(360);
    label->setBuddy(txtCommand);
    cmdBrowse = new QPushButton(QStringLiteral("&Browse…"), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(txtCommand, 1, 0);
    grid->addWidget(cmdBrowse, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdBrowse, &QPushButton::clicked, this, &EmulatorDialog::cmdBrowse_Click);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString EmulatorDialog::command() const
{
    return txtCommand->text().trimmed();
}

QString BrowseForEmulator(Desktop &desktop, QWidget *parent, const QString &command, const QString &title)
{
    QStringList words = QProcess::splitCommand(command);
    // Start where the program named now lies, looked up in PATH when given by name alone.
    QString start;
    if (!words.isEmpty()) {
        const QString program = words.first().contains(u'/') ? words.first()
                                                             : QStandardPaths::findExecutable(words.first());
        if (!program.isEmpty())
            start = QFileInfo(program).absolutePath();
    }
    const QString program = desktop.getOpenFileName(parent, title, start, QStringLiteral("Programs (*)"));
    if (program.isEmpty())
        return {};
    if (words.isEmpty())
        words = {program, QStringLiteral("%f")};
    else
        words.first() = program;
    return JoinCommand(words);
}

void EmulatorDialog::cmdBrowse_Click()
{
    const QString browsed = BrowseForEmulator(desktop, this, command());
    if (!browsed.isEmpty())
        txtCommand->setText(browsed);
}

} // namespace krelin
