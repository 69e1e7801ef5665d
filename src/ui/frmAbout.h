#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace krelin {

class Desktop;

// The About box: name, version, description and disclaimer. Plays the program's chime
// when it opens; closing it stops the chime.
class frmAbout : public QWidget
{
    Q_OBJECT

public:
    frmAbout(QWidget *parent, Desktop &desktop, const QString &programFolder);

    QLabel *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *lblDisclaimer;
    QPushButton *cmdClose;

    void cmdClose_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Desktop &desktop;
};

} // namespace krelin
