#pragma once

#include <QLabel>
#include <QStringList>

namespace krelin {

// A one-line label in a space it does not choose (a status bar field between others): of
// the texts it is given, longest first, it shows the first that fits its width, and the
// last cut short with "…" when none does; never a text cut without a sign. The first,
// whole, is its tool-tip.
class FittedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittedLabel(const QString &name, QWidget *parent = nullptr);

    void setTexts(const QStringList &longestFirst);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    QStringList texts;
};

// text as it fits in width pixels of font metrics: whole, or cut short with "…".
QString ElidedText(const QFontMetrics &metrics, const QString &text, int width);

} // namespace krelin
