#pragma once

#include <QString>

class Form1;

namespace trevanto {

// Makes screen readers see the main window through an interface of its own, which
// reports the bearing labels of the plot, painted on the surface rather than being
// widgets, as children of the window after its controls: one static text per visible
// label, named after its leg and its text. Called before the first window is built.
void installPlotWindowAccessibility();

// Tells screen readers that a redraw has made the window's bearing labels again.
void bearingLabelsChanged(Form1 &form);

// Returns the name a screen reader gives the bearing label of leg `legNumber`
// (counted from 1) whose text is `text`: "Trecho 3: 120".
QString bearingLabelName(int legNumber, const QString &text);

} // namespace trevanto
