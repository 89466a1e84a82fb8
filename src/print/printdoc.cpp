#include "print/printdoc.h"

#include "print/paperform.h"
#include "print/pdftext.h"
#include "store/core/units.h"
#include "store/core/vb.h"
#include "values/code39.h"
#include "values/fonts.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <utility>
#include <vector>
#include <malloc.h>
#include <unistd.h>

namespace print {

namespace {

// Hands a complete PDF file to the printer system as one job on the queue, with the options the
// printer support gives a job of its own (the paper by its name, one side, the orientation).
// Returns the job's number, 0 when the scheduler did not take it (or no printer library is
// there). The file can go once this returns.
int SendToQueue(const QString &queue, const QString &file, const QString &title,
                const QPageLayout &layout)
{
    struct Option
    {
        char *name;
        char *value;
    };
    using PrintFile = int (*)(const char *, const char *, const char *, int, Option *);
    static const auto printFile =
        reinterpret_cast<PrintFile>(QLibrary::resolve(QStringLiteral("cups"), 2, "cupsPrintFile"));
    if (!printFile)
        return 0;
    QList<std::pair<QByteArray, QByteArray>> given{
        {"media", layout.pageSize().key().toLocal8Bit()}, {"sides", "one-sided"}};
    if (layout.orientation() == QPageLayout::Landscape)
        given.append(std::pair<QByteArray, QByteArray>("landscape", ""));
    std::vector<Option> options;
    for (auto &[name, value] : given)
        options.push_back({name.data(), value.data()});
    // The queue without an instance ("name/instance" names a set of saved options).
    const QByteArray name = queue.section(u'/', 0, 0).toLocal8Bit();
    return printFile(name.constData(), QFile::encodeName(file).constData(),
                     title.toLocal8Bit().constData(), int(options.size()), options.data());
}

// The PDF writer neither checks its writes nor the closing of its file: a full disk leaves a cut
// file behind. A complete file ends with its trailer, "startxref", the offset of the cross
// reference inside the file, and "%%EOF". The file is also synced when asked, so that what is
// there stays.
bool PdfFileComplete(const QString &path, bool sync = true)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 32)
        return false;
    const qint64 size = f.size();
    const qint64 tailSize = std::min<qint64>(size, 1024);
    if (!f.seek(size - tailSize))
        return false;
    const QByteArray tail = f.read(tailSize);
    if (tail.size() != tailSize)
        return false;
    const qsizetype eof = tail.lastIndexOf("%%EOF");
    const qsizetype xref = tail.lastIndexOf("startxref");
    if (eof < 0 || xref < 0 || xref > eof || !tail.mid(eof + 5).trimmed().isEmpty())
        return false;
    bool ok = false;
    const qint64 offset = tail.mid(xref + 9, eof - xref - 9).trimmed().toLongLong(&ok);
    if (!ok || offset <= 0 || offset >= size)
        return false;
    return !sync || ::fsync(f.handle()) == 0;
}

// The PDF writer sets up a fresh compressor with its buffers (a quarter of a megabyte) and a
// large output buffer for every page it writes, and frees them again after the page. With the
// C library's defaults that memory goes back to the system after each page and comes back as
// fresh zeroed pages for the next: thousands of system calls and page faults in a batch. Freed
// memory of this size is kept in the process instead (once, for the whole program).
void KeepPageBuffers()
{
    static const bool once = [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
        return true;
    }();
    Q_UNUSED(once);
}

// The writer's buffers of a page are freed at the next, and the kept memory between them is
// soon split up by smaller allocations, so that each page's buffers land on memory not used
// before: in a long batch the process grows without holding more. Now and then the memory
// pages nothing is allocated on are given back to the system.
void GiveBackIdleMemory(int pages)
{
    if (pages % 128 == 0)
        malloc_trim(0);
}

} // namespace

PrintDocument::PrintDocument(QPrinter &printer) : m_printer(printer)
{
    values::registerFontSubstitutes();
    KeepPageBuffers();
}

PrintDocument::~PrintDocument()
{
    if (m_open)
        Abort();
}

