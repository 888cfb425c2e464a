#include "weblink.h"

#include "workfile/installation.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <string>

#include <windows.h>

namespace trevanto {

bool DesktopLauncher::startProgram(const QString &commandLine, int windowStyle)
{
    // The command line names its program without quotes, spaces in its folder names and
    // all. Windows would try "C:\Arquivos.exe" and the like first, which anyone able to
    // write there could plant; the program is named here instead: the longest beginning
    // of the line, up to a space, that is a file.
    QString program;
    const QStringList words = commandLine.split(u' ');
    for (qsizetype count = words.size(); count >= 1 && program.isEmpty(); --count) {
        const QString candidate = words.first(count).join(u' ');
        if (QFileInfo(candidate).isFile())
            program = QDir::toNativeSeparators(candidate);
    }
    // Only a program in the system's Program Files folders, which ordinary users cannot
    // write, is started, and by its real path: a folder of the same name elsewhere, such
    // as "C:\Arquivos de programas" on a Windows in another language, may be anyone's.
    if (!program.isEmpty())
        program = pathInSystemProgramFolders(program);
    if (program.isEmpty())
        return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(windowStyle);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine.toStdWString(); // CreateProcessW may write into it
    if (!::CreateProcessW(reinterpret_cast<const wchar_t *>(program.utf16()), line.data(), nullptr, nullptr, FALSE,
                          0, nullptr, nullptr, &startup, &process))
        return false;
    // Not waited for, nor looked at again.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

} // namespace trevanto
