#include "QtDesktop.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QSoundEffect>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace krelin {

namespace {

// A message box is as wide as its text, and a short text ("Editor Must Refresh!") leaves
// the title bar too narrow for the title: the window manager then cuts it ("Kre… 0.5").
// The box is widened to the title's width in the title bar's (bold) font, with room
// beside it for the bar's icon and buttons.
void leaveRoomForTitle(QMessageBox &box)
{
    QFont font = box.font();
    font.setBold(true);
    const int buttons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    const int wanted = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + std::max(buttons, 120);
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

// Shows the box modal and returns the button chosen.
int execBox(QMessageBox &box)
{
    leaveRoomForTitle(box);
    return box.exec();
}

// A message box whose text shows as it is, whatever it holds: a name like
// "<h1>x</h1>.nes" stays those characters.
class PlainMessageBox : public QMessageBox
{
public:
    PlainMessageBox(Icon icon, const QString &title, const QString &text, StandardButtons buttons, QWidget *parent)
        : QMessageBox(icon, title, QString(), buttons, parent)
    {
        setTextFormat(Qt::PlainText);
        setText(text);
    }
};

} // namespace

QtDesktop::QtDesktop() = default;
QtDesktop::~QtDesktop() = default;

QString QtDesktop::getOpenFileName(QWidget *parent, const QString &title, const QString &start,
                                   const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString QtDesktop::getSaveFileName(QWidget *parent, const QString &title, const QString &start,
                                   const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, start, filter);
}

QString QtDesktop::getSaveFileNameAndFilter(QWidget *parent, const QString &title, const QString &start,
                                            const QString &filter, QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, title, start, filter, selectedFilter);
}

void QtDesktop::showMessage(QWidget *parent, const QString &title, const QString &text, Icon icon)
{
    const auto boxIcon = icon == Icon::Warning       ? QMessageBox::Warning
                         : icon == Icon::Information ? QMessageBox::Information
                                                     : QMessageBox::NoIcon;
    PlainMessageBox box(boxIcon, title, text, QMessageBox::Ok, parent);
    execBox(box);
}

bool QtDesktop::askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    PlainMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    return execBox(box) == QMessageBox::Yes;
}

void QtDesktop::showMessageWithCheck(QWidget *parent, const QString &title, const QString &text,
                                     const QString &check, bool *checked)
{
    PlainMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    auto *tick = new QCheckBox(check, &box);
    box.setCheckBox(tick);
    execBox(box);
    *checked = tick->isChecked();
}

bool QtDesktop::askYesNoWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &check,
                                  bool *checked)
{
    PlainMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    auto *tick = new QCheckBox(check, &box);
    box.setCheckBox(tick);
    const bool yes = execBox(box) == QMessageBox::Yes;
    *checked = tick->isChecked();
    return yes;
}

std::optional<QString> QtDesktop::askText(QWidget *parent, const QString &title, const QString &label,
                                          const QString &text)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(text);
    for (QLabel *shown : dialog.findChildren<QLabel *>())
        shown->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

Desktop::SaveAnswer QtDesktop::askSaveChanges(QWidget *parent, const QString &title, const QString &text)
{
    PlainMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (execBox(box)) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
    }
}

int QtDesktop::askChoice(QWidget *parent, const QString &title, const QString &text, const QStringList &answers,
                         int defaultAnswer, int cancelAnswer)
{
    PlainMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> buttons;
    for (int i = 0; i < answers.size(); ++i) {
        const auto role = i == cancelAnswer ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        buttons << box.addButton(answers[i], role);
    }
    if (defaultAnswer >= 0 && defaultAnswer < buttons.size())
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons[defaultAnswer]));
    if (cancelAnswer >= 0 && cancelAnswer < buttons.size())
        box.setEscapeButton(buttons[cancelAnswer]);
    execBox(box);
    const int chosen = int(buttons.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : cancelAnswer;
}

void QtDesktop::openUrl(const QUrl &url, const std::function<void()> &failed)
{
#if defined(Q_OS_LINUX)
    // The desktop's opener tells only by its exit status whether anything took the link
    // (it exits at once with an error when no browser or mail program is set up), so it
    // is watched rather than started and forgotten. It has no parent: one still running
    // when the program ends (it waits for some browsers) is left to run.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        auto *process = new QProcess;
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(process, &QProcess::finished, process,
                         [process, failed](int exitCode, QProcess::ExitStatus status) {
                             if (status != QProcess::NormalExit || exitCode != 0)
                                 failed();
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            failed();
            process->deleteLater();
        });
        process->start(opener, {url.toString(QUrl::FullyEncoded)});
        return;
    }
#endif
    if (!QDesktopServices::openUrl(url))
        failed();
}

void QtDesktop::playSound(const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    if (!sound)
        sound = std::make_unique<QSoundEffect>();
    sound->setSource(QUrl::fromLocalFile(path));
    sound->play();
}

void QtDesktop::stopSound()
{
    if (sound)
        sound->stop();
}

bool QtDesktop::hasSystemTray()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtDesktop::quit()
{
    // Leaving the event loop ends main(), which takes every window with it; no window's
    // own close handling runs.
    QApplication::quit();
}

} // namespace krelin
