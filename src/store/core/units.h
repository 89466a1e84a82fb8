#pragma once
// The one conversion between stored millimetres and laid-out twips.

namespace store {

inline constexpr double kTwipsPerMm = 56.6928;
inline constexpr double kTwipsPerInch = 1440.0;

constexpr double MmToTwip(double mm) { return mm * kTwipsPerMm; }
constexpr double TwipToMm(double twip) { return twip / kTwipsPerMm; }
// Twips per device pixel at a given resolution (15 at 96 dpi).
constexpr double TwipsPerPixel(double dpi) { return kTwipsPerInch / dpi; }
constexpr double TwipToPixel(double twip, double dpi) { return twip * dpi / kTwipsPerInch; }
constexpr double PixelToTwip(double px, double dpi) { return px * kTwipsPerInch / dpi; }

} // namespace store
