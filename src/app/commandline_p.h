#pragma once

namespace trevanto {

// What --help says after the options, which differs by system: where to read more, and
// the line's end.
extern const char *const HelpTextEnd;

} // namespace trevanto
