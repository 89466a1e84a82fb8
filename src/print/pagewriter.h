#pragma once
// The pages of a long document drawn on a thread of their own, while the next record is loaded
// into the page and put aside for the history: each page is handed over as a FilledPage (values
// only, nothing of a widget), and the document is ended or aborted on the same thread, as its
// printer system asks. The document is not touched by anyone else until Finish has returned.

#include "print/filledpage.h"

#include <QHash>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class QThread;

namespace print {

class PrintDocument;

class PageWriter
{
public:
    explicit PageWriter(PrintDocument &doc);
    // Aborts the document when Finish was not called.
    ~PageWriter();
    PageWriter(const PageWriter &) = delete;
    PageWriter &operator=(const PageWriter &) = delete;

    // Hands one page over; it is begun, drawn and followed by a page break. Waits while many
    // pages (or pictures of a few megabytes) are still waiting to be drawn. False once a page
    // could not be begun: the pages handed over after it are not drawn.
    bool Queue(FilledPage page);
    // The document's messages (paper, barcodes) as of the last page drawn.
    QStringList Messages();
    // Waits for the pages handed over to be drawn, then ends the document (end); or drops them
    // and aborts it. True when it was ended and every page was drawn; the document's ErrorText
    // says why not.
    bool Finish(bool end);

private:
    void Run();
    // Counts the page's pictures in (step 1) or out (step -1) of those waiting (under the lock).
    void CountPictures(const FilledPage &page, int step);
    // Whether Queue may add a page now, and whether a Queue waiting on a full queue may go on
    // (under the lock).
    bool HasRoom() const;
    bool MayResume() const;

    PrintDocument &m_doc;
    std::mutex m_lock;
    std::condition_variable m_work; // a page waits, or the document is closing
    std::condition_variable m_room; // the queue has room again, or a page failed
    std::deque<FilledPage> m_pages;
    QHash<qint64, int> m_pictureHolders; // waiting pages holding each picture
    qint64 m_pictureBytes = 0;
    QStringList m_messages;
    bool m_closing = false, m_end = false;
    bool m_failed = false, m_ended = false;
    bool m_queueWaits = false; // Queue waits for room
    std::unique_ptr<QThread> m_thread;
};

} // namespace print
