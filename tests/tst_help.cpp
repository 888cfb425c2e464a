// Clicks go through the window system, as a user's do, so a window that a modal
// window blocks does not get them.
#define QTEST_QPA_MOUSE_HANDLING

#include "help/form2.h"
#include "help/organisation.h"
#include "help/weblink.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace trevanto;

namespace {

const QStringList kLineNames = {
    QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("Label3"),
    QStringLiteral("Label5"), QStringLiteral("Label4"), QStringLiteral("Label6"),
};

// What the help window shows while it is open.
struct HelpView
{
    bool found = false;
    QString caption;
    QSize clientSize;
    QSize minimumSize;
    QSize maximumSize;
    QStringList texts;       // in the order of kLineNames
    QList<QRect> lineRects;  // in the order of kLineNames
    QStringList fullyShown;  // lines whose whole text fits their label on one line
    QStringList cutOff;      // lines reaching into the right margin or beyond the window
    QRect buttonRect;
    QString buttonText;
    QString focusName;
    QStringList focusTakers;
};

HelpView look(QWidget *window)
{
    HelpView view;
    auto *dialog = qobject_cast<Form2 *>(window);
    if (!dialog)
        return view;
    view.found = true;
    if (!QTest::qWaitForWindowActive(dialog))
        return view;
    view.caption = dialog->windowTitle();
    view.clientSize = dialog->size();
    view.minimumSize = dialog->minimumSize();
    view.maximumSize = dialog->maximumSize();
    for (const QString &name : kLineNames) {
        auto *label = dialog->findChild<QLabel *>(name);
        if (!label) {
            view.texts << QString();
            view.lineRects << QRect();
            continue;
        }
        view.texts << label->text();
        view.lineRects << label->geometry();
        const QFontMetrics metrics(label->font());
        if (label->width() >= metrics.horizontalAdvance(label->text())
            && label->height() < 2 * metrics.lineSpacing() && label->isVisible())
            view.fullyShown << name;
        if (label->x() + label->width() + 24 > dialog->width())
            view.cutOff << name;
    }
    if (auto *button = dialog->findChild<QPushButton *>(QStringLiteral("Command1"))) {
        view.buttonRect = button->geometry();
        view.buttonText = button->text();
    }
    if (QWidget *focus = QApplication::focusWidget())
        view.focusName = focus->objectName();
    for (QWidget *child : dialog->findChildren<QWidget *>())
        if (child->focusPolicy() != Qt::NoFocus && child->isVisible())
            view.focusTakers << child->objectName();
    return view;
}

// Runs the dialog modal, as the main window does, and calls whileOpen with the
// window that is modal at that moment. A window left open by whileOpen is closed
// afterwards so a failing test cannot hang; stillOpen tells whether that was needed.
struct ModalRun
{
    int result = -1;
    bool sawModal = false;
    bool stillOpen = false;
};

ModalRun runModal(QDialog &dialog, const std::function<void(QWidget *)> &whileOpen)
{
    ModalRun run;
    QTimer::singleShot(0, &dialog, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        run.sawModal = modal == &dialog;
        whileOpen(modal);
        if (dialog.isVisible()) {
            run.stillOpen = true;
            dialog.done(-2);
        }
    });
    run.result = dialog.exec();
    return run;
}

QPushButton *fechar(QWidget *window)
{
    return window ? window->findChild<QPushButton *>(QStringLiteral("Command1")) : nullptr;
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

    QStringList starts() const
    {
        QStringList result;
        for (const QString &call : calls)
            if (!call.startsWith(QStringLiteral("exists? ")))
                result << call;
        return result;
    }
};

const QString kPath1 = QStringLiteral("C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe");
const QString kPath2 = QStringLiteral("C:\\program files\\Internet Explorer\\iexplore.exe");
const QString kStart1 = QStringLiteral(
    "start 2: C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe www.pervona.org.br");
const QString kStart2 = QStringLiteral(
    "start 2: C:\\program files\\Internet Explorer\\iexplore.exe www.pervona.org.br");
const QString kOpenSite = QStringLiteral("open http://www.pervona.org.br");

} // namespace

Q_DECLARE_METATYPE(SiteOpening)

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void showsItsLinesAndButton();
    void sizeFollowsTheLongestLine_data();
    void sizeFollowsTheLongestLine();
    void fecharClosesIt();
    void closeRequestClosesIt();
    void keysOtherThanTheButtonsOwnLeaveItOpen();
    void spaceOnFecharClosesIt();
    void tabKeepsTheFocusOnFechar();
    void secondOpeningLooksTheSame();
    void blocksEveryOtherWindowWhileOpen();

    void openingTheSite_data();
    void openingTheSite();
    void organisationTexts();
    void desktopLauncherReportsWhatItCannotDo();
};

