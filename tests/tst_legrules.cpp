// Tests of the checks that a new leg passes before Incluir appends it: the six
// tests in their order, each with its exact message and the box that gets the
// focus, and the program's two further refusals after them.

#include "course/legrules.h"

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

// Returns the pattern with each '#' replaced by the locale's decimal separator and
// each '~' by the other locale's one.
QString typed(const char *pattern, const QLocale &locale)
{
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    QString text = QString::fromUtf8(pattern);
    text.replace(u'#', comma ? u',' : u'.');
    text.replace(u'~', comma ? u'.' : u',');
    return text;
}

// What checkNewLeg answers: 0 accepts the leg, 1 to 6 are the include tests in
// their order, and the last two are the program's own refusals of a valid leg.
enum Outcome {
    Accepted = 0,
    NoBearing = 1,
    BearingNotNumber = 2,
    BearingOutOfRange = 3,
    NoDistance = 4,
    DistanceNotNumber = 5,
    DistanceNotPositive = 6,
    DistanceTooLarge = 7,
    CourseFull = 8,
};

const QString messages[] = {
    QString(),
    QStringLiteral("Informe uma DIREÇÃO para incluir!"),
    QStringLiteral("Informe uma DIREÇÃO válida para incluir!"),
    QStringLiteral("Informe uma DIREÇÃO entre 0º e 359º para incluir!"),
    QStringLiteral("Informe uma METRAGEM para incluir!"),
    QStringLiteral("Informe uma METRAGEM válida para incluir!"),
    QStringLiteral("Informe uma METRAGEM maior que zero para incluir!"),
};

const char *focusName(EntryBox box)
{
    return box == EntryBox::Bearing ? "bearing box" : "distance box";
}

const QString fourHundredDigits = QString(400, u'9');

} // namespace

class TestLegRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void checkNewLeg_data();
    void checkNewLeg();

    void ownMessagesDifferFromEachOther();
};

void TestLegRules::initTestCase()
{
    // Message 3 carries the masculine ordinal indicator, not the degree sign.
    QVERIFY(messages[BearingOutOfRange].contains(QChar(0x00BA)));
    QVERIFY(!messages[BearingOutOfRange].contains(QChar(0x00B0)));
    QCOMPARE(messages[BearingOutOfRange].count(QChar(0x00BA)), 2);
}

