#include "print/printers.h"

#include <QMarginsF>
#include <QPrinter>
#include <QPrinterInfo>

namespace print {

QStringList SystemPrinters::Names() const
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    names << kPdfPrinterName;
    return names;
}

QString SystemPrinters::DefaultName() const
{
    return QPrinterInfo::defaultPrinterName();
}

bool SystemPrinters::Reachable(const QString &name) const
{
    if (name == kPdfPrinterName)
        return true;
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return false;
    return QPrinter(info, QPrinter::HighResolution).isValid();
}

CurrentPrinter::CurrentPrinter() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    Select(Catalogue().DefaultName());
}

CurrentPrinter::~CurrentPrinter() = default;

void CurrentPrinter::Select(const QString &name)
{
    m_name = name;
    if (name == kPdfPrinterName) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        // The PDF page is the paper itself: positions are measured from its corner.
        m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    } else {
        m_printer->setOutputFormat(QPrinter::NativeFormat);
        m_printer->setOutputFileName(QString());
        m_printer->setPrinterName(name);
    }
}

namespace {
std::unique_ptr<PrinterCatalogue> &CatalogueSlot()
{
    static std::unique_ptr<PrinterCatalogue> slot = std::make_unique<SystemPrinters>();
    return slot;
}
} // namespace

PrinterCatalogue &Catalogue()
{
    return *CatalogueSlot();
}

void SetCatalogue(std::unique_ptr<PrinterCatalogue> catalogue)
{
    CatalogueSlot() = catalogue ? std::move(catalogue) : std::make_unique<SystemPrinters>();
}

CurrentPrinter &Current()
{
    static CurrentPrinter current;
    return current;
}

} // namespace print
