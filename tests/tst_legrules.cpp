// The checks a new leg passes before Incluir appends it: the six tests in their order,
// each with its message and the box that gets the focus, then the program's own two
// refusals (a distance beyond 32 bits, a full course).

#include "course/legrules.h"
#include "locales.h"

using namespace trevanto;

namespace {

enum Outcome {
    Accepted,
    NoBearing,
    BearingNotNumber,
    BearingOutOfRange,
    NoDistance,
    DistanceNotNumber,
    DistanceNotPositive,
    DistanceTooLarge,
    CourseFull,
};

const QString messages[] = {
    QString(),
    QStringLiteral("Informe uma DIREÇÃO para incluir!"),
    QStringLiteral("Informe uma DIREÇÃO válida para incluir!"),
    // The masculine ordinal indicator U+00BA, not the degree sign.
    QStringLiteral("Informe uma DIREÇÃO entre 0\u00BA e 359\u00BA para incluir!"),
    QStringLiteral("Informe uma METRAGEM para incluir!"),
    QStringLiteral("Informe uma METRAGEM válida para incluir!"),
    QStringLiteral("Informe uma METRAGEM maior que zero para incluir!"),
    QStringLiteral("Informe uma METRAGEM de no máximo 2147483647 para incluir!"),
    QStringLiteral("O percurso já tem 32767 trechos, o máximo; exclua um para incluir outro!"),
};

} // namespace

class TestLegRules : public QObject
{
    Q_OBJECT

private slots:
    void checkNewLeg_data();
    void checkNewLeg();
};

void TestLegRules::checkNewLeg_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<int>("legCount");
    QTest::addColumn<int>("outcome");

    // '#' is the locale's decimal separator, '~' the other locale's. A row whose outcome is
    // an early test shows that the later ones are not reached; which texts read as numbers
    // is the number reader's own table.
    const struct { const char *name, *bearing, *distance; int legCount; Outcome outcome; } rows[] = {
        {"both boxes empty -> 1", "", "", 0, NoBearing},
        {"bearing of spaces, distance letters -> 1", "   ", "abc", 0, NoBearing},
        {"bearing letters, distance empty -> 2", "abc", "", 0, BearingNotNumber},
        {"bearing tab only, no space -> 2", "\t", "100", 0, BearingNotNumber},
        {"bearing 360, distance letters -> 3", "360", "abc", 0, BearingOutOfRange},
        {"bearing -1 -> 3", "-1", "100", 0, BearingOutOfRange},
        {"bearing 359#5 -> 360 -> 3", "359#5", "100", 0, BearingOutOfRange},
        {"bearing -0#6 -> -1 -> 3", "-0#6", "100", 0, BearingOutOfRange},
        {"bearing -99999999999, beyond 32 bits -> 3", "-99999999999", "100", 0, BearingOutOfRange},
        {"bearing 0 accepted", "0", "100", 0, Accepted},
        {"bearing 359#4 -> 359 accepted", "359#4", "100", 0, Accepted},
        {"bearing -0#5 -> 0 accepted", "-0#5", "100", 0, Accepted},
        {"distance of spaces -> 4", "  45  ", "    ", 0, NoDistance},
        {"distance 10m -> 5", "45", "10m", 0, DistanceNotNumber},
        {"distance 0#5 -> 0 -> 6", "45", "0#5", 0, DistanceNotPositive},
        {"distance -99999999999, below 32 bits -> 6", "45", "-99999999999", 0, DistanceNotPositive},
        {"distance 0#6 -> 1 accepted", "45", "0#6", 0, Accepted},
        {"distance 2147483647#4 accepted", "45", " 2147483647#4 ", 0, Accepted},
        {"distance 2147483647#5 -> 2147483648 too large", "45", "2147483647#5", 0, DistanceTooLarge},
        {"32766 legs, one more accepted", "45", "100", 32766, Accepted},
        {"32767 legs, course full", "45", "100", MaxLegs, CourseFull},
        {"32767 legs, distance 0#5 -> 6 first", "45", "0#5", MaxLegs, DistanceNotPositive},
    };
    const QString hundred = QStringLiteral("100");
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            QTest::addRow("%s: %s", named.name, qPrintable(typed(row.name, named.locale)))
                    << named.locale << typed(row.bearing, named.locale) << typed(row.distance, named.locale)
                    << row.legCount << int(row.outcome);
        }
        QTest::addRow("%s: bearing of 400 digits -> 3", named.name)
                << named.locale << fourHundredDigits << hundred << 0 << int(BearingOutOfRange);
        QTest::addRow("%s: distance of minus 400 digits -> 6", named.name)
                << named.locale << hundred << u'-' + fourHundredDigits << 0 << int(DistanceNotPositive);
    }
}

void TestLegRules::checkNewLeg()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(int, legCount);
    QFETCH(int, outcome);

    const std::optional<LegRefusal> refusal = trevanto::checkNewLeg(bearing, distance, legCount, locale);
    QCOMPARE(refusal ? refusal->message : QString(), messages[outcome]);
    if (outcome == Accepted || outcome == CourseFull)
        return;
    const bool bearingBox = outcome <= BearingOutOfRange;
    QCOMPARE(refusal->focus == EntryBox::Bearing ? "bearing box" : "distance box",
             bearingBox ? "bearing box" : "distance box");
}

QTEST_APPLESS_MAIN(TestLegRules)
#include "tst_legrules.moc"