void TestLegRules::checkNewLeg_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<int>("legCount");
    QTest::addColumn<int>("outcome");

    struct Row
    {
        const char *name;
        const char *bearing;
        const char *distance;
        int legCount;
        Outcome outcome;
    };
    // '#' is the locale's decimal separator, '~' the other locale's.
    const Row rows[] = {
        // Bearing emptiness: only message 1, the distance is not looked at.
        {"both boxes empty -> 1", "", "", 0, NoBearing},
        {"bearing empty, distance valid -> 1", "", "100", 0, NoBearing},
        {"bearing spaces only -> 1", "   ", "100", 0, NoBearing},
        {"bearing spaces only, distance empty -> 1", "   ", "", 0, NoBearing},
        {"bearing empty, distance letters -> 1", "", "abc", 0, NoBearing},

        // Bearing that does not read as a number.
        {"bearing letters -> 2", "abc", "100", 0, BearingNotNumber},
        {"bearing letters, distance empty -> 2", "abc", "", 0, BearingNotNumber},
        {"bearing digits and letters -> 2", "45a", "100", 0, BearingNotNumber},
        {"bearing other separator 45~5 -> 2", "45~5", "100", 0, BearingNotNumber},
        {"bearing thousands 1~000 -> 2", "1~000", "100", 0, BearingNotNumber},
        {"bearing lone minus -> 2", "-", "100", 0, BearingNotNumber},
        {"bearing lone separator -> 2", "#", "100", 0, BearingNotNumber},
        {"bearing tab only -> 2", "\t", "100", 0, BearingNotNumber},

        // Bearing range, on the value taken to the nearest whole number.
        {"bearing 360 -> 3", "360", "100", 0, BearingOutOfRange},
        {"bearing -1 -> 3", "-1", "100", 0, BearingOutOfRange},
        {"bearing 359#5 -> 360 refused", "359#5", "100", 0, BearingOutOfRange},
        {"bearing -0#6 -> -1 refused", "-0#6", "100", 0, BearingOutOfRange},
        {"bearing 720 -> 3", "720", "100", 0, BearingOutOfRange},
        {"bearing 360, distance letters -> 3", "360", "abc", 0, BearingOutOfRange},
        {"bearing 360, distance empty -> 3", "360", "", 0, BearingOutOfRange},
        {"bearing 2147483647 -> 3", "2147483647", "100", 0, BearingOutOfRange},
        {"bearing 2147483648, too large for 32 bits -> 3", "2147483648", "100", 0,
         BearingOutOfRange},
        {"bearing 99999999999, too large for 32 bits -> 3", "99999999999", "100", 0,
         BearingOutOfRange},
        {"bearing -99999999999, too large for 32 bits -> 3", "-99999999999", "100", 0,
         BearingOutOfRange},

        // Bearings that pass, listed as typed.
        {"bearing 0 accepted", "0", "100", 0, Accepted},
        {"bearing 359 accepted", "359", "100", 0, Accepted},
        {"bearing 359#4 -> 359 accepted", "359#4", "100", 0, Accepted},
        {"bearing -0#4 -> 0 accepted", "-0#4", "100", 0, Accepted},
        {"bearing -0#5 -> 0 accepted", "-0#5", "100", 0, Accepted},
        {"bearing with spaces around accepted", "  45  ", "100", 0, Accepted},
        {"bearing with plus sign accepted", "+45", "100", 0, Accepted},
        {"bearing 045 accepted", "045", "100", 0, Accepted},

        // Distance emptiness.
        {"distance empty -> 4", "45", "", 0, NoDistance},
        {"distance spaces only -> 4", "45", "    ", 0, NoDistance},
        {"bearing 359#4, distance empty -> 4", "359#4", "", 0, NoDistance},

        // Distance that does not read as a number.
        {"distance letters -> 5", "45", "abc", 0, DistanceNotNumber},
        {"distance 10m -> 5", "45", "10m", 0, DistanceNotNumber},
        {"distance other separator 1~5 -> 5", "45", "1~5", 0, DistanceNotNumber},
        {"distance thousands 1~000 -> 5", "45", "1~000", 0, DistanceNotNumber},
        {"distance lone minus -> 5", "45", "-", 0, DistanceNotNumber},
        {"distance lone separator -> 5", "45", "#", 0, DistanceNotNumber},

        // Distance of whole number 0 or less.
        {"distance -5 -> 6", "45", "-5", 0, DistanceNotPositive},
        {"distance 0 -> 6", "45", "0", 0, DistanceNotPositive},
        {"distance 0#4 -> 0 refused", "45", "0#4", 0, DistanceNotPositive},
        {"distance 0#5 -> 0 refused", "45", "0#5", 0, DistanceNotPositive},
        {"distance -0#5 -> 0 refused", "45", "-0#5", 0, DistanceNotPositive},
        {"distance -99999999999 -> 6", "45", "-99999999999", 0, DistanceNotPositive},

        // Distances that pass.
        {"distance 0#6 -> 1 accepted", "45", "0#6", 0, Accepted},
        {"distance 1 accepted", "45", "1", 0, Accepted},
        {"distance 1#5 -> 2 accepted", "45", "1#5", 0, Accepted},
        {"distance with spaces around accepted", "45", " 100 ", 0, Accepted},
        {"distance 2147483647 accepted", "45", "2147483647", 0, Accepted},
        {"distance 2147483647#4 accepted", "45", "2147483647#4", 0, Accepted},

        // Distances whose whole number lies above the 32-bit range.
        {"distance 2147483647#5 -> 2147483648 too large", "45", "2147483647#5", 0,
         DistanceTooLarge},
        {"distance 2147483648 too large", "45", "2147483648", 0, DistanceTooLarge},
        {"distance 99999999999 too large", "45", "99999999999", 0, DistanceTooLarge},

        // A full course, and the six tests that come before it.
        {"32766 legs, valid leg accepted", "45", "100", 32766, Accepted},
        {"32767 legs, valid leg refused", "45", "100", 32767, CourseFull},
        {"32767 legs, both empty -> 1", "", "", 32767, NoBearing},
        {"32767 legs, bearing letters -> 2", "abc", "100", 32767, BearingNotNumber},
        {"32767 legs, bearing 360 -> 3", "360", "100", 32767, BearingOutOfRange},
        {"32767 legs, distance empty -> 4", "45", "", 32767, NoDistance},
        {"32767 legs, distance letters -> 5", "45", "abc", 32767, DistanceNotNumber},
        {"32767 legs, distance 0#5 -> 6", "45", "0#5", 32767, DistanceNotPositive},
    };

    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            QTest::addRow("%s: %s", named.name, qPrintable(typed(row.name, named.locale)))
                    << named.locale << typed(row.bearing, named.locale)
                    << typed(row.distance, named.locale) << row.legCount << int(row.outcome);
        }
        QTest::addRow("%s: bearing of 400 digits -> 3", named.name)
                << named.locale << fourHundredDigits << QStringLiteral("100") << 0
                << int(BearingOutOfRange);
        QTest::addRow("%s: bearing of minus 400 digits -> 3", named.name)
                << named.locale << QStringLiteral("-%1").arg(fourHundredDigits)
                << QStringLiteral("100") << 0 << int(BearingOutOfRange);
        QTest::addRow("%s: distance of 400 digits too large", named.name)
                << named.locale << QStringLiteral("45") << fourHundredDigits << 0
                << int(DistanceTooLarge);
        QTest::addRow("%s: distance of minus 400 digits -> 6", named.name)
                << named.locale << QStringLiteral("45")
                << QStringLiteral("-%1").arg(fourHundredDigits) << 0 << int(DistanceNotPositive);
    }
}

