#pragma once

#include <QString>

class Form1;

namespace trevanto {

// Gives every control of the main window a name and a description for screen
// readers, and makes the window's accessible interface report the bearing labels
// of the plot, which are painted on the surface rather than being widgets, as
// children of the window after its controls: one static text per visible label,
// named after its leg and its text. Called once, at the end of the window's
// construction.
void describeForAccessibility(Form1 &form);

// Returns the name a screen reader gives the bearing label of leg `legNumber`
// (counted from 1) whose text is `text`: "Trecho 3: 120".
QString bearingLabelName(int legNumber, const QString &text);

} // namespace trevanto
