#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace krelin {

// What File > Apply Patch shows before it changes anything: what the patch would change in
// the open image, in the editor's terms (as `krelin --diff` says it), and for a patch that
// describes itself its description and author. Apply applies it; Cancel, Escape and the
// close box change nothing. Cancel is the default button, so an Enter pressed in passing
// changes nothing either. A patch that changes nothing says so, and offers only Close.
class PatchPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    // summary: the lines of the comparison, none when the patch changes nothing.
    // description, author: what the patch says of itself (empty when it says nothing).
    PatchPreviewDialog(const QString &patchName, const QStringList &summary, const QString &description,
                       const QString &author, QWidget *parent = nullptr);

    // The text shown, for the tests and the screen reader alike.
    QString text() const;

    QPushButton *cmdApply;
    QPushButton *cmdCancel;

private:
    QPlainTextEdit *txtChanges;
};

} // namespace krelin
