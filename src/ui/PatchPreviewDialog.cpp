#include "PatchPreviewDialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace krelin {

namespace {

// What a patch says of itself comes from its file, and may be of any length: a label
// holds the start of it, so that a patch cannot make the dialog larger than the screen.
constexpr qsizetype MaxShown = 300;

QString shortened(const QString &text)
{
    return text.size() <= MaxShown ? text : text.left(MaxShown) + QStringLiteral("…");
}

} // namespace

PatchPreviewDialog::PatchPreviewDialog(const QString &patchName, const QStringList &summary,
                                       const QString &description, const QString &author, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PatchPreviewDialog"));
    setWindowTitle(QStringLiteral("Apply Patch %1").arg(patchName));
    auto *layout = new QVBoxLayout(this);

    QStringList about;
    if (!description.isEmpty())
        about << QStringLiteral("Description: %1").arg(shortened(description));
    if (!author.isEmpty())
        about << QStringLiteral("Author: %1").arg(shortened(author));
    if (!about.isEmpty()) {
        auto *said = new QLabel(about.join(u'\n'), this);
        said->setObjectName(QStringLiteral("lblPatchDescription"));
        said->setTextFormat(Qt::PlainText); // the patch's own words, never markup
        said->setWordWrap(true);
        layout->addWidget(said);
    }

    const bool changes = !summary.isEmpty();
    auto *heading = new QLabel(changes ? QStringLiteral("Applying %1 changes the open image so:").arg(patchName)
                                       : QStringLiteral("The patch changes nothing."),
                               this);
    heading->setObjectName(QStringLiteral("lblPatchEffect"));
    heading->setTextFormat(Qt::PlainText);
    layout->addWidget(heading);
    txtChanges = new QPlainTextEdit(summary.join(u'\n'), this);
    txtChanges->setObjectName(QStringLiteral("txtPatchChanges"));
    txtChanges->setReadOnly(true);
    txtChanges->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtChanges->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtChanges->setVisible(changes);
    layout->addWidget(txtChanges, 1);

    auto *buttons = new QDialogButtonBox(this);
    cmdApply = buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::AcceptRole);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdCancel = buttons->addButton(changes ? QStringLiteral("Cancel") : QStringLiteral("Close"),
                                   QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdApply->setVisible(changes);
    cmdApply->setAutoDefault(false);
    cmdCancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, changes ? 320 : 120);
}

QString PatchPreviewDialog::text() const
{
    QStringList parts;
    for (const QLabel *label : findChildren<QLabel *>())
        parts << label->text();
    if (txtChanges->isVisible() || !txtChanges->toPlainText().isEmpty())
        parts << txtChanges->toPlainText();
    return parts.join(u'\n');
}

} // namespace krelin
