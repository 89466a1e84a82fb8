#include "recorder.h"

#include "store/core/units.h"

namespace printtest {

Recorder::Recorder(double paperWmm, double paperHmm, bool fitMetrics)
    : m_paperW(store::MmToTwip(paperWmm)), m_paperH(store::MmToTwip(paperHmm)), m_fit(fitMetrics)
{
}

double Recorder::TextWidth(const QString &text)
{
    return m_fit ? 10.0 * m_font.size * text.size() : 100.0 * text.size();
}

void Recorder::PrintAt(double x, double y, const QString &text)
{
    texts.append({x, y, text, m_font, m_color});
}

QString Recorder::Joined() const
{
    QString s;
    for (const Text &t : texts)
        s += t.text;
    return s;
}

} // namespace printtest
