#include "benchslip.h"

#include <QFile>
#include <QPrinter>
#include <QTextStream>

namespace printbench {

namespace {

print::FilledField Text(int n, double x, double y, double w, double h, double packed = 0)
{
    print::FilledField f;
    f.kind = print::FieldKind::Text;
    f.index = n;
    f.id = n;
    f.x = x;
    f.y = y;
    f.w = w;
    f.h = h;
    f.packedSpacing = packed;
    f.fontName = QStringLiteral("Noto Sans CJK SC");
    f.fontSize = 12;
    return f;
}

} // namespace

print::FilledPage BenchSlip(const QStringList &r)
{
    print::FilledPage p;
    p.formatName = QStringLiteral("转账支票");
    p.widthMm = 240;
    p.heightMm = 80;
    p.setPaper = true;
    print::FilledField date = Text(1, 20, 8, 120, 8);
    print::FilledField payee = Text(2, 20, 18, 150, 8);
    print::FilledField words = Text(3, 20, 28, 150, 8);
    print::FilledField amount = Text(4, 170, 28, 60, 8, 1000); // right-aligned
    print::FilledField purpose = Text(5, 20, 38, 150, 8);
    print::FilledField serial = Text(6, 20, 50, 80, 15);
    serial.kind = print::FieldKind::Picture;
    serial.index = 2001;
    serial.fontSize = 9;
    date.text = r.value(0);
    payee.text = r.value(1);
    words.text = r.value(2);
    amount.text = r.value(3);
    purpose.text = r.value(4);
    serial.text = r.value(5);
    p.fields << date << payee << words << amount << purpose << serial;
    return p;
}

void PdfOutput(QPrinter &printer, const QString &file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QList<QStringList> ReadRecords(const QString &path)
{
    QList<QStringList> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QTextStream in(&f);
    in.readLine();
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.isEmpty())
            out << line.split(QLatin1Char(','));
    }
    return out;
}

} // namespace printbench
