// The help window, run modal as Ajuda... runs it, and the web link behind the logo.

// Clicks go through the window system, as a user's do, so a window that a modal window
// blocks does not get them.
#define QTEST_QPA_MOUSE_HANDLING

#include "help/form2.h"
#include "help/weblink.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace trevanto;

namespace {

// The lines from top to bottom.
const QStringList LineNames = {QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("Label3"),
                               QStringLiteral("Label5"), QStringLiteral("Label4"), QStringLiteral("Label6")};

// Runs the dialog modal and calls whileOpen with the window that is modal at that moment
// once it is active. A window whileOpen leaves open is closed afterwards, so a failing
// test cannot hang; the result is then -2.
int runModal(QDialog &dialog, const std::function<void(QDialog *)> &whileOpen)
{
    QTimer::singleShot(0, &dialog, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (modal == &dialog && QTest::qWaitForWindowActive(modal))
            whileOpen(modal);
        if (dialog.isVisible())
            dialog.done(-2);
    });
    return dialog.exec();
}

QPushButton *fechar(QWidget *window)
{
    return window->findChild<QPushButton *>(QStringLiteral("Command1"));
}

// Records every request the web link makes, in order.
class RecordingLauncher : public ProgramLauncher
{
public:
    QStringList existing;
    bool startsWork = true;
    bool urlWorks = true;
    mutable QStringList calls;

    bool fileExists(const QString &path) const override
    {
        calls << QStringLiteral("exists? ") + path;
        return existing.contains(path);
    }
    bool startProgram(const QString &commandLine, int windowStyle) override
    {
        calls << QStringLiteral("start %1: ").arg(windowStyle) + commandLine;
        return startsWork;
    }
    bool openUrl(const QUrl &url) override
    {
        calls << QStringLiteral("open ") + url.toString();
        return urlWorks;
    }
};

const QString Path1 = QStringLiteral("C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe");
const QString Path2 = QStringLiteral("C:\\program files\\Internet Explorer\\iexplore.exe");
const QString Start1 = QStringLiteral("start 2: ") + Path1 + QStringLiteral(" www.pervona.org.br");
const QString Start2 = QStringLiteral("start 2: ") + Path2 + QStringLiteral(" www.pervona.org.br");
const QString OpenSite = QStringLiteral("open http://www.pervona.org.br");

} // namespace

Q_DECLARE_METATYPE(SiteOpening)

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void showsItsLinesAndButton_data();
    void showsItsLinesAndButton();
    void closesOnlyOnFechar_data();
    void closesOnlyOnFechar();
    void blocksEveryOtherWindowWhileOpen();

    void openingTheSite_data();
    void openingTheSite();
    void desktopLauncherReportsWhatItCannotDo();
};

void TestHelp::showsItsLinesAndButton_data()
{
    QTest::addColumn<int>("pixelSize");
    // The lines were laid out for a narrow font: at 9 pixels every line fits the designed
    // width; a wider font widens the window to the longest line.
    QTest::newRow("narrow font -> 590 x 167, Fechar at 488, 120") << 9;
    QTest::newRow("wide font -> wider, longest line whole") << 16;
}

