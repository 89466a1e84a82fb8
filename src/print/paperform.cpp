#include "print/paperform.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace print {

namespace {

bool IsNative(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat;
}

} // namespace

QPageSize PaperFormFor(QPrinter &printer, QString &formName, double wMm, double hMm)
{
    if (wMm <= 0 || hMm <= 0)
        return QPageSize();
    const QPageSize wanted(QSizeF(wMm, hMm), QPageSize::Millimeter, formName,
                           QPageSize::ExactMatch);
    if (wanted.id() != QPageSize::Custom) {
        // The constructor keeps the caller's name even for a standard size.
        formName = QPageSize::name(wanted.id());
        return QPageSize(wanted.id());
    }
    if (!IsNative(printer))
        return wanted;
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer.printerName());
    // Printers list their sizes in whole points, which is as fine as a match can be made.
    for (const QPageSize &size : info.supportedPageSizes()) {
        if (size.sizePoints() == wanted.sizePoints()) {
            formName = size.name();
            return size;
        }
    }
    if (info.supportsCustomPageSizes())
        return wanted;
    return QPageSize();
}

PaperFormResult SetPrinterPaperSize(QPrinter &printer, QString &formName, double wMm, double hMm)
{
    PaperFormResult r;
    if (IsNative(printer) && QPrinterInfo::printerInfo(printer.printerName()).isNull())
        return r;
    r.opened = true;
    const QPageSize size = PaperFormFor(printer, formName, wMm, hMm);
    if (!size.isValid()) {
        r.message = QStringLiteral("打印机“%1”不支持自定义纸张尺寸！").arg(printer.printerName());
        return r;
    }
    r.applied = printer.setPageSize(size);
    return r;
}

} // namespace print
