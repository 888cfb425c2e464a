// trevanto.com: the program's face in a console. Typed as "trevanto" in a console (cmd),
// this is what runs, since cmd tries .com before .exe: it starts trevanto.exe beside it
// with the same arguments and the same standard input, output and error, waits for it
// and ends with its status. A windowed program's output would otherwise reach the
// console after the prompt had come back, and its status would not reach %ERRORLEVEL%.
// Started on its own (a console of its own, opened for it), it starts the program and
// ends at once, so that no empty console stays open beside the window.
//
// Only the system's own kernel32 is used: no C++ library, no Qt.

#include <windows.h>

namespace {

// The command line after the program's own name, as it was typed: the name ends at its
// closing quote when it starts with one, else at the first blank.
const wchar_t *argumentsOf(const wchar_t *commandLine)
{
    const wchar_t *p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

void inheritable(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle && handle != INVALID_HANDLE_VALUE)
        ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

// Ctrl+C and Ctrl+Break reach the program too, which saves and ends: this one waits for
// it, to hand on its status.
BOOL WINAPI keepWaiting(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

void say(const wchar_t *text)
{
    DWORD written = 0;
    ::WriteConsoleW(::GetStdHandle(STD_ERROR_HANDLE), text, DWORD(::lstrlenW(text)), &written, nullptr);
}

} // namespace

int main()
{
    // trevanto.exe beside this program, by its full name.
    wchar_t program[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, program, 32768 - 4);
    if (length < 4 || length >= 32768 - 4) {
        say(L"trevanto: o programa n\u00e3o encontra a pr\u00f3pria pasta.\r\n");
        return 1;
    }
    ::lstrcpyW(program + length - 4, L".exe");

    // "program" arguments: the quoted name, then the arguments as they came.
    static wchar_t commandLine[32768 + 32768];
    ::lstrcpyW(commandLine, L"\"");
    ::lstrcatW(commandLine, program);
    ::lstrcatW(commandLine, L"\"");
    const wchar_t *arguments = argumentsOf(::GetCommandLineW());
    if (*arguments) {
        if (DWORD(::lstrlenW(arguments)) > 32763 - length) {
            say(L"trevanto: linha de comando longa demais.\r\n");
            return 2;
        }
        ::lstrcatW(commandLine, L" ");
        ::lstrcatW(commandLine, arguments);
    }

    // The program writes where this one does: into the console, or a file or pipe.
    inheritable(STD_INPUT_HANDLE);
    inheritable(STD_OUTPUT_HANDLE);
    inheritable(STD_ERROR_HANDLE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        say(L"trevanto: n\u00e3o foi poss\u00edvel iniciar trevanto.exe.\r\n");
        return 1;
    }
    ::CloseHandle(process.hThread);

    // A console made for this program alone (opened from Explorer) goes with it.
    DWORD consoleProcesses[2];
    DWORD mode = 0;
    if (::GetConsoleProcessList(consoleProcesses, 2) == 1 && ::GetConsoleMode(startup.hStdOutput, &mode)) {
        ::CloseHandle(process.hProcess);
        return 0;
    }

    // Set after the start, so that the program does not inherit it.
    ::SetConsoleCtrlHandler(keepWaiting, TRUE);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    return int(status);
}
