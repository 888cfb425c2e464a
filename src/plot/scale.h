#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace trevanto {

// Returns the message that refuses the scale text for a redraw (empty, not a
// number, zero), or nothing when the course can be drawn with it. A negative, a
// fractional or a large scale is accepted. The scale reads as the legs do: a text
// that does not read under the locale is read with the other decimal separator, as a
// work file written under another locale holds it.
std::optional<QString> scaleRefusal(const QString &scaleText, const QLocale &locale);

enum class ScaleStep { Up, Down };

// Zoom limits of one step: up stops at MaxStepScale, down at MinStepScale.
inline constexpr int MinStepScale = 1;
inline constexpr int MaxStepScale = 100;

// Returns the scale text after one step of the up/down arrows. The text, read as
// scaleRefusal() reads it, is taken to a whole number (halves to even) and moved by
// one towards the limits, written back as plain digits; a step beyond a limit, or a
// text that is not a number, leaves it unchanged. A whole number beyond the 16-bit
// range is brought back to that range's edge by a step towards the limits (and left
// alone by a step away from them).
QString stepScale(const QString &scaleText, ScaleStep step, const QLocale &locale);

} // namespace trevanto
