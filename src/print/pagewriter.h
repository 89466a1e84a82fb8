#pragma once
// The pages of a long document drawn on a thread of their own, while the next record is loaded
// into the page and put aside for the history: each page is handed over as a FilledPage (values
// only, nothing of a widget), and the document is ended or aborted on the same thread, as its
// printer system asks. The document is not touched by anyone else until Finish has returned.
// Whoever waits for the writer (room in the queue, the document's end) handles its events
// meanwhile: a progress window, a repaint and a termination request are answered, and one of
// them may give the document up (Stop).

#include "print/filledpage.h"

#include <QEventLoop>
#include <QHash>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
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
    // could not be begun (the pages handed over after it are not drawn) or the document was
    // given up.
    bool Queue(FilledPage page);
    // The document's messages (paper, barcodes) as of the last page drawn.
    QStringList Messages();
    // Waits for the pages handed over to be drawn, then ends the document (end); or drops them
    // and aborts it. True when it was ended and every page was drawn; the document's ErrorText
    // says why not (nothing when it was given up).
    bool Finish(bool end);
    // Gives the document up, from an event handled while Queue or Finish waits or between them:
    // the pages not yet begun are dropped and the document is aborted once the page being drawn
    // is done; a Finish waiting returns then, a Queue waiting at once.
    void Stop();
    bool Stopped() const { return m_stopped; }
    // Whether Queue or Finish waits for the writer now.
    bool Waiting() const { return m_waiting; }
    // The events handled while waiting (all of them unless set).
    void SetWaitEvents(QEventLoop::ProcessEventsFlags events) { m_waitEvents = events; }

    // Runs on the writer's thread before each page is drawn (a test holds the writer back with
    // it); empty for none.
    static void SetBeforePageHook(std::function<void()> hook);

private:
    void Run();
    // Handles events until done (under the lock) holds; the writer wakes the wait when what
    // done reads changes.
    void WaitAnswering(std::unique_lock<std::mutex> &lock, const std::function<bool()> &done);
    void WakeWaiter(); // under the lock
    // Counts the page's pictures in (step 1) or out (step -1) of those waiting (under the lock).
    void CountPictures(const FilledPage &page, int step);
    // Whether Queue may add a page now, and whether a Queue waiting on a full queue may go on
    // (under the lock).
    bool HasRoom() const;
    bool MayResume() const;

    PrintDocument &m_doc;
    std::mutex m_lock;
    std::condition_variable m_work; // a page waits, or the document is closing
    QEventLoop *m_waiter = nullptr; // the wait of Queue or Finish, woken by the writer
    std::deque<FilledPage> m_pages;
    QHash<qint64, int> m_pictureHolders; // waiting pages holding each picture
    qint64 m_pictureBytes = 0;
    QStringList m_messages;
    bool m_closing = false, m_end = false;
    bool m_failed = false, m_ended = false, m_done = false;
    bool m_stopped = false;
    bool m_queueWaits = false; // Queue waits for room
    bool m_waiting = false;
    QEventLoop::ProcessEventsFlags m_waitEvents = QEventLoop::AllEvents;
    std::unique_ptr<QThread> m_thread;
};

} // namespace print
