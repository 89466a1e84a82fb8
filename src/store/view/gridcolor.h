#pragma once
// Colours are kept as the program stores them, 0x00BBGGRR (red in the low byte); QColor only at
// the edge where something is painted. This pair is the one conversion between the two.

#include <QColor>
#include <QtGlobal>

namespace store {

inline QColor VbToQColor(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

inline quint32 QColorToVb(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

} // namespace store
