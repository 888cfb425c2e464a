#pragma once

#include <QString>

#include <cstdio>

namespace trevanto {

// Writes standard output and standard error into the console the program was started
// from, where the system runs a windowed program apart from it (Windows), so that
// --help and the messages of a closing program are read where they were asked for.
// Nothing happens where the console is the program's own already.
void useParentConsole();

// Writes the text on the stream (standard output or error) so that it reads right
// there: in the terminal's or console's own characters, or UTF-8 into a file or pipe.
void writeText(std::FILE *stream, const QString &text);

} // namespace trevanto