void TestHelp::initTestCase()
{
    // The main window gives the program this default font.
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 8));
}

void TestHelp::showsItsLinesAndButton()
{
    Form2 dialog;
    HelpView view;
    const ModalRun run = runModal(dialog, [&](QWidget *modal) { view = look(modal); });

    QVERIFY(run.sawModal);
    QVERIFY(view.found);
    QCOMPARE(view.caption, QStringLiteral("Ajuda"));
    QCOMPARE(view.clientSize.height(), 167);
    QVERIFY(view.clientSize.width() >= 590);
    QCOMPARE(view.minimumSize, view.clientSize);
    QCOMPARE(view.maximumSize, view.clientSize);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));

    const QStringList expected = {
        QStringLiteral("Digite na caixa \"Direção\" os graus de bússola na sequência correta de "
                       "acordo com a planilha."),
        QStringLiteral("Para cada grau de bússola digitado, informe na caixa \"Metragem\" a "
                       "quantidade de metros que deve ser percorrida."),
        QStringLiteral("Você pode arrastar o marco de início (quadrado vermelho) para melhor "
                       "visualizar o gráfico."),
        QStringLiteral("Para aumentar ou diminuir o gráfico utilize o comando de Zoom."),
        QStringLiteral("Você também pode aumentar e diminuir a área de trabalho."),
        QStringLiteral("Ao finalizar o programa automaticamente grava o seu trabalho."),
    };
    QCOMPARE(view.texts, expected);

    // Top to bottom Label1, Label2, Label3, Label5, Label4, Label6, 24 pixels apart,
    // all at the same left edge, none overlapping the next.
    const QList<int> tops = {16, 40, 64, 88, 112, 136};
    for (int i = 0; i < kLineNames.size(); ++i) {
        const QRect rect = view.lineRects.at(i);
        QVERIFY2(rect.left() == 24, qPrintable(kLineNames.at(i)));
        QVERIFY2(rect.top() == tops.at(i), qPrintable(kLineNames.at(i)));
        if (i + 1 < kLineNames.size())
            QVERIFY2(rect.bottom() < view.lineRects.at(i + 1).top(), qPrintable(kLineNames.at(i)));
    }
    QCOMPARE(view.fullyShown, kLineNames);
    QCOMPARE(view.cutOff, QStringList());

    // Fechar stands at the right, level with the fifth and sixth lines, clear of them.
    QCOMPARE(view.buttonText, QStringLiteral("Fechar"));
    QCOMPARE(view.buttonRect.size(), QSize(81, 25));
    QCOMPARE(view.buttonRect.top(), 120);
    QCOMPARE(view.clientSize.width() - view.buttonRect.x(), 590 - 488);
    for (int i = 0; i < kLineNames.size(); ++i)
        QVERIFY2(!view.lineRects.at(i).intersects(view.buttonRect), qPrintable(kLineNames.at(i)));
    QCOMPARE(view.focusName, QStringLiteral("Command1"));
    QCOMPARE(view.focusTakers, QStringList{QStringLiteral("Command1")});
}

void TestHelp::sizeFollowsTheLongestLine_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("designedSize");

    // The lines were laid out for a narrow 8-point font; at 9 pixels every line fits.
    QTest::newRow("narrow font -> 590 x 167, Fechar at 488, 120") << 9 << true;
    QTest::newRow("wide font -> wider, longest line whole") << 16 << false;
}

void TestHelp::sizeFollowsTheLongestLine()
{
    QFETCH(int, pixelSize);
    QFETCH(bool, designedSize);

    const QFont programFont = QApplication::font();
    QFont font = programFont;
    font.setPixelSize(pixelSize);
    QApplication::setFont(font);
    HelpView view;
    {
        Form2 dialog;
        runModal(dialog, [&](QWidget *modal) { view = look(modal); });
    }
    QApplication::setFont(programFont);

    QVERIFY(view.found);
    QCOMPARE(view.fullyShown, kLineNames);
    QCOMPARE(view.cutOff, QStringList());
    QCOMPARE(view.clientSize.height(), 167);
    if (designedSize) {
        QCOMPARE(view.clientSize, QSize(590, 167));
        QCOMPARE(view.buttonRect, QRect(488, 120, 81, 25));
    } else {
        // No wider than the longest line and its margins need.
        int widest = 0;
        for (const QRect &rect : view.lineRects)
            widest = qMax(widest, rect.x() + rect.width());
        QVERIFY(widest + 24 > 590);
        QCOMPARE(view.clientSize.width(), widest + 24);
        QCOMPARE(view.buttonRect, QRect(view.clientSize.width() - 102, 120, 81, 25));
    }
}