void TestHelp::showsItsLinesAndButton()
{
    QFETCH(int, pixelSize);
    const QFont programFont = QApplication::font();
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(pixelSize);
    QApplication::setFont(font);
    bool seen = false;
    Form2 dialog;
    runModal(dialog, [&](QDialog *help) {
        seen = true;
        QCOMPARE(help->windowTitle(), QStringLiteral("Ajuda"));
        QVERIFY(help->isModal());
        QVERIFY(!(help->windowFlags() & Qt::WindowContextHelpButtonHint));
        const QStringList expected = {
            QStringLiteral("Digite na caixa \"Direção\" os graus de bússola na sequência correta de acordo com a "
                           "planilha."),
            QStringLiteral("Para cada grau de bússola digitado, informe na caixa \"Metragem\" a quantidade de metros "
                           "que deve ser percorrida."),
            QStringLiteral("Você pode arrastar o marco de início (quadrado vermelho) para melhor visualizar o "
                           "gráfico."),
            QStringLiteral("Para aumentar ou diminuir o gráfico utilize o comando de Zoom."),
            QStringLiteral("Você também pode aumentar e diminuir a área de trabalho."),
            QStringLiteral("Ao finalizar o programa automaticamente grava o seu trabalho."),
        };
        // Top to bottom, 24 pixels apart at the same left edge, each whole on one line and
        // clear of the right margin.
        int widest = 0;
        for (int i = 0; i < LineNames.size(); ++i) {
            const QLabel *label = help->findChild<QLabel *>(LineNames.at(i));
            QVERIFY2(label && label->isVisible(), qPrintable(LineNames.at(i)));
            QCOMPARE(label->text(), expected.at(i));
            QCOMPARE(label->pos(), QPoint(24, 16 + 24 * i));
            const QFontMetrics metrics(label->font());
            QVERIFY(label->width() >= metrics.horizontalAdvance(label->text()));
            QVERIFY(label->height() < 2 * metrics.lineSpacing() && label->geometry().bottom() < 16 + 24 * (i + 1));
            widest = qMax(widest, label->geometry().right() + 1);
        }
        // The size fits the longest line and is fixed; Fechar stands at the right, level
        // with the fifth and sixth lines, and holds the only focus.
        const int width = qMax(590, widest + 24);
        QCOMPARE(help->size(), QSize(width, 167));
        QCOMPARE(help->minimumSize(), help->size());
        QCOMPARE(help->maximumSize(), help->size());
        if (pixelSize == 9)
            QCOMPARE(width, 590);
        else
            QVERIFY(width > 590);
        QPushButton *button = fechar(help);
        QCOMPARE(button->text(), QStringLiteral("Fechar"));
        QCOMPARE(button->geometry(), QRect(width - 102, 120, 81, 25));
        QCOMPARE(QApplication::focusWidget(), button);
        for (QWidget *child : help->findChildren<QWidget *>())
            QVERIFY2(child == button || child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
    });
    QApplication::setFont(programFont);
    QVERIFY(seen);
}

void TestHelp::closesOnlyOnFechar_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("closes");
    // There is no default and no cancel button: Enter, Return and Escape press nothing.
    QTest::newRow("click on Fechar closes") << "click" << true;
    QTest::newRow("Space on Fechar closes") << "space" << true;
    QTest::newRow("close request closes") << "close" << true;
    QTest::newRow("Enter leaves it open") << "enter" << false;
    QTest::newRow("Return leaves it open") << "return" << false;
    QTest::newRow("Escape leaves it open") << "escape" << false;
}

void TestHelp::closesOnlyOnFechar()
{
    QFETCH(QString, action);
    QFETCH(bool, closes);
    Form2 dialog;
    bool ran = false;
    const int result = runModal(dialog, [&](QDialog *help) {
        ran = true;
        QPushButton *button = fechar(help);
        if (action == u"click")
            QTest::mouseClick(button, Qt::LeftButton);
        else if (action == u"close")
            help->close();
        else
            QTest::keyClick(button, action == u"space" ? Qt::Key_Space
                                    : action == u"enter" ? Qt::Key_Enter
                                    : action == u"return" ? Qt::Key_Return
                                                          : Qt::Key_Escape);
    });
    QVERIFY(ran);
    QCOMPARE(result, closes ? int(QDialog::Rejected) : -2);
    QVERIFY(!dialog.isVisible());
}

