#pragma once

#include "Desktop.h"

#include <memory>

class QSoundEffect;

namespace krelin {

// The desktop as Qt offers it.
class QtDesktop : public Desktop
{
public:
    QtDesktop();
    ~QtDesktop() override;

    QString getOpenFileName(QWidget *parent, const QString &title, const QString &start,
                            const QString &filter) override;
    QString getSaveFileName(QWidget *parent, const QString &title, const QString &start,
                            const QString &filter) override;
    QString getSaveFileNameAndFilter(QWidget *parent, const QString &title, const QString &start,
                                     const QString &filter, QString *selectedFilter) override;
    void showMessage(QWidget *parent, const QString &title, const QString &text, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override;
    int askChoice(QWidget *parent, const QString &title, const QString &text, const QStringList &answers,
                  int defaultAnswer, int cancelAnswer) override;
    void showMessageWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &check,
                              bool *checked) override;
    bool askYesNoWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &check,
                           bool *checked) override;
    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                   const QString &text) override;
    SaveAnswer askSaveChanges(QWidget *parent, const QString &title, const QString &text) override;
    void openUrl(const QUrl &url, const std::function<void()> &failed) override;
    void playSound(const QString &path) override;
    void stopSound() override;
    bool hasSystemTray() override;
    void quit() override;

private:
    std::unique_ptr<QSoundEffect> sound;
};

} // namespace krelin
