#include "store/ui/formpos.h"

#include "store/db/db.h"
#include "store/db/params.h"
#include "store/core/units.h"
#include "store/core/vb.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace store {

namespace {

QString FullKey(const QString &key)
{
    return QStringLiteral("窗口参数：") + key;
}

double TwipsPerPx(const QWidget *w)
{
    const int dpi = w->logicalDpiX();
    return TwipsPerPixel(dpi > 0 ? dpi : 96);
}

QRect ScreenRect(const QWidget *w)
{
    QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

bool SaveFormPos(QWidget *window, const QString &key)
{
    if (!window)
        return false;
    const double k = TwipsPerPx(window);
    const QRect screen = ScreenRect(window);
    QString value;
    if (window->frameGeometry().width() >= screen.width()) {
        value = QStringLiteral("0;0;0;0");
    } else {
        const QPoint p = window->pos();
        value = QStringLiteral("%1;%2;%3;%4")
                    .arg(CLng(p.x() * k))
                    .arg(CLng(p.y() * k))
                    .arg(CLng(window->width() * k))
                    .arg(CLng(window->height() * k));
    }
    Transaction tx;
    if (!tx.Ok())
        return false;
    if (!ExecSQL(QStringLiteral("DELETE FROM 参数 WHERE Var=?"), {FullKey(key)})
        || !ExecSQL(QStringLiteral("INSERT INTO 参数(Var, Con) VALUES(?, ?)"), {FullKey(key), value}))
        return false;
    return tx.Commit();
}

void LoadFormPos(QWidget *window, const QString &key)
{
    if (!window)
        return;
    const QString value = GetPara(FullKey(key));
    if (value.isEmpty())
        return;
    const QStringList items = value.split(u';');
    if (items.size() < 4)
        return;
    const double l = RoundEven(Val(items[0])), t = RoundEven(Val(items[1]));
    const double w = RoundEven(Val(items[2])), h = RoundEven(Val(items[3]));
    const double k = TwipsPerPx(window);
    const QRect screen = ScreenRect(window);
    const double sw = screen.width() * k, sh = screen.height() * k;
    if (l < sw && t < sh && t + h > 0 && l + w > 0)
        window->move(CLng(l / k), CLng(t / k));
    if (w > 0 && h > 0)
        window->resize(CLng(w / k), CLng(h / k));
}

} // namespace store
