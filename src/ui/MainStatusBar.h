#pragma once

#include "edit/StatusText.h"

#include <QStatusBar>

class QLabel;

namespace krelin {

// The main window's status bar: on the left what lies under the pointer, on the right
// where the user is (stage, frame, page and selected metatile). It only shows the texts
// it is given.
class MainStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit MainStatusBar(QWidget *parent = nullptr);

    void showPlace(const PlaceTexts &place);
    // Empty while the pointer is over neither the level map nor the metatile table.
    void showPointer(const QString &text);

    QLabel *lblPointer;
    QLabel *lblStage;
    QLabel *lblFrame;
    QLabel *lblPage;
    QLabel *lblMetaTile;
};

} // namespace krelin
