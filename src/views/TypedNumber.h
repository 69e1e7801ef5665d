#pragma once

#include <QElapsedTimer>

#include <optional>

class QKeyEvent;

namespace krelin {

// A metatile number typed as two hexadecimal digits on a view that has the keyboard's
// focus ("2F"). The first digit waits for the second a short while; any other key
// forgets it.
//
// A digit that is also a key of the window (B chooses Paint, F chooses Fill) does what
// that key does when it comes first; the view hears of it before the window acts on it
// (shortcutOverride) and takes it as a first digit all the same. Only the second digit is
// kept from the window's keys, so "B5" selects metatile B5, and the view may undo what the
// B did (the tool it chose).
class TypedNumber
{
public:
    static constexpr int WaitMs = 1500;

    // A key is about to reach the window's shortcuts: true when the view takes it as the
    // second digit instead. A possible first digit is noted.
    bool shortcutOverride(const QKeyEvent *event);
    // A key reached the view. Returns the number once both digits are in; digit is set
    // when the key was a digit at all (the view then does nothing else with it).
    std::optional<int> keyPressed(const QKeyEvent *event, bool *digit);
    // The first digit came through a window key, whose effect the view may undo.
    bool firstDigitWasShortcut() const { return viaShortcut; }
    void forget();

    // The value of a key as a hexadecimal digit without modifiers (Shift aside), or -1.
    static int digitOf(const QKeyEvent *event);

private:
    bool pending() const;

    std::optional<int> first;
    QElapsedTimer typed;
    bool viaShortcut = false; // the first digit was noted as it went to the window's keys
    bool pressExpected = false; // ... and its own key press may still arrive
};

} // namespace krelin
