#pragma once

#include <QString>

class Form1;

namespace trevanto {

// Makes screen readers see the main window through an interface of its own: a frame,
// whose children are its controls but the decorative ones (see isDecorative), then
// the bearing labels of the plot, painted on the surface rather than being widgets:
// one static text per visible label, named after its leg. Called before the first
// window is built.
void installPlotWindowAccessibility();

// Tells screen readers that a redraw has made the window's bearing labels again; the
// label of a leg included since the last redraw is announced as a new child of the
// window, that of a leg deleted as a child gone.
void bearingLabelsChanged(Form1 &form);

// Returns the name a screen reader gives the label of leg `legNumber` (counted from 1)
// with the texts of its bearing and distance: "Trecho 3: 180º, 150 m".
QString legName(int legNumber, const QString &bearing, const QString &distance);

} // namespace trevanto
