#include "page/piccontent.h"

#include "page/field.h"
#include "page/fieldvalue.h"
#include "store/model/context.h"
#include "store/model/fieldrow.h"
#include "store/db/params.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"
#include "store/core/units.h"
#include "store/core/vb.h"
#include "values/code39.h"
#include "values/ean13.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPointer>

namespace page {

namespace {

QString str(const char16_t *s)
{
    return QString::fromUtf16(s);
}

QImage loadPicture(const QString &path)
{
    QImageReader r(path);
    r.setAutoTransform(true);
    return r.read();
}

} // namespace

BarcodeStandard BarcodeStandardOf(const QString &param)
{
    return store::Val(param) == 0 ? BarcodeStandard::Code39 : BarcodeStandard::EAN13;
}

BarcodeStandard CurrentBarcodeStandard()
{
    return BarcodeStandardOf(store::GetPara(QStringLiteral("StrBarCodeStand")));
}

QImage RenderBarcode(const QString &text, BarcodeStandard standard, int w, int h, int tpp,
                     double fontSize, const QString &code39Font, bool *valid)
{
    if (valid)
        *valid = true;
    QImage img(qMax(1, w), qMax(1, h), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.scale(1.0 / tpp, 1.0 / tpp); // one unit is one twip of the page
    p.setPen(Qt::black);
    const double wTw = double(w) * tpp;
    const double hTw = double(h) * tpp;
    // The box in millimetres of the painter's twips, so that the symbol fills it exactly.
    const double hMM = store::TwipToMm(hTw);
    const double wMM = store::TwipToMm(wTw);
    if (standard == BarcodeStandard::Code39) {
        const double x = values::GetCode39BarWidth(text, wTw);
        const bool ok = values::DrawCode39(p, text, 0, 0, hMM, x, fontSize, true, code39Font);
        if (valid)
            *valid = ok;
    } else {
        values::DrawEAN13(p, text, 0, 0, hMM, wMM, fontSize, true);
    }
    return img;
}

void DrawPicCtlContent(PictureField &field, const QString &value, const PicContentEnv &env)
{
    PictureBox *box = field.Box();
    const bool isPath = value.contains(u'.');
    if (isPath && field.LinkItem() == value) {
        if (box)
            box->update();
        return;
    }
    if (box)
        box->setToolTip(str(kPicEmptyTip));
    if (!field.LinkItem().isEmpty()) {
        field.SetLinkItem(QString());
        if (box)
            box->SetPicture(QImage());
    }
    const QString who = (env.identity ? env.identity(field) : QString()) + u'\x1f' + value;
    if (env.warned && (value.isEmpty() || (*env.warned)[field.Index()] != who))
        env.warned->erase(field.Index());
    if (value.isEmpty())
        return;
    if (isPath) {
        // A missing or unreadable file keeps the value, so that it is neither lost from the
        // default record nor from printing; the box stays empty.
        field.SetLinkItem(value);
        if (box) {
            if (QFileInfo::exists(value))
                box->SetPicture(loadPicture(value));
            store::SetPlainToolTip(box, str(kPicFileTip) + value);
        }
        return;
    }
    const BarcodeStandard standard = env.standard ? env.standard() : CurrentBarcodeStandard();
    const double size = field.Font().size <= 2 ? 0 : field.Font().size;
    const QString font = env.code39Font ? env.code39Font(field) : field.Font().name;
    bool valid = true;
    if (box && !box->updatesEnabled()) {
        // Not shown now (the page while a batch prints, which gets its record back at the end):
        // drawn when shown; a text that cannot be drawn is told by the print itself.
        const int tpp = field.Tpp();
        box->SetPictureLater([value, standard, tpp, size, font](const QSize &s) {
            return RenderBarcode(value, standard, s.width(), s.height(), tpp, size, font);
        });
    } else if (box) {
        box->SetPicture(RenderBarcode(value, standard, box->width(), box->height(), field.Tpp(),
                                      size, font, &valid));
    }
    if (!valid && env.warned && !env.warned->count(field.Index())) {
        (*env.warned)[field.Index()] = who;
        if (env.invalid)
            env.invalid(QString::fromUtf16(values::kCode39InvalidMessage));
    }
    field.SetLinkItem(value);
    if (box)
        store::SetPlainToolTip(box, str(kPicBarcodeTip) + value);
}

void InstallPicCtlContent(store::AppContext &ctx)
{
    QPointer<store::AppContext> guard(&ctx);
    PicContentEnv env;
    env.code39Font = [guard](const PictureField &f) {
        if (guard && guard->FieldGrid()) {
            const QString name = store::ReadFieldRow(*guard->FieldGrid(), f.Row()).fontName;
            if (!name.isEmpty())
                return name;
        }
        return f.Font().name;
    };
    env.identity = [guard](const PictureField &f) {
        return guard && guard->FieldGrid()
                   ? guard->FormatName() + u'\x1f' +
                         store::ReadFieldRow(*guard->FieldGrid(), f.Row()).id.Text()
                   : QString();
    };
    env.invalid = [](const QString &m) { store::ReportMessage(m, store::MsgKind::Warning); };
    SetPictureContentHandler(
        [env](PictureField &f, const QString &v) { DrawPicCtlContent(f, v, env); });
}

} // namespace page