void TestLegRules::checkNewLeg()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(int, legCount);
    QFETCH(int, outcome);

    const std::optional<LegRefusal> refusal =
            trevanto::checkNewLeg(bearing, distance, legCount, locale);

    if (outcome == Accepted) {
        QVERIFY2(!refusal.has_value(), qPrintable(refusal ? refusal->message : QString()));
        return;
    }
    QVERIFY2(refusal.has_value(), "the leg was accepted");

    if (outcome <= DistanceNotPositive) {
        QCOMPARE(refusal->message, messages[outcome]);
        const EntryBox expectedFocus = outcome <= BearingOutOfRange ? EntryBox::Bearing
                                                                    : EntryBox::Distance;
        QCOMPARE(focusName(refusal->focus), focusName(expectedFocus));
        return;
    }

    // The program's own refusals: a message that none of the six tests uses.
    QVERIFY(!refusal->message.trimmed().isEmpty());
    for (const QString &message : messages)
        QVERIFY2(refusal->message != message, qPrintable(refusal->message));
    if (outcome == DistanceTooLarge)
        QCOMPARE(focusName(refusal->focus), focusName(EntryBox::Distance));
}

void TestLegRules::ownMessagesDifferFromEachOther()
{
    const QLocale locale = QLocale::c();
    const std::optional<LegRefusal> tooLarge =
            trevanto::checkNewLeg(QStringLiteral("45"), QStringLiteral("2147483648"), 0, locale);
    const std::optional<LegRefusal> full =
            trevanto::checkNewLeg(QStringLiteral("45"), QStringLiteral("100"), MaxLegs, locale);
    QVERIFY(tooLarge.has_value());
    QVERIFY(full.has_value());
    QVERIFY2(tooLarge->message != full->message, qPrintable(full->message));
    QCOMPARE(MaxLegs, 32767);
}

QTEST_APPLESS_MAIN(TestLegRules)

#include "tst_legrules.moc"
