#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace trevanto {

// A course holds at most this many legs: leg counts are 16-bit signed numbers.
inline constexpr int MaxLegs = 32767;

// The entry box that gets the keyboard focus after a refused include.
enum class EntryBox { Bearing, Distance };

struct LegRefusal
{
    QString message;
    EntryBox focus;
};

// Runs the include tests on the typed bearing and distance, in their order, and
// returns the first that fails, or nothing when the leg may be appended to a
// course that already holds `legCount` legs.
std::optional<LegRefusal> checkNewLeg(const QString &bearing, const QString &distance, int legCount,
                                      const QLocale &locale);

} // namespace trevanto
