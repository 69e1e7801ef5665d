#include "HexSpinBox.h"

namespace krelin {

namespace {

// The digits of a typed text, without a leading "$" and surrounding blanks.
QString digitsOf(const QString &text)
{
    QString digits = text.trimmed();
    if (digits.startsWith(u'$'))
        digits.remove(0, 1);
    return digits;
}

} // namespace

HexSpinBox::HexSpinBox(const QString &name, QWidget *parent)
    : QSpinBox(parent)
{
    setObjectName(name);
    setRange(0, 255);
    setDisplayIntegerBase(16);
    setKeyboardTracking(false);
    setAccelerated(false);
}

QString HexSpinBox::textFromValue(int value) const
{
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

int HexSpinBox::valueFromText(const QString &text) const
{
    return digitsOf(text).toInt(nullptr, 16);
}

QValidator::State HexSpinBox::validate(QString &text, int &) const
{
    const QString digits = digitsOf(text);
    if (digits.isEmpty())
        return QValidator::Intermediate;
    bool ok = false;
    const int value = digits.toInt(&ok, 16);
    if (!ok || digits.size() > 2)
        return QValidator::Invalid;
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Invalid;
}

} // namespace krelin
