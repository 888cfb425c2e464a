#pragma once

class Form1;

namespace trevanto {

// Gives every control of the main window a name and a description for screen readers,
// and keeps the window's accessible children in step with the bearing labels of the
// plot. Called once, at the end of the window's construction.
void describeForAccessibility(Form1 &form);

} // namespace trevanto
