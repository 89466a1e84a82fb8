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
        m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    } else {
        m_printer->setOutputFormat(QPrinter::NativeFormat);
        m_printer->setOutputFileName(QString());
        m_printer->setPrinterName(name);
    }
    // On every printer positions are measured from the paper's corner, as on the PDF page: the
    // calibrated print margins are the only offset. A printer that cannot print up to the edge
    // leaves out what lies in its margins; it moves nothing. (Set after the switch: a new
    // printer brings its own page layout.)
    m_printer->setFullPage(true);
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
