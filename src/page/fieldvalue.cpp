#include "page/fieldvalue.h"

#include "store/model/defaults.h"

#include <QImage>

namespace page {

namespace {

PictureContentHandler &Handler()
{
    static PictureContentHandler handler;
    return handler;
}

} // namespace

QString GetCtlValue(const PageField *ctl)
{
    if (!ctl)
        return QString();
    switch (ctl->Kind()) {
    case FieldKind::Text:
        return static_cast<const TextField *>(ctl)->Text();
    case FieldKind::Check: {
        const int v = static_cast<const CheckField *>(ctl)->Value();
        return v == 0 ? QString() : QString::number(v);
    }
    case FieldKind::Picture:
        return static_cast<const PictureField *>(ctl)->LinkItem();
    default:
        return QString();
    }
}

void SetCtlValue(PageField *ctl, const QString &text, const QString &crlfChr, bool substituteCrlf)
{
    if (!ctl)
        return;
    switch (ctl->Kind()) {
    case FieldKind::Text:
        static_cast<TextField *>(ctl)->SetText(substituteCrlf ? store::CrlfToBreaks(text, crlfChr)
                                                              : text);
        break;
    case FieldKind::Check:
        static_cast<CheckField *>(ctl)->SetValue(text.trimmed().isEmpty() ? 0 : 1);
        break;
    case FieldKind::Picture:
        SetPicCtlContent(*static_cast<PictureField *>(ctl), text);
        break;
    default:
        break;
    }
}

void SetPictureContentHandler(PictureContentHandler handler) { Handler() = std::move(handler); }

void SetPicCtlContent(PictureField &field, const QString &link)
{
    if (Handler()) {
        Handler()(field, link);
        return;
    }
    field.SetLinkItem(link);
    if (field.Box())
        field.Box()->SetPicture(link.contains(u'.') ? QImage(link) : QImage());
}

} // namespace page
