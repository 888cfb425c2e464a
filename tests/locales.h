#pragma once

// The two locales every number rule is tested under, and doubles printed in full.

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QTest>

struct NamedLocale
{
    const char *name;
    QLocale locale;
};

inline const QLocale Brazil(QLocale::Portuguese, QLocale::Brazil);

// Brazilian Portuguese writes "1,5" and groups thousands with "."; C writes "1.5".
inline QList<NamedLocale> bothLocales()
{
    return {{"pt_BR", Brazil}, {"C", QLocale::c()}};
}

// Returns the pattern with each '#' replaced by the locale's decimal separator and each
// '~' by the other locale's one (which is pt_BR's thousands separator).
inline QString typed(const char *pattern, const QLocale &locale)
{
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    QString text = QString::fromUtf8(pattern);
    text.replace(u'#', comma ? u',' : u'.');
    text.replace(u'~', comma ? u'.' : u',');
    return text;
}

inline QByteArray exact(double value)
{
    return QByteArray::number(value, 'g', 17);
}

// Compares two doubles by value (0 equals -0), both printed in full on failure.
#define COMPARE_EXACT(actual, expected)                                                                                \
    QVERIFY2((actual) == (expected), QByteArray("got " + exact(actual) + ", expected " + exact(expected)).constData())

// A number no double holds: it reads as infinity, which no whole-number conversion takes.
inline const QString fourHundredDigits = QString(400, u'9');
