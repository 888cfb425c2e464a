#pragma once

namespace trevanto {

// Gives the program the look its window was laid out in, unless the user asked for a
// style: `styleAsked` on the command line (-style, which QApplication takes out of the
// arguments it keeps), or QT_STYLE_OVERRIDE. The lists are 41 and 49 pixels wide: a
// style with a wide scroll bar and wide item margins, as Windows' own, leaves no room
// for "318". Call it once QApplication exists.
void useProgramStyle(bool styleAsked);

} // namespace trevanto
