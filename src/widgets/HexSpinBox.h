#pragma once

#include <QSpinBox>

namespace krelin {

// A spin box for a byte, shown and typed as two hexadecimal digits ("3C"; "$3C" and
// lower case are taken too). Its value is taken when the typing is done (Enter, or the
// focus moving on), not at every digit; the arrows, the arrow keys and the wheel take
// effect at once.
class HexSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit HexSpinBox(const QString &name, QWidget *parent = nullptr);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &pos) const override;
};

} // namespace krelin
