#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace krelin {

class Desktop;
class Preferences;

// The Player page of the Preferences: the NES cores found in the system's libretro folders,
// and the core file to play with (empty: the first found). Choosing a core in the list
// names it.
class PlayerPreferencesPage : public QWidget
{
    Q_OBJECT

public:
    PlayerPreferencesPage(Desktop &desktop, QWidget *parent = nullptr);

    QListWidget *lstCores;
    QLineEdit *txtCore;
    QPushButton *cmdBrowseCore;

    // The controls from the preferences as they are (the list found afresh), and back.
    void load(const Preferences &preferences);
    void apply(Preferences &preferences) const;

private:
    Desktop &desktop;
};

} // namespace krelin
