#pragma once
// The millimetre grid, centimetre numbers and background of the page, as drawing primitives in
// page twips, and their painting.

#include <QColor>
#include <QPointF>
#include <QString>

#include <vector>

class QImage;
class QPainter;

namespace page {

class FieldRegistry;
class PageView;

inline constexpr quint32 kGridLineColor = 0x8DC0FF; // every 2 mm (&HBBGGRR)
inline constexpr quint32 kCmLineColor = 0x0072FF;   // every 10 mm

struct GridLine
{
    QPointF from; // twips
    QPointF to;
    quint32 color; // &HBBGGRR
};

struct GridText
{
    int x; // twips, top-left corner of the text cell
    int y;
    QString text;
};

struct GridPrimitives
{
    std::vector<GridLine> lines;
    std::vector<GridText> texts;
};

// The grid of a page W x H twips for a slip widthMM wide: lines every 2 mm (orange every 10 mm)
// and centimetre numbers along the four edges. Nothing when ruler is not 1 or the sizes make no
// page.
GridPrimitives pageGridPrimitives(double pageW, double pageH, double widthMM, int ruler);

// Pixel size of the small font the numbers are written in (a 15-pixel text cell).
inline constexpr int kSmallTextCellPx = 15;

// Paints the primitives onto a device whose pixels are tpp twips each.
void paintGridPrimitives(QPainter &p, const GridPrimitives &g, double tpp);

// Redraws the page from scratch: the background picture stretched over it when showBackOption
// is set and the format has one, the grid and numbers when ruler is 1. The prompt labels of the
// fields are hidden while the background shows (it carries its own printed captions). Returns
// whether the background is shown.
bool DrawPageGrid(PageView &pg, FieldRegistry *fields, double widthMM, int ruler,
                  bool showBackOption);

} // namespace page