bool PrintDocument::BeginPage(const FilledPage &page)
{
    // The pages of a batch share their slip: the paper is set again only when it changes.
    const PaperKey slip{page.setPaper, page.widthMm, page.heightMm, page.lengthwise};
    if (!m_open || !m_paper || !(*m_paper == slip)) {
        if (page.setPaper) {
            QString form = kFormName;
            const PaperFormResult r =
                SetPrinterPaperSize(m_printer, form, page.widthMm, page.heightMm);
            if (!r.message.isEmpty() && !m_messages.contains(r.message))
                m_messages << r.message;
        }
        m_printer.setPageOrientation(page.lengthwise ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
        m_paper = slip;
        if (m_spool)
            m_spool->setPageLayout(m_printer.pageLayout());
    }
    if (!m_open) {
        const bool queue = m_printer.outputFormat() == QPrinter::NativeFormat;
        const bool gone = queue && QPrinterInfo::printerInfo(m_printer.printerName()).isNull();
        m_wide = WideGlyphs();
        // The job (or the file) is known by the format's name.
        m_printer.setDocName(page.formatName);
        if (!gone && queue)
            OpenSpool();
        if (gone || (queue && !m_spool) || !m_painter.begin(&Target())) {
            m_error = m_printer.outputFormat() == QPrinter::PdfFormat
                          ? WriteError()
                          : QStringLiteral("无法开始打印，请检查打印机“%1”是否正常连接！")
                                .arg(m_printer.printerName());
            return false;
        }
        m_open = true;
    } else if (m_pendingNewPage) {
        if (!Target().newPage()) {
            m_error = QStringLiteral("打印机无法换页，打印未完成！");
            return false;
        }
        GiveBackIdleMemory(m_pages);
    }
    m_pendingNewPage = false;
    const QRectF paper = Target().pageLayout().fullRect(QPageLayout::Point);
    m_surface.emplace(m_painter, Target(), QSizeF(paper.width() * 20, paper.height() * 20));
    m_surface->UseTextCache(&m_texts);
    m_surface->NoteWideGlyphs(&m_wide);
    ++m_pages;
    return true;
}

bool PrintDocument::PrintPage(const FilledPage &page)
{
    if (!m_surface)
        return false;
    m_renderer.PrintFmtPage(*m_surface, page, page.offX, page.offY);
    if (page.rulers)
        PageRenderer::PrintRulers(*m_surface);
    const QString invalid = QString::fromUtf16(values::kCode39InvalidMessage);
    if (m_surface->InvalidBarcode() && !m_messages.contains(invalid))
        m_messages << invalid;
    return true;
}

bool PrintDocument::End()
{
    if (!m_open)
        return m_error.isEmpty();
    m_pendingNewPage = false;
    m_surface.reset();
    m_open = false;
    bool ok = m_painter.end();
    if (Target().printerState() == QPrinter::Error)
        ok = false;
    if (m_spool) {
        // The queue gets the document only now that it is whole.
        ok = ok && PdfFileComplete(m_spool->outputFileName(), false) &&
             SendToQueue(m_printer.printerName(), m_spool->outputFileName(), m_printer.docName(),
                         m_spool->pageLayout()) > 0;
        CloseSpool();
    } else if (ok && m_printer.outputFormat() == QPrinter::PdfFormat) {
        ok = PdfFileComplete(m_printer.outputFileName()) &&
             PdfTextAsDrawn(m_printer.outputFileName(), m_wide.Unnamed());
    }
    if (!ok) {
        m_error = m_printer.outputFormat() == QPrinter::PdfFormat
                      ? WriteError()
                      : QStringLiteral("打印未能完成，请检查打印机“%1”是否正常连接！")
                            .arg(m_printer.printerName());
    }
    return ok;
}

void PrintDocument::OpenSpool()
{
    CloseSpool();
    m_spoolFile = std::make_unique<QTemporaryFile>(QDir::temp().filePath(
        QStringLiteral("quorvan-job-XXXXXX.pdf")));
    if (!m_spoolFile->open()) {
        m_spoolFile.reset();
        return;
    }
    m_spoolFile->close();
    m_spool = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_spool->setOutputFormat(QPrinter::PdfFormat);
    m_spool->setOutputFileName(m_spoolFile->fileName());
    m_spool->setResolution(m_printer.resolution());
    m_spool->setFullPage(true);
    m_spool->setPageLayout(m_printer.pageLayout());
    m_spool->setColorMode(m_printer.colorMode());
    m_spool->setDocName(m_printer.docName());
    m_spool->setCreator(m_printer.creator());
}

void PrintDocument::CloseSpool()
{
    m_spool.reset();
    m_spoolFile.reset();
}

QString PrintDocument::OutputName() const
{
    return m_outputName.isEmpty() ? m_printer.outputFileName() : m_outputName;
}

QString PrintDocument::WriteError() const
{
    return QStringLiteral("无法写入文件“%1”！").arg(QDir::toNativeSeparators(OutputName()));
}

void PrintDocument::Abort()
{
    if (!m_open)
        return;
    m_surface.reset();
    m_open = false;
    m_pendingNewPage = false;
    // A queue's document is dropped unsent; the printer support itself cannot take back a job
    // once its painting began.
    if (!m_spool)
        m_printer.abort();
    if (m_painter.isActive())
        m_painter.end();
    CloseSpool();
}

} // namespace print
