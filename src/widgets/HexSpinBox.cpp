#include "HexSpinBox.h"

#include <QKeyEvent>

namespace krelin {

HexSpinBox::HexSpinBox(const QString &name, QWidget *parent)
    : QSpinBox(parent)
{
    setObjectName(name);
    setRange(0, 255);
    setDisplayIntegerBase(16);
    setKeyboardTracking(false);
    setAccelerated(false);
}

QString HexSpinBox::digitsOf(const QString &text) const
{
    QStringView digits(text);
    // The line edit hands over the whole text, prefix and suffix included.
    if (!prefix().isEmpty() && digits.startsWith(prefix()))
        digits = digits.mid(prefix().size());
    if (!suffix().isEmpty() && digits.endsWith(suffix()))
        digits.chop(suffix().size());
    digits = digits.trimmed();
    if (digits.startsWith(u'$'))
        digits = digits.mid(1);
    return digits.toString();
}

std::optional<int> HexSpinBox::byteOf(const QString &text) const
{
    const QString digits = digitsOf(text);
    if (digits.isEmpty() || digits.size() > 2)
        return std::nullopt;
    bool ok = false;
    const int value = digits.toInt(&ok, 16);
    if (!ok || value < minimum() || value > maximum())
        return std::nullopt;
    return value;
}

QString HexSpinBox::textFromValue(int value) const
{
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

int HexSpinBox::valueFromText(const QString &text) const
{
    // Only text that validate() accepted comes here; anything else keeps the value.
    return byteOf(text).value_or(value());
}

QValidator::State HexSpinBox::validate(QString &text, int &) const
{
    if (digitsOf(text).isEmpty())
        return QValidator::Intermediate; // on the way to a number
    return byteOf(text) ? QValidator::Acceptable : QValidator::Invalid;
}

void HexSpinBox::keyPressEvent(QKeyEvent *event)
{
    // Enter on a field that names no byte takes nothing: the spin box would put the old
    // value back and let the key go on (a dialog's default button would act on it).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !hasAcceptableInput()) {
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

} // namespace krelin
