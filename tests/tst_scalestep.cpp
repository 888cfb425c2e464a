// The scale box's two rules: whether the redraw takes the scale, and one click on the
// zoom arrows — the text taken to a whole number, moved by one towards 1 to 100, and
// written back as plain digits.

#include "locales.h"
#include "plot/scale.h"

using namespace trevanto;

Q_DECLARE_METATYPE(trevanto::ScaleStep)

class TestScaleStep : public QObject
{
    Q_OBJECT

private slots:
    void scaleRefusal_data();
    void scaleRefusal();
    void stepScale_data();
    void stepScale();
};

void TestScaleStep::scaleRefusal_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("message");
    const QString none = QStringLiteral("Informe a ESCALA para o desenho!");
    const QString invalid = QStringLiteral("Informe uma ESCALA válida para o desenho!");
    // Only spaces are trimmed for the first test; a negative, fractional or large scale passes.
    const struct { const char *scale; const QString message; } rows[] = {
        {"", none},        {"   ", none},     {"abc", invalid},  {"\t", invalid}, {"2~5", invalid},
        {"0", none},       {"0#0", none},     {"-0", none},      {"-10", {}},      {"0#4", {}},
        {" 150 ", {}},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString scale = typed(row.scale, named.locale);
            QTest::addRow("%s: \"%s\"", named.name, qPrintable(scale)) << named.locale << scale << row.message;
        }
    }
}

void TestScaleStep::scaleRefusal()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, scale);
    QFETCH(QString, message);
    QCOMPARE(trevanto::scaleRefusal(scale, locale).value_or(QString()), message);
}

void TestScaleStep::stepScale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<ScaleStep>("step");
    QTest::addColumn<QString>("expected");

    constexpr ScaleStep up = ScaleStep::Up;
    constexpr ScaleStep down = ScaleStep::Down;
    // '#' is the locale's decimal separator, '~' the other locale's, '9' * 400 a number no
    // double holds; no expected text: the scale stays exactly as typed.
    const struct { const char *scale; ScaleStep step; const char *expected; } rows[] = {
        // The default, the limits 1 and 100, and texts written back without zero or spaces.
        {"10", down, "9"}, {"10", up, "11"}, {"1", down, nullptr}, {"1", up, "2"}, {"100", up, nullptr},
        {"100", down, "99"}, {"099", up, "100"}, {" 10 ", down, "9"}, {"1500", down, "1499"},
        // Outside 1 to 100: brought back one step, never pushed further out.
        {"150", down, "149"}, {"150", up, nullptr}, {"0", up, "1"}, {"0", down, nullptr}, {"-3", up, "-2"},
        {"-3", down, nullptr},
        // A fraction is lost at the first step, halves to even.
        {"2#5", down, "1"}, {"2#5", up, "3"}, {"3#5", down, "3"}, {"3#5", up, "5"}, {"0#4", down, nullptr},
        {"0#4", up, "1"}, {"-0#5", up, "1"}, {"1#4", down, nullptr}, {"1#6", down, "1"}, {"99#5", up, nullptr},
        {"100#6", down, "100"},
        // Not a number here: left alone.
        {"", down, nullptr}, {"abc", up, nullptr}, {"1e2", down, nullptr}, {"2~5", up, nullptr},
        // The 16-bit range: a whole number beyond it comes back to its edge.
        {"32767", down, "32766"}, {"32767", up, nullptr}, {"-32768", up, "-32767"}, {"-32768", down, nullptr},
        {"-32768#5", up, "-32767"}, {"32767#5", down, "32767"}, {"40000", down, "32767"}, {"40000", up, nullptr},
        {"99999999999", down, "32767"}, {"-40000", up, "-32768"}, {"-40000", down, nullptr},
        {"9*400", down, "32767"}, {"9*400", up, nullptr}, {"-9*400", up, "-32768"}, {"-9*400", down, nullptr},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            QString scale = typed(row.scale, named.locale);
            scale.replace(QStringLiteral("9*400"), fourHundredDigits);
            QTest::addRow("%s: scale \"%s\" %s -> %s", named.name, row.scale, row.step == up ? "up" : "down",
                          row.expected ? row.expected : "stays")
                    << named.locale << scale << row.step << (row.expected ? QString::fromUtf8(row.expected) : scale);
        }
    }
}

void TestScaleStep::stepScale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, scale);
    QFETCH(ScaleStep, step);
    QFETCH(QString, expected);
    QCOMPARE(trevanto::stepScale(scale, step, locale), expected);
}

QTEST_APPLESS_MAIN(TestScaleStep)
#include "tst_scalestep.moc"
