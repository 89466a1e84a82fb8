#include "store/model/context.h"

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

namespace {

std::function<int()> &DefaultScreenWidth()
{
    static std::function<int()> source;
    return source;
}

} // namespace

int AppContext::ScreenWidthTwips() const
{
    if (m_screenWidth)
        return m_screenWidth();
    if (const std::function<int()> &source = DefaultScreenWidth())
        return source();
    return 15360;
}

void AppContext::SetDefaultScreenWidthSource(std::function<int()> source)
{
    DefaultScreenWidth() = std::move(source);
}

void AppContext::SetPageWidths(double page, double frame)
{
    m_pageWidth = page;
    m_frameWidth = frame;
}

} // namespace store
