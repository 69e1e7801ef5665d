#pragma once

#include <QSpinBox>

#include <optional>

namespace krelin {

// A spin box for a byte, shown and typed as two hexadecimal digits ("3C"; "$3C" and lower
// case are taken too), between the prefix and suffix it is given ("Metatile 3C"). It reads
// back exactly what it shows. Text that names no byte in its range is refused as it is
// typed, and Enter on a field left empty is refused too: the value is never guessed
// (never 0 for text it cannot read). Without keyboard tracking its value is taken when
// the typing is done (Enter, or the focus moving on), not at every digit; the arrows, the
// arrow keys and the wheel take effect at once.
class HexSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit HexSpinBox(const QString &name, QWidget *parent = nullptr);

    // The byte that text names, with the field's prefix and suffix around it or not, or
    // nothing when it names none in the field's range.
    std::optional<int> byteOf(const QString &text) const;

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &pos) const override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The typed digits: the text without prefix, suffix, blanks and a leading "$".
    QString digitsOf(const QString &text) const;
};

} // namespace krelin
