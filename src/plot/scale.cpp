#include "scale.h"

#include "common/numbers.h"

#include <cstdint>
#include <limits>

namespace trevanto {

std::optional<QString> scaleRefusal(const QString &scaleText, const QLocale &locale)
{
    if (trimSpaces(scaleText).isEmpty())
        return QStringLiteral("Informe a ESCALA para o desenho!");
    const auto value = readNumberAnyDecimal(scaleText, locale);
    if (!value)
        return QStringLiteral("Informe uma ESCALA válida para o desenho!");
    if (*value == 0.0)
        return QStringLiteral("Informe a ESCALA para o desenho!");
    return std::nullopt;
}

QString stepScale(const QString &scaleText, ScaleStep step, const QLocale &locale)
{
    const auto value = readNumberAnyDecimal(scaleText, locale);
    if (!value)
        return scaleText;

    int whole = 0;
    if (const auto small = toInt16(*value)) {
        whole = *small;
    } else {
        // Far outside the zoom range: a step towards it lands on the 16-bit edge,
        // a step away from it changes nothing.
        const bool above = *value > 0;
        if (above && step == ScaleStep::Down)
            return QString::number(std::numeric_limits<std::int16_t>::max());
        if (!above && step == ScaleStep::Up)
            return QString::number(std::numeric_limits<std::int16_t>::min());
        return scaleText;
    }

    if (step == ScaleStep::Down && whole > MinStepScale)
        return QString::number(whole - 1);
    if (step == ScaleStep::Up && whole < MaxStepScale)
        return QString::number(whole + 1);
    return scaleText;
}

} // namespace trevanto
