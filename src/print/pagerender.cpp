#include "print/pagerender.h"

#include "print/textlayout.h"
#include "store/core/units.h"
#include "store/core/vb.h"
#include "values/contentkind.h"

#include <QColor>
#include <QPointF>
#include <cmath>

namespace print {

double FitFontSize(double target, const std::function<double(double size)> &widthAt)
{
    // The search runs in single precision as the printer object's font size does.
    float size = 10.5f;
    double tw = widthAt(size);
    float step = tw > target ? -4.0f : 10.0f;
    for (int round = 0; round <= 500; ++round) {
        if (-size > step)
            step = -size;
        size += step;
        tw = widthAt(size);
        if ((step > 0 && tw > target) || (step <= 0 && tw < target))
            step = -step / 2;
        if (std::fabs(step) < 0.3f)
            break;
    }
    // Fine steps of 0.1 towards the target: the largest size that is not wider.
    const double base = size;
    double best = base;
    if (tw > target) {
        for (int i = 1; i <= 10; ++i) {
            const double cand = base - 0.1 * i;
            if (cand <= 0)
                break;
            best = cand;
            if (widthAt(cand) <= target)
                break;
        }
    } else {
        for (int i = 1; i <= 10; ++i) {
            const double cand = base + 0.1 * i;
            if (widthAt(cand) > target)
                break;
            best = cand;
        }
    }
    return float(best);
}

QPointF FeedShift(const FilledPage &page, double x, double y, double paperW, double paperH)
{
    const double W = store::MmToTwip(page.widthMm);
    const double H = store::MmToTwip(page.heightMm);
    if (page.lengthwise) {
        y += paperH - H;
        if (page.centred)
            y -= (paperH - H) / 2;
    } else if (page.centred) {
        x -= (paperW - W) / 2;
    }
    return {x, y};
}

namespace {

// How a text, check box or label field is printed, by its content kind.
values::KindInfo ContentKind(const FilledField &f)
{
    return values::DecodeKind(f.cash);
}

} // namespace

QString CheckCashBoxes(const FilledPage &page)
{
    for (const FilledField &f : page.fields) {
        if (!f.valid || f.text.isEmpty())
            continue;
        if (f.kind != FieldKind::Text && f.kind != FieldKind::Check && f.kind != FieldKind::Label)
            continue;
        const values::KindInfo kind = ContentKind(f);
        if (kind.print != values::PrintForm::CashBoxes)
            continue;
        if (!CashBoxText(f.text, kind.kind)) {
            const QString msg = QStringLiteral("金额位数超过方格数，无法打印！");
            return f.prompt.isEmpty() ? msg : QStringLiteral("“%1”的").arg(f.prompt) + msg;
        }
    }
    return QString();
}

double PageRenderer::GetPrinterFontSize(PrintSurface &s, const FilledPage &page, double screenSize,
                                        const QString &fontName, bool bold, double scale)
{
    FontSpec printer = s.Font();
    printer.bold = bold;
    const FitKey key{fontName,     screenSize * scale, printer.name,
                     bold,         printer.italic,     printer.underline,
                     page.widthMm, page.frameWidthPx,  page.screenDpi};
    const auto known = m_fitted.constFind(key);
    if (known != m_fitted.constEnd()) {
        printer.size = *known;
        s.SetFont(printer);
        return *known;
    }

    FontSpec label;
    label.name = fontName;
    label.size = screenSize * scale;
    label.bold = bold;
    const double labelPx = s.ScreenTextWidthPx(kFontSample, label, page.screenDpi);
    const double framePx =
        page.frameWidthPx > 0 ? page.frameWidthPx : page.widthMm / 25.4 * page.screenDpi;
    if (framePx <= 0)
        return printer.size;
    const double target = labelPx / framePx * store::MmToTwip(page.widthMm);
    const double size = FitFontSize(target, [&](double at) {
        printer.size = at;
        s.SetFont(printer);
        return s.TextWidth(kFontSample);
    });
    printer.size = size;
    s.SetFont(printer);
    m_fitted.insert(key, size);
    return size;
}

void PageRenderer::PrintBackPic(PrintSurface &s, const FilledPage &page, double offX, double offY)
{
    if (page.background.isNull())
        return;
    const QPointF at = FeedShift(page, -store::MmToTwip(offX), -store::MmToTwip(offY),
                                 s.PaperWidth(), s.PaperHeight());
    s.Picture(QRectF(at.x(), at.y(), store::MmToTwip(page.widthMm), store::MmToTwip(page.heightMm)),
              page.background);
}

void PageRenderer::PrintRulers(PrintSurface &s)
{
    const double wMm = store::RoundEven(s.PaperWidth() / store::kTwipsPerMm);
    const double hMm = store::RoundEven(s.PaperHeight() / store::kTwipsPerMm);
    const QColor grey(0x33, 0x33, 0x33);
    auto draw = [&](double at, bool vertical) {
        const bool cm = std::fmod(at, 10.0) == 0;
        const double t = store::MmToTwip(at);
        if (vertical)
            s.Line(t, 0, t, store::MmToTwip(hMm), cm ? 2 : 1, 0, cm ? QColor(Qt::black) : grey);
        else
            s.Line(0, t, store::MmToTwip(wMm), t, cm ? 2 : 1, 0, cm ? QColor(Qt::black) : grey);
    };
    for (double x = 0; x <= wMm - 2; x += 2)
        draw(x, true);
    for (double y = 0; y <= hMm - 2; y += 2)
        draw(y, false);
}

void PageRenderer::PrintFmtPage(PrintSurface &s, const FilledPage &page, double offX, double offY)
{
    if (page.backPicture)
        PrintBackPic(s, page, offX, offY);
    for (const FilledField &f : page.fields) {
        if (f.valid)
            PrintField(s, page, f, store::MmToTwip(offX), store::MmToTwip(offY));
    }
}

void PageRenderer::PrintField(PrintSurface &s, const FilledPage &page, const FilledField &f,
                              double offX, double offY)
{
    const double paperW = s.PaperWidth();
    const double paperH = s.PaperHeight();
    const QPointF at =
        FeedShift(page, store::MmToTwip(f.x) - offX, store::MmToTwip(f.y) - offY, paperW, paperH);
    const QString &text = f.kind == FieldKind::Line ? QString() : f.text;

    if (!text.isEmpty()) {
        FontSpec font = s.Font();
        font.name = f.fontName;
        font.bold = f.bold;
        font.italic = f.italic;
        font.underline = f.underline;
        font.strikeOut = f.strikeOut;
        s.SetColor(f.color);
        s.SetFont(font);
        if (f.kind == FieldKind::Check) {
            font.size = f.fontSize;
            s.SetFont(font);
        } else {
            GetPrinterFontSize(s, page, f.fontSize, f.fontName, f.bold, 1);
        }
    }

    const double w = store::MmToTwip(f.w);
    const double h = store::MmToTwip(f.h);
    const double charSpacing = store::MmToTwip(f.charSpacing);
    const double lineSpacing = store::MmToTwip(GetSpaceVal(f.packedSpacing));
    int align = GetSpaceMode(f.packedSpacing);
    const values::KindInfo kind = ContentKind(f);
    if (kind.rightAligned)
        align = 1;

    switch (f.kind) {
    case FieldKind::Picture: {
        if (text.isEmpty())
            return;
        if (text.contains(QLatin1Char('.'))) {
            s.Picture(QRectF(at.x(), at.y(), w, h), f.picture);
            return;
        }
        const double xMm = store::TwipToMm(at.x());
        const double yMm = store::TwipToMm(at.y());
        const double textSize =
            f.fontSize <= 2 ? 0 : GetPrinterFontSize(s, page, f.fontSize, f.fontName, f.bold, 1);
        if (page.barcodeStandard == 0) {
            const double narrow = s.Code39BarWidth(text, w);
            s.Code39(text, xMm, yMm, f.h, narrow, textSize, f.fontName);
        } else {
            s.Ean13(text, xMm, yMm, f.h, f.w, textSize);
        }
        return;
    }
    case FieldKind::Line: {
        const QPointF to = FeedShift(page, w - offX, h - offY, paperW, paperH);
        const int style = int(store::Fix(f.cash)) - 1;
        s.Line(at.x(), at.y(), to.x(), to.y(), store::CLng(f.fontSize), style, f.color);
        return;
    }
    default:
        break;
    }

    switch (kind.print) {
    case values::PrintForm::Nothing:
        return;
    case values::PrintForm::Lines:
        PrintMultiLineStr(s, text, at.x(), at.y(), w, charSpacing, lineSpacing, align);
        return;
    case values::PrintForm::Boxes:
        PrintStrInBoxes(s, text, at.x(), at.y(), w, kind.boxes, align);
        return;
    case values::PrintForm::CashBoxes:
        PrintCashInBoxes(s, text, at.x(), at.y(), w, kind.kind, align);
        return;
    }
}

} // namespace print
