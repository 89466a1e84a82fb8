#pragma once
// Draws one filled format as one page: the background picture, every field by its kind and
// content kind, and the millimetre grid. Neither starts nor ends a page; PrintDocument does.

#include "print/filledpage.h"
#include "print/printsurface.h"

#include <QHash>
#include <functional>

namespace print {

// The text whose width on paper is matched to its width on the screen page.
inline const QString kFontSample = QStringLiteral("Quorvan软件Quorvan软件Quorvan软件");
// The form name under which a slip's size is set as the printer's paper.
inline const QString kFormName = QStringLiteral("Quorvan格式");

// The printer font size whose sample width is closest to target without passing it, on a grid
// of 0.1 pt around the halving search from 10.5 pt. widthAt gives the width at a size.
double FitFontSize(double target, const std::function<double(double size)> &widthAt);

// Where a point of the slip lands after the paper-feed options: lengthwise slips lie at the
// bottom of the landscape page (centred across it with the guides closing to the middle); a
// crosswise slip with closing guides is moved left by half the spare paper width. Users have
// calibrated their margins against exactly this, so it stays as it is.
QPointF FeedShift(const FilledPage &page, double x, double y, double paperW, double paperH);

// The first amount field whose digits do not fit its boxes, as the message that refuses the
// print; empty when every amount fits.
QString CheckCashBoxes(const FilledPage &page);

class PageRenderer
{
public:
    // Draws the page; offX and offY in mm (minus the print margins).
    void PrintFmtPage(PrintSurface &s, const FilledPage &page, double offX, double offY);
    // The printer font size for a screen font size (leaves the surface's font at it).
    double GetPrinterFontSize(PrintSurface &s, const FilledPage &page, double screenSize,
                              const QString &fontName, bool bold, double scale);
    void PrintBackPic(PrintSurface &s, const FilledPage &page, double offX, double offY);
    // The millimetre grid over the whole paper from the printable origin.
    static void PrintRulers(PrintSurface &s);

private:
    void PrintField(PrintSurface &s, const FilledPage &page, const FilledField &f, double offX,
                    double offY);
    // What a fitted size depends on: the font and the slip.
    struct FitKey
    {
        QString fontName;
        double screenSize = 0;
        QString printerFont;
        bool bold = false, italic = false, underline = false;
        double widthMm = 0, frameWidthPx = 0, screenDpi = 0;
        bool operator==(const FitKey &) const = default;
    };
    friend size_t qHash(const FitKey &k, size_t seed)
    {
        return qHashMulti(seed, k.fontName, k.screenSize, k.printerFont, k.bold, k.italic,
                          k.underline, k.widthMm, k.frameWidthPx, k.screenDpi);
    }
    // Fitted sizes of this document's pages.
    QHash<FitKey, double> m_fitted;
};

} // namespace print
