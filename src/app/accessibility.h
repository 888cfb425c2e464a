#pragma once

class Form1;
class QObject;

namespace trevanto {

// Gives every control of the main window a name and a description for screen readers,
// and keeps the window's accessible children in step with the bearing labels of the
// plot. Called once, at the end of the window's construction.
void describeForAccessibility(Form1 &form);

// Whether `object` is one of the main window's decorative controls, which screen
// readers are not shown: the two rules of the header and the drag outline.
bool isDecorative(const QObject &object);

} // namespace trevanto
