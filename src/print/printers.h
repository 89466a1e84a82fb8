#pragma once
// The printers the program can print on and the one it prints on now. The collection is the
// system's printer list followed by the print-to-PDF output; tests put in a catalogue of their
// own.

#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;

namespace print {

// The name under which the PDF output is listed with the printers.
inline const QString kPdfPrinterName = QStringLiteral("打印到PDF文件");

class PrinterCatalogue
{
public:
    virtual ~PrinterCatalogue() = default;
    // Device names in the system's order.
    virtual QStringList Names() const = 0;
    virtual QString DefaultName() const = 0;
    // True when a job can be sent to the printer now.
    virtual bool Reachable(const QString &name) const = 0;
};

// The system's printers (CUPS through QPrinterInfo) plus the PDF output.
class SystemPrinters : public PrinterCatalogue
{
public:
    QStringList Names() const override;
    QString DefaultName() const override;
    bool Reachable(const QString &name) const override;
};

// The printer object the program prints on, kept for the whole session.
class CurrentPrinter
{
public:
    CurrentPrinter();
    ~CurrentPrinter();
    QPrinter &Printer() { return *m_printer; }
    // The device name of the current printer ("" when there is none).
    QString Name() const { return m_name; }
    // Makes the printer current (the PDF output included); the PDF output's file is chosen at
    // each print.
    void Select(const QString &name);
    bool IsPdf() const { return m_name == kPdfPrinterName; }

private:
    std::unique_ptr<QPrinter> m_printer;
    QString m_name;
};

// The program's catalogue and current printer. SetCatalogue replaces the catalogue (tests).
PrinterCatalogue &Catalogue();
void SetCatalogue(std::unique_ptr<PrinterCatalogue> catalogue);
CurrentPrinter &Current();

} // namespace print