void TestHelp::fecharClosesIt()
{
    Form2 dialog;
    const ModalRun run = runModal(dialog, [](QWidget *modal) {
        if (QPushButton *button = fechar(modal))
            QTest::mouseClick(button, Qt::LeftButton);
    });
    QVERIFY(run.sawModal);
    QVERIFY(!run.stillOpen);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
}

void TestHelp::closeRequestClosesIt()
{
    Form2 dialog;
    const ModalRun run = runModal(dialog, [](QWidget *modal) {
        if (modal)
            modal->close();
    });
    QVERIFY(run.sawModal);
    QVERIFY(!run.stillOpen);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
}

void TestHelp::keysOtherThanTheButtonsOwnLeaveItOpen()
{
    // There is no default and no cancel button: Enter and Escape press nothing.
    Form2 dialog;
    bool openAfterEnter = false;
    bool openAfterReturn = false;
    bool openAfterEscape = false;
    const ModalRun run = runModal(dialog, [&](QWidget *modal) {
        QPushButton *button = fechar(modal);
        if (!button || !QTest::qWaitForWindowActive(modal))
            return;
        QTest::keyClick(button, Qt::Key_Enter);
        openAfterEnter = modal->isVisible();
        QTest::keyClick(button, Qt::Key_Return);
        openAfterReturn = modal->isVisible();
        QTest::keyClick(button, Qt::Key_Escape);
        openAfterEscape = modal->isVisible();
    });
    QVERIFY(run.sawModal);
    QVERIFY(openAfterEnter);
    QVERIFY(openAfterReturn);
    QVERIFY(openAfterEscape);
    QVERIFY(run.stillOpen);
}

void TestHelp::spaceOnFecharClosesIt()
{
    Form2 dialog;
    const ModalRun run = runModal(dialog, [](QWidget *modal) {
        if (!modal || !QTest::qWaitForWindowActive(modal))
            return;
        if (QWidget *focus = QApplication::focusWidget())
            QTest::keyClick(focus, Qt::Key_Space);
    });
    QVERIFY(run.sawModal);
    QVERIFY(!run.stillOpen);
    QCOMPARE(run.result, int(QDialog::Rejected));
}

