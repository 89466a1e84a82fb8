#include "page/pagegrid.h"

#include "page/pageview.h"
#include "page/registry.h"
#include "store/view/gridcolor.h"
#include "store/core/vb.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace page {


GridPrimitives pageGridPrimitives(double W, double H, double widthMM, int ruler)
{
    GridPrimitives g;
    if (ruler != 1 || !(widthMM > 0) || !(W > 0) || !(H > 0) || !std::isfinite(W / widthMM))
        return g;
    const double s = W / widthMM;
    const qint32 lastX = store::CLng(widthMM);
    const qint32 lastY = store::CLng(H / W * widthMM);
    auto colorOf = [](qint32 i) { return i % 10 == 0 ? kCmLineColor : kGridLineColor; };

    g.lines.reserve(size_t(lastX / 2 + lastY / 2 + 2));
    for (qint32 i = 0; i <= lastX; i += 2)
        g.lines.push_back({QPointF(i * s, 0), QPointF(i * s, H), colorOf(i)});
    for (qint32 i = 0; i <= lastY; i += 2)
        g.lines.push_back({QPointF(0, i * s), QPointF(W, i * s), colorOf(i)});

    const int bottom = store::CLng(H - 260);
    for (qint32 i = 0; i <= lastX; i += 2) {
        if (i % 10 != 0)
            continue;
        const QString t = QString::number(i / 10);
        const int x = store::CLng(i * s);
        g.texts.push_back({x, 0, t});
        g.texts.push_back({x, bottom, t});
    }
    for (qint32 i = 0; i <= lastY; i += 2) {
        if (i % 10 != 0 || i / 10 == 0)
            continue;
        const int n = i / 10;
        const int y = store::CLng(i * s);
        g.texts.push_back({0, y, QString::number(n)});
        g.texts.push_back({store::CLng(W - (n < 10 ? 130 : 260)), y, QString::number(n)});
    }
    return g;
}

void paintGridPrimitives(QPainter &p, const GridPrimitives &g, double tpp)
{
    if (g.lines.empty() && g.texts.empty())
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Lines fall on whole pixels, as on the original device.
    quint32 current = 0xFFFFFFFF;
    for (const GridLine &l : g.lines) {
        if (l.color != current) {
            p.setPen(QPen(store::VbToQColor(l.color), 0));
            current = l.color;
        }
        p.drawLine(QPointF(std::round(l.from.x() / tpp), std::round(l.from.y() / tpp)),
                   QPointF(std::round(l.to.x() / tpp), std::round(l.to.y() / tpp)));
    }
    QFont f = p.font();
    f.setPixelSize(kSmallTextCellPx - 3);
    f.setBold(false);
    f.setItalic(false);
    p.setFont(f);
    p.setPen(Qt::black);
    const QFontMetrics fm(f);
    for (const GridText &t : g.texts) {
        const QRectF cell(std::round(t.x / tpp), std::round(t.y / tpp),
                          fm.horizontalAdvance(t.text) + 2, kSmallTextCellPx);
        p.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, t.text);
    }
    p.restore();
}

bool DrawPageGrid(PageView &pg, FieldRegistry *fields, double widthMM, int ruler,
                  bool showBackOption)
{
    const bool showBack = pg.drawPageGrid(widthMM, ruler, showBackOption);
    if (fields) {
        for (int kind = 0; kind <= 2; ++kind)
            for (int i = fields->LastCtlIdx(kind); i >= fields->FirstCtlIdx(kind); --i)
                if (PageField *f = fields->GetCtlByIdx(i); f && f->Caption())
                    f->Caption()->setVisible(!showBack);
    }
    return showBack;
}

} // namespace page
