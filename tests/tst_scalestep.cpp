// Tests of one click on the zoom arrows: the scale text taken to a whole number,
// moved by one towards 1 to 100, and written back as plain digits.

#include "plot/scale.h"

#include <QTest>

using namespace trevanto;

namespace {

struct NamedLocale
{
    const char *name;
    QLocale locale;
};

QList<NamedLocale> bothLocales()
{
    return {{"pt_BR", QLocale(QLocale::Portuguese, QLocale::Brazil)}, {"C", QLocale::c()}};
}

// Returns the pattern with each '#' replaced by the locale's decimal separator.
QString typed(const char *pattern, const QLocale &locale)
{
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    QString text = QString::fromUtf8(pattern);
    text.replace(u'#', comma ? u',' : u'.');
    return text;
}

const char *stepName(ScaleStep step)
{
    return step == ScaleStep::Up ? "up" : "down";
}

} // namespace

Q_DECLARE_METATYPE(trevanto::ScaleStep)

class TestScaleStep : public QObject
{
    Q_OBJECT

private slots:
    void stepScale_data();
    void stepScale();

    void scaleOfFourHundredDigits_data();
    void scaleOfFourHundredDigits();
};

void TestScaleStep::stepScale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<ScaleStep>("step");
    QTest::addColumn<QString>("expected");

    constexpr ScaleStep up = ScaleStep::Up;
    constexpr ScaleStep down = ScaleStep::Down;
    struct Row
    {
        const char *scale;
        ScaleStep step;
        const char *expected; // nullptr: the text stays exactly as it was
    };
    const Row rows[] = {
        // The default scale.
        {"10", down, "9"},
        {"10", up, "11"},
        // The bounds 1 and 100.
        {"2", down, "1"},
        {"1", down, nullptr},
        {"1", up, "2"},
        {"99", up, "100"},
        {"100", up, nullptr},
        {"100", down, "99"},
        // A leading zero is dropped when the text is written back.
        {"099", up, "100"},
        {"099", down, "98"},
        {"007", up, "8"},
        // Spaces around the number are read and not written back.
        {" 10 ", down, "9"},
        {" 10 ", up, "11"},
        // Outside 1 to 100: brought back one step, never pushed further out.
        {"150", down, "149"},
        {"150", up, nullptr},
        {"101", down, "100"},
        {"0", up, "1"},
        {"0", down, nullptr},
        {"-3", up, "-2"},
        {"-3", down, nullptr},
        {"-1", up, "0"},
        // Plain digits only: no thousands separator in either locale.
        {"1500", down, "1499"},
        {"-1500", up, "-1499"},
        // A fraction is lost at the first step (halves to even).
        {"2#5", down, "1"},
        {"2#5", up, "3"},
        {"3#5", down, "3"},
        {"3#5", up, "5"},
        {"0#4", down, nullptr},
        {"0#4", up, "1"},
        {"-0#5", up, "1"},
        {"1#4", down, nullptr},
        {"1#6", down, "1"},
        {"100#4", up, nullptr},
        {"99#5", up, nullptr},
        {"100#6", down, "100"},
        // Not a number: left alone.
        {"", up, nullptr},
        {"", down, nullptr},
        {"   ", up, nullptr},
        {"   ", down, nullptr},
        {"abc", up, nullptr},
        {"abc", down, nullptr},
        {"1e2", down, nullptr},
        // The edges of the 16-bit range.
        {"32767", down, "32766"},
        {"32767", up, nullptr},
        {"-32768", up, "-32767"},
        {"-32768", down, nullptr},
        {"-32768#5", up, "-32767"},
        // Beyond the 16-bit range: back to its edge when stepping towards 1 to 100.
        {"32767#5", down, "32767"},
        {"32768", down, "32767"},
        {"40000", down, "32767"},
        {"40000", up, nullptr},
        {"99999999999", down, "32767"},
        {"-32769", up, "-32768"},
        {"-40000", up, "-32768"},
        {"-40000", down, nullptr},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString scale = typed(row.scale, named.locale);
            const QString expected = row.expected ? QString::fromUtf8(row.expected) : scale;
            if (row.expected)
                QTest::addRow("%s: scale \"%s\" %s -> %s", named.name, qPrintable(scale),
                              stepName(row.step), row.expected)
                        << named.locale << scale << row.step << expected;
            else
                QTest::addRow("%s: scale \"%s\" %s stays", named.name, qPrintable(scale),
                              stepName(row.step))
                        << named.locale << scale << row.step << expected;
        }
        // The other locale's separator does not read as a number.
        const QString foreign = named.locale.decimalPoint() == QStringLiteral(",")
                ? QStringLiteral("2.5")
                : QStringLiteral("2,5");
        QTest::addRow("%s: scale \"%s\" up stays (not a number here)", named.name,
                      qPrintable(foreign))
                << named.locale << foreign << up << foreign;
        QTest::addRow("%s: scale \"%s\" down stays (not a number here)", named.name,
                      qPrintable(foreign))
                << named.locale << foreign << down << foreign;
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

void TestScaleStep::scaleOfFourHundredDigits_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");

    for (const NamedLocale &named : bothLocales()) {
        QTest::addRow("%s: 400 nines", named.name) << named.locale << QString(400, u'9');
        QTest::addRow("%s: minus 400 nines", named.name)
                << named.locale << QStringLiteral("-%1").arg(QString(400, u'9'));
    }
}

void TestScaleStep::scaleOfFourHundredDigits()
{
    // A scale too large for any whole number is never pushed further out, and a
    // step towards 1 to 100 either leaves it or brings it to the 16-bit edge.
    QFETCH(QLocale, locale);
    QFETCH(QString, scale);

    const bool negative = scale.startsWith(u'-');
    const ScaleStep away = negative ? ScaleStep::Down : ScaleStep::Up;
    const ScaleStep towards = negative ? ScaleStep::Up : ScaleStep::Down;
    const QString edge = negative ? QStringLiteral("-32768") : QStringLiteral("32767");

    QCOMPARE(trevanto::stepScale(scale, away, locale), scale);
    const QString stepped = trevanto::stepScale(scale, towards, locale);
    QVERIFY2(stepped == scale || stepped == edge, qPrintable(stepped.left(40)));
}

QTEST_APPLESS_MAIN(TestScaleStep)

#include "tst_scalestep.moc"
