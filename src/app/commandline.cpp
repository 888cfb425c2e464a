#include "commandline.h"
#include "commandline_p.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QStandardPaths>

namespace trevanto {

namespace {

struct QtOption
{
    const char *name;
    bool takesValue;
};

// The options QApplication and its platform plugins read, without their leading dash;
// Qt takes each with one dash or two, and a value always from the next argument, even
// one starting with a dash. From "display" on they are X11's: the xcb platform reads
// -display, -geometry, -title, -icon, -name, -visual, -nograb and -dograb; the older X
// toolkit options after them are let through so that a launcher passing them still
// starts the program, and Qt ignores them.
constexpr QtOption QtOptions[] = {
    {"platform", true},        {"platformpluginpath", true}, {"platformtheme", true},
    {"plugin", true},          {"qwindowgeometry", true},    {"qwindowicon", true},
    {"qwindowtitle", true},    {"reverse", false},           {"session", true},
    {"style", true},           {"stylesheet", true},         {"widgetcount", false},
    {"testability", false},    {"qmljsdebugger", true},      {"display", true},
    {"geometry", true},        {"title", true},              {"icon", true},
    {"name", true},            {"visual", true},             {"nograb", false},
    {"dograb", false},         {"sync", false},              {"ncols", true},
    {"cmap", false},           {"fn", true},                 {"font", true},
    {"bg", true},              {"background", true},         {"fg", true},
    {"foreground", true},      {"btn", true},                {"button", true},
    {"im", true},              {"inputstyle", true},
};

// The options Qt also reads as -option=value, in one argument.
constexpr const char *QtOptionsWithEquals[] = {"style", "stylesheet", "qmljsdebugger"};

const char *const HelpText =
    "Uso: trevanto [OPÇÃO]...\n"
    "Desenha o percurso de um rali de bússola. Digite os trechos da planilha do rali,\n"
    "cada um com a sua direção em graus e a sua metragem, e o Trevanto traça o\n"
    "percurso na janela a partir do marco de início.\n"
    "\n"
    "O trabalho é gravado em trevanto.ini, na pasta do programa quando ela aceita\n"
    "gravação e o programa não foi instalado no sistema, senão em %1.\n"
    "Um arquivo de trabalho que não pode ser lido inteiro é guardado ao lado dele\n"
    "como trevanto.ini.bak antes de ser substituído.\n"
    "\n"
    "Opções:\n"
    "  -h, --help       mostra esta ajuda e sai\n"
    "  -v, --version    mostra a versão e sai\n"
    "\n"
    "Valem também as opções próprias do Qt, como -platform NOME, -style NOME e\n"
    "-reverse.";

// The work file in the user's data folder, where the program puts it when its own
// folder takes no writing or it is installed: Qt's AppDataLocation, which follows
// XDG_DATA_HOME (on Windows, %APPDATA%). It reads only the environment and the names
// main() gives before anything else, so it needs neither QApplication nor a display.
// The home folder is written as ~ where paths are written with "/".
QString userWorkFile()
{
    const QString path = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                                 .filePath(QStringLiteral("trevanto.ini"));
    const QString home = QDir::homePath();
    if (QDir::separator() == u'/' && home != u'/' && path.startsWith(home + u'/'))
        return u'~' + path.sliced(home.size());
    return QDir::toNativeSeparators(path);
}

CommandLineDecision finish(int status, const QString &output)
{
    return {false, status, output};
}

// One line on standard error: the problem, then where to look.
CommandLineDecision refuse(const QString &problem)
{
    return finish(2, QStringLiteral("trevanto: %1; veja \"trevanto --help\".\n").arg(problem));
}

QString quoted(QByteArrayView argument)
{
    return u'"' + QString::fromLocal8Bit(argument) + u'"';
}

// Strips the extra dash Qt allows: Qt reads --platform as -platform.
QByteArrayView withOneDash(QByteArrayView argument)
{
    return argument.startsWith("--") ? argument.sliced(1) : argument;
}

// The Qt option the argument names, or nullptr.
const QtOption *findQtOption(QByteArrayView argument)
{
    const QByteArrayView name = withOneDash(argument).sliced(1);
    for (const QtOption &option : QtOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

// Whether the argument is Qt's -style option, with its value apart or after "=".
bool isStyleOption(QByteArrayView argument)
{
    const QByteArrayView name = withOneDash(argument).sliced(1);
    return name == "style" || name.startsWith("style=");
}

bool isQtOptionWithEquals(QByteArrayView argument)
{
    const QByteArrayView nameAndValue = withOneDash(argument).sliced(1);
    for (const char *name : QtOptionsWithEquals) {
        const QByteArrayView prefix(name);
        if (nameAndValue.startsWith(prefix) && nameAndValue.sliced(prefix.size()).startsWith('='))
            return true;
    }
    return false;
}

} // namespace

CommandLineDecision decideCommandLine(int argc, const char *const *argv)
{
    CommandLineDecision decision;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (optionsEnded || !argument.startsWith('-') || argument == "-")
            return refuse(QStringLiteral("argumento inesperado %1 (o programa não abre arquivos)")
                              .arg(quoted(argument)));
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return finish(0, QString::fromUtf8(HelpText).arg(userWorkFile())
                                     + QString::fromUtf8(HelpTextEnd));
        } else if (argument == "-v" || argument == "--version") {
            return finish(0, QStringLiteral("trevanto " TREVANTO_VERSION "\n"));
        } else if (const QtOption *option = findQtOption(argument)) {
            if (option->takesValue && ++i == argc)
                return refuse(QStringLiteral("falta o valor da opção %1").arg(quoted(argument)));
            decision.styleAsked = decision.styleAsked || isStyleOption(argument);
        } else if (isQtOptionWithEquals(argument)) {
            decision.styleAsked = decision.styleAsked || isStyleOption(argument);
        } else {
            return refuse(QStringLiteral("opção desconhecida %1").arg(quoted(argument)));
        }
    }
    return decision;
}

} // namespace trevanto
