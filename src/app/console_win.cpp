#include "console.h"

#include <io.h>
#include <windows.h>

namespace trevanto {

namespace {

bool isUnset(std::FILE *stream)
{
    return ::_fileno(stream) < 0 || ::_get_osfhandle(::_fileno(stream)) < 0;
}

} // namespace

void useParentConsole()
{
    // A windowed program has no console of its own; one started from a console window
    // joins it, and so hears that console's Ctrl+C and its closing too.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // Output already sent elsewhere (into a file, a pipe) stays there.
    if (isUnset(stdout))
        std::freopen("CONOUT$", "w", stdout);
    if (isUnset(stderr))
        std::freopen("CONOUT$", "w", stderr);
}

void writeText(std::FILE *stream, const QString &text)
{
    std::fflush(stream);
    if (!isUnset(stream)) {
        const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
        DWORD mode = 0;
        // A console takes the text itself, whatever its code page.
        if (::GetConsoleMode(handle, &mode)) {
            DWORD written = 0;
            ::WriteConsoleW(handle, text.utf16(), DWORD(text.size()), &written, nullptr);
            return;
        }
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace trevanto