void TestHelp::tabKeepsTheFocusOnFechar()
{
    Form2 dialog;
    QStringList focusAfterTabs;
    runModal(dialog, [&](QWidget *modal) {
        if (!modal || !QTest::qWaitForWindowActive(modal))
            return;
        for (int i = 0; i < 3; ++i) {
            if (QWidget *focus = QApplication::focusWidget())
                QTest::keyClick(focus, i == 1 ? Qt::Key_Backtab : Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            focusAfterTabs << (focus ? focus->objectName() : QString());
        }
    });
    const QString fecharName = QStringLiteral("Command1");
    QCOMPARE(focusAfterTabs, (QStringList{fecharName, fecharName, fecharName}));
}

void TestHelp::secondOpeningLooksTheSame()
{
    // Each Ajuda... makes a new window on the stack, exactly as the main window does.
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    HelpView first;
    HelpView second;
    {
        Form2 dialog(&owner);
        runModal(dialog, [&](QWidget *modal) {
            first = look(modal);
            if (QPushButton *button = fechar(modal))
                QTest::mouseClick(button, Qt::LeftButton);
        });
    }
    {
        Form2 dialog(&owner);
        runModal(dialog, [&](QWidget *modal) {
            second = look(modal);
            if (modal)
                modal->close();
        });
    }
    QVERIFY(first.found);
    QVERIFY(second.found);
    QCOMPARE(second.texts, first.texts);
    QCOMPARE(second.lineRects, first.lineRects);
    QCOMPARE(second.buttonRect, first.buttonRect);
    QCOMPARE(second.focusName, QStringLiteral("Command1"));
    QVERIFY(owner.findChildren<Form2 *>().isEmpty());
}

void TestHelp::blocksEveryOtherWindowWhileOpen()
{
    QWidget owner;
    auto *ownerButton = new QPushButton(QStringLiteral("Ajuda..."), &owner);
    ownerButton->setGeometry(10, 10, 97, 17);
    owner.resize(300, 200);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    // A window of the program that is not the help window's parent.
    QWidget other;
    auto *otherButton = new QPushButton(QStringLiteral("FIM"), &other);
    otherButton->setGeometry(10, 10, 97, 17);
    other.resize(300, 200);
    other.move(400, 0);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    QSignalSpy ownerClicks(ownerButton, &QPushButton::clicked);
    QSignalSpy otherClicks(otherButton, &QPushButton::clicked);
    int ownerClicksWhileOpen = -1;
    int otherClicksWhileOpen = -1;
    {
        Form2 dialog(&owner);
        const ModalRun run = runModal(dialog, [&](QWidget *modal) {
            if (!modal || !QTest::qWaitForWindowActive(modal))
                return;
            QTest::mouseClick(ownerButton, Qt::LeftButton);
            QTest::mouseClick(otherButton, Qt::LeftButton);
            ownerClicksWhileOpen = ownerClicks.count();
            otherClicksWhileOpen = otherClicks.count();
            if (QPushButton *button = fechar(modal))
                QTest::mouseClick(button, Qt::LeftButton);
        });
        QVERIFY(run.sawModal);
        QVERIFY(!run.stillOpen);
    }
    QCOMPARE(ownerClicksWhileOpen, 0);
    QCOMPARE(otherClicksWhileOpen, 0);

    QTest::mouseClick(ownerButton, Qt::LeftButton);
    QTest::mouseClick(otherButton, Qt::LeftButton);
    QCOMPARE(ownerClicks.count(), 1);
    QCOMPARE(otherClicks.count(), 1);
}

void TestHelp::openingTheSite_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("startsWork");
    QTest::addColumn<bool>("urlWorks");
    QTest::addColumn<QStringList>("expectedStarts");
    QTest::addColumn<SiteOpening>("expectedOutcome");

    const QStringList both = {kPath1, kPath2};

    QTest::newRow("both browsers present -> first command line only")
        << both << true << true << QStringList{kStart1} << SiteOpening::StartedBrowser1;
    QTest::newRow("only the first present -> first command line")
        << QStringList{kPath1} << true << true << QStringList{kStart1} << SiteOpening::StartedBrowser1;
    QTest::newRow("only the second present -> second command line")
        << QStringList{kPath2} << true << true << QStringList{kStart2} << SiteOpening::StartedBrowser2;
    QTest::newRow("neither present -> default browser on the site")
        << QStringList{} << true << true << QStringList{kOpenSite} << SiteOpening::OpenedDefaultBrowser;
    QTest::newRow("paths differing in case or quoting do not count")
        << QStringList{QStringLiteral("C:\\Program Files\\Internet Explorer\\iexplore.exe"),
                       QStringLiteral("\"") + kPath1 + QStringLiteral("\"")}
        << true << true << QStringList{kOpenSite} << SiteOpening::OpenedDefaultBrowser;
    // A browser file that is there but does not start is passed over like a missing one.
    QTest::newRow("both present, neither starts -> default browser")
        << both << false << true << QStringList{kStart1, kStart2, kOpenSite}
        << SiteOpening::OpenedDefaultBrowser;
    QTest::newRow("second present, does not start -> default browser")
        << QStringList{kPath2} << false << true << QStringList{kStart2, kOpenSite}
        << SiteOpening::OpenedDefaultBrowser;
    QTest::newRow("nothing works -> nothing opened, nothing more tried")
        << both << false << false << QStringList{kStart1, kStart2, kOpenSite}
        << SiteOpening::NothingOpened;
    QTest::newRow("neither present, no default browser -> nothing opened")
        << QStringList{} << true << false << QStringList{kOpenSite} << SiteOpening::NothingOpened;
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

    const SiteOpening outcome = openOrganisationSite(launcher);

    QCOMPARE(launcher.starts(), expectedStarts);
    QCOMPARE(outcome, expectedOutcome);
    // The first place is always looked at first.
    QVERIFY(!launcher.calls.isEmpty());
    QCOMPARE(launcher.calls.first(), QStringLiteral("exists? ") + kPath1);
}

void TestHelp::organisationTexts()
{
    // The header lines, the address line and the web link name the same site.
    QCOMPARE(kSiteAddressText, QStringLiteral("http://") + kSiteHost);
    QVERIFY(kHelpContactText.startsWith(QStringLiteral("help: (msn) ")));
    QVERIFY(kHelpContactText.endsWith(kSupportContact));
    QVERIFY(kBrowserCommandLine1.endsWith(QLatin1Char(' ') + kSiteHost));
    QVERIFY(kBrowserCommandLine2.endsWith(QLatin1Char(' ') + kSiteHost));
    QCOMPARE(kSiteUrl.host(), kSiteHost);
}

void TestHelp::desktopLauncherReportsWhatItCannotDo()
{
    DesktopLauncher launcher;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("browser"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(launcher.fileExists(file));
    QVERIFY(!launcher.fileExists(folder.path())); // a folder is not a browser file
    QVERIFY(!launcher.fileExists(folder.filePath(QStringLiteral("missing"))));

    QVERIFY(!launcher.startProgram(QString(), kMinimizedFocus));
    QVERIFY(!launcher.startProgram(folder.filePath(QStringLiteral("missing")) + QStringLiteral(" ")
                                       + kSiteHost,
                                   kMinimizedFocus));
    // On this platform the fixed browser places are not files, so the link goes on
    // to the default browser without starting anything.
    QVERIFY(!launcher.fileExists(kBrowserPath1));
    QVERIFY(!launcher.fileExists(kBrowserPath2));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
