#include "legrules.h"

#include "common/numbers.h"

namespace trevanto {

std::optional<LegRefusal> checkNewLeg(const QString &bearing, const QString &distance, int legCount,
                                      const QLocale &locale)
{
    if (trimSpaces(bearing).isEmpty())
        return LegRefusal{QStringLiteral("Informe uma DIREÇÃO para incluir!"), EntryBox::Bearing};
    const auto bearingValue = readNumber(bearing, locale);
    if (!bearingValue)
        return LegRefusal{QStringLiteral("Informe uma DIREÇÃO válida para incluir!"), EntryBox::Bearing};
    // A bearing too large for a 32-bit whole number lies outside 0..359 as well.
    const auto wholeBearing = toInt32(*bearingValue);
    if (!wholeBearing || *wholeBearing > 359 || *wholeBearing < 0)
        return LegRefusal{QStringLiteral("Informe uma DIREÇÃO entre 0º e 359º para incluir!"), EntryBox::Bearing};

    if (trimSpaces(distance).isEmpty())
        return LegRefusal{QStringLiteral("Informe uma METRAGEM para incluir!"), EntryBox::Distance};
    const auto distanceValue = readNumber(distance, locale);
    if (!distanceValue)
        return LegRefusal{QStringLiteral("Informe uma METRAGEM válida para incluir!"), EntryBox::Distance};
    // Below the 32-bit range counts as "0 or less"; above it cannot be plotted.
    if (roundHalfEven(*distanceValue) <= 0)
        return LegRefusal{QStringLiteral("Informe uma METRAGEM maior que zero para incluir!"), EntryBox::Distance};
    if (!toInt32(*distanceValue))
        return LegRefusal{QStringLiteral("Informe uma METRAGEM de no máximo 2147483647 para incluir!"),
                          EntryBox::Distance};

    if (legCount >= MaxLegs)
        return LegRefusal{QStringLiteral("O percurso já tem 32767 trechos, o máximo; exclua um para incluir outro!"),
                          EntryBox::Bearing};
    return std::nullopt;
}

} // namespace trevanto
