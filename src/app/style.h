#pragma once

class QApplication;

namespace trevanto {

// Gives the program the look its window was laid out in, unless the user asked for a
// style (-style, QT_STYLE_OVERRIDE). The lists are 41 and 49 pixels wide: a style with
// a wide scroll bar and wide item margins, as Windows' own, leaves no room for "318".
void useProgramStyle(QApplication &app);

} // namespace trevanto
