#include "ReplaceDialog.h"

#include "widgets/HexSpinBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace krelin {

namespace {

// A metatile number as the program writes it, "Metatile 2F", counted afresh at each digit.
HexSpinBox *metaTileBox(const char *name, int value, QWidget *parent)
{
    auto *box = new HexSpinBox(QLatin1String(name), parent);
    box->setPrefix(QStringLiteral("Metatile "));
    box->setKeyboardTracking(true);
    box->setValue(value);
    return box;
}

QRadioButton *scopeOption(const char *name, const QString &text, QWidget *parent)
{
    auto *option = new QRadioButton(text, parent);
    option->setObjectName(QLatin1String(name));
    return option;
}

} // namespace

ReplaceDialog::ReplaceDialog(int from, int to, const QString &stageName, const QString &sharedStages,
                             std::function<ReplaceTargets(ReplaceScope, int)> count, QWidget *parent)
    : QDialog(parent)
    , count(std::move(count))
{
    setObjectName(QStringLiteral("frmReplace"));
    setWindowTitle(QStringLiteral("Replace Metatile"));
    spnReplaceFrom = metaTileBox("spnReplaceFrom", from, this);
    spnReplaceWith = metaTileBox("spnReplaceWith", to, this);
    auto *where = new QGroupBox(QStringLiteral("Where"), this);
    optReplaceFrame = scopeOption("optReplaceFrame", QStringLiteral("In the &frame shown"), where);
    optReplaceStage = scopeOption("optReplaceStage", QStringLiteral("In every frame of %1").arg(stageName), where);
    optReplaceShared = scopeOption(
        "optReplaceShared", QStringLiteral("In every stage sharing the metatile table (%1)").arg(sharedStages), where);
    optReplaceFrame->setChecked(true);
    auto *options = new QVBoxLayout(where);
    for (QRadioButton *option : {optReplaceFrame, optReplaceStage, optReplaceShared})
        options->addWidget(option);
    lblReplaceCount = new QLabel(this);
    lblReplaceCount->setObjectName(QStringLiteral("lblReplaceCount"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cmdReplace = buttons->addButton(QStringLiteral("&Replace"), QDialogButtonBox::AcceptRole);
    cmdReplace->setObjectName(QStringLiteral("cmdReplace"));
    cmdReplace->setDefault(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Replace:"), spnReplaceFrom);
    form->addRow(QStringLiteral("With:"), spnReplaceWith);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(where);
    layout->addWidget(lblReplaceCount);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (HexSpinBox *box : {spnReplaceFrom, spnReplaceWith})
        connect(box, &QSpinBox::valueChanged, this, &ReplaceDialog::showCount);
    for (QRadioButton *option : {optReplaceFrame, optReplaceStage, optReplaceShared})
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showCount();
        });
    showCount();
}

int ReplaceDialog::from() const
{
    return spnReplaceFrom->value();
}

int ReplaceDialog::to() const
{
    return spnReplaceWith->value();
}

ReplaceScope ReplaceDialog::scope() const
{
    if (optReplaceStage->isChecked())
        return ReplaceScope::Stage;
    if (optReplaceShared->isChecked())
        return ReplaceScope::SharedStages;
    return ReplaceScope::Frame;
}

void ReplaceDialog::showCount()
{
    const ReplaceTargets targets = count(scope(), from());
    const int cells = int(targets.offsets.size());
    QString text;
    if (cells == 0)
        text = QStringLiteral("Metatile %1 is not used there: nothing to replace.").arg(HexByte(from()));
    else if (from() == to())
        text = QStringLiteral("%1 cells hold it already: choose another metatile to replace it with.").arg(cells);
    else
        text = QStringLiteral("%1 %2 in %3 %4%5 will change.")
                   .arg(cells)
                   .arg(cells == 1 ? QStringLiteral("cell") : QStringLiteral("cells"))
                   .arg(targets.frames)
                   .arg(targets.frames == 1 ? QStringLiteral("frame") : QStringLiteral("frames"))
                   .arg(scope() == ReplaceScope::SharedStages
                            ? QStringLiteral(" of %1 %2").arg(targets.stages).arg(targets.stages == 1 ? "stage" : "stages")
                            : QString());
    lblReplaceCount->setText(text);
    cmdReplace->setEnabled(cells > 0 && from() != to());
}

} // namespace krelin
