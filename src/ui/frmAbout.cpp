#include "frmAbout.h"

#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"
#include "Links.h"
#include "core/Version.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace krelin {

namespace {

QLabel *label(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}

} // namespace

frmAbout::frmAbout(QWidget *parent, Desktop &desktop, const QString &programFolder)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , desktop(desktop)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(382, 244);
    setWindowIcon(AppIcon());
    setWindowTitle(QStringLiteral("About ") + ProgramCaption());

    picIcon = label(this, "picIcon", QRect(16, 16, 36, 36));
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(QPixmap::fromImage(AppIconImage()));

    lblTitle = label(this, "lblTitle", QRect(70, 16, 259, 32));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setText(QStringLiteral("Krelin Version ") + VersionText());

    lblVersion = label(this, "lblVersion", QRect(70, 52, 259, 15));
    lblVersion->setText(QStringLiteral("Version ") + VersionText());

    lblDescription = label(this, "lblDescription", QRect(70, 75, 259, 78));
    lblDescription->setText(QStringLiteral("Krelin NES level editor, 2026, by Velquin\n%1\n\nAny Bugs Report To %2")
                                .arg(VelquinUrl.toString(), AuthorEmail));

    // An etched separator: a grey line over a white one.
    auto *grey = new QFrame(this);
    grey->setObjectName(QStringLiteral("Line1_0"));
    grey->setGeometry(16, 164, 350, 1);
    grey->setStyleSheet(QStringLiteral("background: #808080;"));
    auto *white = new QFrame(this);
    white->setObjectName(QStringLiteral("Line1_1"));
    white->setGeometry(16, 165, 350, 1);
    white->setStyleSheet(QStringLiteral("background: #ffffff;"));

    lblDisclaimer = label(this, "lblDisclaimer", QRect(24, 175, 329, 39));
    QFont small = lblDisclaimer->font();
    small.setPixelSize(11);
    lblDisclaimer->setFont(small);
    lblDisclaimer->setText(QStringLiteral(
        "The author is not responsible for damaged cartridge files. Please give credit when you release a "
        "modified game, and report any problems by e-mail."));

    cmdClose = new QPushButton(QStringLiteral("&CLOSE"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(284, 220, 81, 21);
    connect(cmdClose, &QPushButton::clicked, this, &frmAbout::cmdClose_Click);
    // Escape closes it, as it closes any dialog.
    auto *escape = new QAction(this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(escape, &QAction::triggered, this, &frmAbout::cmdClose_Click);
    addAction(escape);

    desktop.playSound(QDir(programFolder).filePath(QStringLiteral("Krelin.WAV")));
}

void frmAbout::cmdClose_Click()
{
    close();
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    desktop.stopSound();
    event->accept();
}

} // namespace krelin
