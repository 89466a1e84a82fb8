#include "mainwin/buttonicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace mainwin {

namespace {

void magnifier(QPainter &p, double s, QChar sign)
{
    p.setPen(QPen(QColor(40, 70, 140), s * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(225, 238, 255));
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.55, s * 0.55));
    p.drawLine(QPointF(s * 0.58, s * 0.58), QPointF(s * 0.9, s * 0.9));
    p.setPen(QPen(QColor(40, 70, 140), s * 0.08));
    p.drawLine(QPointF(s * 0.24, s * 0.375), QPointF(s * 0.51, s * 0.375));
    if (sign == u'+')
        p.drawLine(QPointF(s * 0.375, s * 0.24), QPointF(s * 0.375, s * 0.51));
}

void sheet(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(160, 160, 160), 1));
    for (double y = r.top() + r.height() * 0.25; y < r.bottom() - 2; y += r.height() * 0.2)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void printer(QPainter &p, double s)
{
    sheet(p, QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.36));
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(150, 160, 175));
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.4, s * 0.84, s * 0.34), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.25, s * 0.62, s * 0.5, s * 0.3));
    p.setBrush(QColor(60, 200, 80));
    p.drawEllipse(QRectF(s * 0.76, s * 0.47, s * 0.08, s * 0.08));
}

void paintPicture(QPainter &p, ButtonPicture pic, double s)
{
    switch (pic) {
    case ButtonPicture::ZoomIn:
        magnifier(p, s, u'+');
        break;
    case ButtonPicture::ZoomOut:
        magnifier(p, s, u'-');
        break;
    case ButtonPicture::FitWidth: {
        p.setPen(QPen(QColor(40, 70, 140), s * 0.08));
        p.drawLine(QPointF(s * 0.1, s * 0.15), QPointF(s * 0.1, s * 0.85));
        p.drawLine(QPointF(s * 0.9, s * 0.15), QPointF(s * 0.9, s * 0.85));
        p.drawLine(QPointF(s * 0.22, s * 0.5), QPointF(s * 0.78, s * 0.5));
        QPainterPath a;
        a.moveTo(s * 0.2, s * 0.5);
        a.lineTo(s * 0.36, s * 0.36);
        a.lineTo(s * 0.36, s * 0.64);
        a.closeSubpath();
        a.moveTo(s * 0.8, s * 0.5);
        a.lineTo(s * 0.64, s * 0.36);
        a.lineTo(s * 0.64, s * 0.64);
        a.closeSubpath();
        p.fillPath(a, QColor(40, 70, 140));
        break;
    }
    case ButtonPicture::Print:
        printer(p, s);
        break;
    case ButtonPicture::PrintBatch:
        sheet(p, QRectF(s * 0.04, s * 0.02, s * 0.4, s * 0.34));
        sheet(p, QRectF(s * 0.14, s * 0.08, s * 0.4, s * 0.34));
        printer(p, s);
        break;
    case ButtonPicture::EditSize:
    case ButtonPicture::EditMargins: {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(250, 235, 170));
        p.drawRect(QRectF(s * 0.08, s * 0.55, s * 0.84, s * 0.3));
        for (int i = 1; i < 8; ++i) {
            const double x = s * (0.08 + 0.105 * i);
            p.drawLine(QPointF(x, s * 0.55), QPointF(x, s * (i % 2 ? 0.65 : 0.72)));
        }
        if (pic == ButtonPicture::EditMargins) {
            p.setPen(QPen(QColor(200, 40, 40), s * 0.07));
            p.drawLine(QPointF(s * 0.2, s * 0.1), QPointF(s * 0.2, s * 0.45));
            p.drawLine(QPointF(s * 0.8, s * 0.1), QPointF(s * 0.8, s * 0.45));
        } else {
            p.setPen(QPen(QColor(40, 70, 140), s * 0.07));
            p.drawLine(QPointF(s * 0.12, s * 0.3), QPointF(s * 0.88, s * 0.3));
            p.drawLine(QPointF(s * 0.12, s * 0.18), QPointF(s * 0.12, s * 0.42));
            p.drawLine(QPointF(s * 0.88, s * 0.18), QPointF(s * 0.88, s * 0.42));
        }
        break;
    }
    case ButtonPicture::Import:
    case ButtonPicture::Export: {
        sheet(p, QRectF(s * 0.3, s * 0.1, s * 0.55, s * 0.8));
        p.setPen(QPen(QColor(30, 140, 60), s * 0.09, Qt::SolidLine, Qt::RoundCap));
        const bool in = pic == ButtonPicture::Import;
        const double x0 = in ? s * 0.05 : s * 0.45, x1 = in ? s * 0.55 : s * 0.95;
        p.drawLine(QPointF(x0, s * 0.5), QPointF(x1, s * 0.5));
        p.drawLine(QPointF(x1, s * 0.5), QPointF(x1 - s * 0.15, s * 0.36));
        p.drawLine(QPointF(x1, s * 0.5), QPointF(x1 - s * 0.15, s * 0.64));
        break;
    }
    case ButtonPicture::DeleteRows:
    case ButtonPicture::ClearAll:
        sheet(p, QRectF(s * 0.12, s * 0.1, s * 0.6, s * 0.8));
        if (pic == ButtonPicture::ClearAll)
            sheet(p, QRectF(s * 0.2, s * 0.16, s * 0.6, s * 0.8));
        p.setPen(QPen(QColor(200, 40, 40), s * 0.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.9, s * 0.9));
        p.drawLine(QPointF(s * 0.9, s * 0.5), QPointF(s * 0.5, s * 0.9));
        break;
    case ButtonPicture::Reprint:
        printer(p, s);
        p.setPen(QPen(QColor(30, 140, 60), s * 0.08));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.3, s * 0.62, s * 0.4, s * 0.3), 0, 300 * 16);
        break;
    case ButtonPicture::Search:
        magnifier(p, s, u' ');
        break;
    case ButtonPicture::Statistics: {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.drawLine(QPointF(s * 0.1, s * 0.9), QPointF(s * 0.92, s * 0.9));
        const double h[] = {0.35, 0.6, 0.45, 0.75};
        const QColor c[] = {QColor(70, 120, 200), QColor(220, 120, 40), QColor(70, 170, 90),
                            QColor(200, 60, 60)};
        for (int i = 0; i < 4; ++i)
            p.fillRect(QRectF(s * (0.14 + 0.2 * i), s * (0.9 - h[i]), s * 0.14, s * h[i]), c[i]);
        break;
    }
    }
}

} // namespace

QIcon ButtonIcon(ButtonPicture picture, int sizePx)
{
    QPixmap pm(sizePx, sizePx);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paintPicture(p, picture, sizePx);
    p.end();
    return QIcon(pm);
}

} // namespace mainwin
