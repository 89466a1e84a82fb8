#pragma once
// One printer document: its pages are opened one by one, each after the paper size and
// orientation of its slip are set. A page break is only noted and carried out when the next page
// begins, so a document ended right after a break has no empty last page.

#include "print/filledpage.h"
#include "print/pagerender.h"
#include "print/twippainter.h"
#include "print/wideglyphs.h"

#include <QPainter>
#include <QString>
#include <memory>
#include <optional>

class QPrinter;
class QTemporaryFile;

namespace print {

class PrintDocument
{
public:
    explicit PrintDocument(QPrinter &printer);
    // A document that was not ended is aborted: nothing of it reaches the printer.
    ~PrintDocument();
    PrintDocument(const PrintDocument &) = delete;
    PrintDocument &operator=(const PrintDocument &) = delete;

    // Sets the paper for the slip (when it asks for that) and its orientation, then opens the
    // document or its next page. False when the job could not be started (ErrorText says why).
    bool BeginPage(const FilledPage &page);
    // The surface of the page begun last.
    PrintSurface &Surface() { return *m_surface; }
    PageRenderer &Renderer() { return m_renderer; }
    // Draws the page with the margins it carries and its grid when asked; BeginPage first.
    bool PrintPage(const FilledPage &page);
    // Notes a page break; the next BeginPage carries it out.
    void NewPage() { m_pendingNewPage = m_open; }
    // Ends the document and sends it to the printer; false when that failed. A PDF counts as
    // written only when the whole file, up to its closing trailer, is on the disk.
    bool End();
    void Abort();

    // The file the user named, shown in messages in place of the file being written (a PDF is
    // written beside its place and moved there when complete).
    void SetOutputName(const QString &name) { m_outputName = name; }

    bool IsOpen() const { return m_open; }
    int Pages() const { return m_pages; }
    QString ErrorText() const { return m_error; }
    // Messages about the paper and the barcodes that the user should see (each said once per
    // document).
    QStringList Messages() const { return m_messages; }

private:
    // The document of a printer queue is written to a file of its own and sent only once it is
    // whole: a document given up never reaches the printer.
    void OpenSpool();
    void CloseSpool();
    QPrinter &Target() { return m_spool ? *m_spool : m_printer; }
    QString OutputName() const;
    QString WriteError() const;

    struct PaperKey
    {
        bool setPaper = false;
        double widthMm = 0, heightMm = 0;
        bool lengthwise = false;
        bool operator==(const PaperKey &) const = default;
    };

    QPrinter &m_printer;
    std::unique_ptr<QTemporaryFile> m_spoolFile;
    std::unique_ptr<QPrinter> m_spool;
    std::optional<PaperKey> m_paper; // what the pages of this document were set to last
    QPainter m_painter;
    std::optional<TwipPainter> m_surface;
    TwipPainter::TextCache m_texts; // texts measured and shaped on this document's printer
    WideGlyphs m_wide;              // the characters beyond the plane it drew, for its text layer
    PageRenderer m_renderer;
    bool m_open = false;
    bool m_pendingNewPage = false;
    int m_pages = 0;
    QString m_error;
    QString m_outputName;
    QStringList m_messages;
};

} // namespace print
