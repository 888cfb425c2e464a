#include "console.h"

namespace trevanto {

void useParentConsole()
{
    // A program started from a terminal writes into it already.
}

void writeText(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

} // namespace trevanto
