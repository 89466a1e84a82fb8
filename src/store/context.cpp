#include "store/context.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace store {

AppContext::AppContext(QObject *parent) : QObject(parent) {}

void AppContext::SetFormatName(const QString &name)
{
    if (name == m_fmtName)
        return;
    m_fmtName = name;
    emit formatNameChanged(name);
}

void AppContext::SetPageSize(const QString &wid, const QString &hie)
{
    if (wid == m_wid && hie == m_hie)
        return;
    m_wid = wid;
    m_hie = hie;
    emit pageSizeChanged();
}

void AppContext::SetMargins(const QString &x, const QString &y)
{
    if (x == m_marginX && y == m_marginY)
        return;
    m_marginX = x;
    m_marginY = y;
    emit marginsChanged();
}

int AppContext::O2(int i) const
{
    if (i < 0 || i >= int(m_o2.size()))
        return 0;
    return m_o2[size_t(i)];
}

void AppContext::SetO2(int i, int value)
{
    if (i < 0 || i >= int(m_o2.size()) || m_o2[size_t(i)] == value)
        return;
    m_o2[size_t(i)] = value;
    emit o2Changed(i, value);
}

void AppContext::SetSwitches(bool setPaper, bool diTuPrint, bool printRulers)
{
    if (setPaper == m_setPaper && diTuPrint == m_diTuPrint && printRulers == m_printRulers)
        return;
    m_setPaper = setPaper;
    m_diTuPrint = diTuPrint;
    m_printRulers = printRulers;
    emit switchesChanged();
}

int AppContext::ScreenWidthTwips() const
{
    if (m_screenWidth)
        return m_screenWidth();
    return PrimaryScreenWidthTwips();
}

void AppContext::SetPageWidths(double page, double frame)
{
    m_pageWidth = page;
    m_frameWidth = frame;
}

int PrimaryScreenWidthTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || screen->logicalDotsPerInchX() <= 0)
        return 15360;
    const double tpp = std::max(1.0, std::round(1440.0 / screen->logicalDotsPerInchX()));
    return int(screen->geometry().width() * tpp);
}

} // namespace store
