#pragma once

#include "core/ImageDiff.h"

#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace krelin {

// View > Differences: a tool window of the main window that lists what differs between
// the open image and the one it is compared with, stage by stage: a frame's cells and
// room, metatiles, tiles and palette entries, then the bytes no stage reads. A click on an
// entry asks to go there (placeChosen); entries that are no place (the other bytes) ask
// nothing. Its owner gives it the comparison afresh after every change.
class DifferencesWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DifferencesWindow(QWidget *parent = nullptr);

    // Lists the comparison of the open image (B) with the image named reference (A). The
    // stages the user opened stay open, and so does the entry selected.
    void showDifferences(const ImageDiff &diff, const QString &reference);
    // Selects the entry of the place (a frame's entry for its cells and room), if listed.
    void selectPlace(const DiffPlace &place);

    QTreeWidget *list() const { return tvDifferences; }

    // The place an entry goes to, or nothing for one that is no place.
    static std::optional<DiffPlace> placeOf(const QTreeWidgetItem *item);

signals:
    void placeChosen(krelin::DiffPlace place);

private:
    QLabel *lblSummary;
    QTreeWidget *tvDifferences;
};

} // namespace krelin