void TestHelp::blocksEveryOtherWindowWhileOpen()
{
    // The help window's owner, and a window of the program that is not its parent.
    QWidget owner, other;
    auto *ownerButton = new QPushButton(QStringLiteral("Ajuda..."), &owner);
    auto *otherButton = new QPushButton(QStringLiteral("FIM"), &other);
    for (QWidget *window : {&owner, &other}) {
        window->resize(300, 200);
        window->move(window == &owner ? 0 : 400, 0);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    QSignalSpy ownerClicks(ownerButton, &QPushButton::clicked);
    QSignalSpy otherClicks(otherButton, &QPushButton::clicked);
    int clicksWhileOpen = -1;
    {
        Form2 dialog(&owner);
        const int result = runModal(dialog, [&](QDialog *help) {
            QTest::mouseClick(ownerButton, Qt::LeftButton);
            QTest::mouseClick(otherButton, Qt::LeftButton);
            clicksWhileOpen = int(ownerClicks.count() + otherClicks.count());
            QTest::mouseClick(fechar(help), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }
    QCOMPARE(clicksWhileOpen, 0);
    QTest::mouseClick(ownerButton, Qt::LeftButton);
    QTest::mouseClick(otherButton, Qt::LeftButton);
    QCOMPARE(ownerClicks.count() + otherClicks.count(), 2);
}

void TestHelp::openingTheSite_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("startsWork");
    QTest::addColumn<bool>("urlWorks");
    QTest::addColumn<QStringList>("expectedStarts");
    QTest::addColumn<SiteOpening>("expectedOutcome");

    const QStringList both = {Path1, Path2};
    QTest::newRow("both browsers present -> first command line only")
            << both << true << true << QStringList{Start1} << SiteOpening::StartedBrowser1;
    QTest::newRow("only the second present -> second command line")
            << QStringList{Path2} << true << true << QStringList{Start2} << SiteOpening::StartedBrowser2;
    QTest::newRow("neither present -> default browser on the site")
            << QStringList{} << true << true << QStringList{OpenSite} << SiteOpening::OpenedDefaultBrowser;
    QTest::newRow("paths differing in case or quoting do not count")
            << QStringList{QStringLiteral("C:\\Program Files\\Internet Explorer\\iexplore.exe"), u'"' + Path1 + u'"'}
            << true << true << QStringList{OpenSite} << SiteOpening::OpenedDefaultBrowser;
    // A browser file that is there but does not start is passed over like a missing one.
    QTest::newRow("both present, neither starts -> default browser")
            << both << false << true << QStringList{Start1, Start2, OpenSite} << SiteOpening::OpenedDefaultBrowser;
    QTest::newRow("nothing works -> nothing opened, nothing more tried")
            << both << false << false << QStringList{Start1, Start2, OpenSite} << SiteOpening::NothingOpened;
}

void TestHelp::openingTheSite()
{
    QFETCH(QStringList, existing);
    QFETCH(bool, startsWork);
    QFETCH(bool, urlWorks);
    QFETCH(QStringList, expectedStarts);
    QFETCH(SiteOpening, expectedOutcome);

    RecordingLauncher launcher;
    launcher.existing = existing;
    launcher.startsWork = startsWork;
    launcher.urlWorks = urlWorks;
    QCOMPARE(openOrganisationSite(launcher), expectedOutcome);
    // The first place is looked at first; then only what was started counts.
    QCOMPARE(launcher.calls.value(0), QStringLiteral("exists? ") + Path1);
    QStringList starts = launcher.calls;
    starts.removeIf([](const QString &call) { return call.startsWith(QStringLiteral("exists? ")); });
    QCOMPARE(starts, expectedStarts);
}

void TestHelp::desktopLauncherReportsWhatItCannotDo()
{
    DesktopLauncher launcher;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("browser"));
    QFile browser(file);
    QVERIFY(browser.open(QIODevice::WriteOnly));
    browser.close();
    QVERIFY(launcher.fileExists(file));
    QVERIFY(!launcher.fileExists(folder.path())); // a folder is not a browser file
    QVERIFY(!launcher.fileExists(folder.filePath(QStringLiteral("missing"))));
    QVERIFY(!launcher.startProgram(QString(), kMinimizedFocus));
    QVERIFY(!launcher.startProgram(folder.filePath(QStringLiteral("missing")) + QStringLiteral(" www.pervona.org.br"),
                                   kMinimizedFocus));
    // On this platform the fixed browser places are not files, so the link goes on to the
    // default browser without starting anything.
    QVERIFY(!launcher.fileExists(kBrowserPath1) && !launcher.fileExists(kBrowserPath2));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
