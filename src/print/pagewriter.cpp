#include "print/pagewriter.h"

#include "print/printdoc.h"

#include <QThread>

namespace print {

namespace {

std::function<void()> g_beforePage;

// Pages handed over and not yet drawn: the records run ahead of the writer by that many, so
// that the history of a batch is written while its last pages are still drawn. The pictures
// among them (each counted once, however many pages share it) are held to a few megabytes.
constexpr size_t kWaitingPages = 256;
constexpr qint64 kWaitingPictureBytes = 8 * 1024 * 1024;
// A full queue takes pages again once the writer has drawn half of it: the two threads then
// meet once every so many pages, not once a page.
constexpr size_t kResumePages = kWaitingPages / 2;

template <typename Visit> void ForEachPicture(const FilledPage &page, const Visit &visit)
{
    if (!page.background.isNull())
        visit(page.background);
    for (const FilledField &f : page.fields) {
        if (!f.picture.isNull())
            visit(f.picture);
    }
}

} // namespace

void PageWriter::CountPictures(const FilledPage &page, int step)
{
    ForEachPicture(page, [&](const QImage &image) {
        int &holders = m_pictureHolders[image.cacheKey()];
        if (step > 0 && holders++ == 0)
            m_pictureBytes += image.sizeInBytes();
        if (step < 0 && --holders == 0) {
            m_pictureBytes -= image.sizeInBytes();
            m_pictureHolders.remove(image.cacheKey());
        }
    });
}

bool PageWriter::HasRoom() const
{
    return m_pages.empty() ||
           (m_pages.size() < kWaitingPages && m_pictureBytes < kWaitingPictureBytes);
}

bool PageWriter::MayResume() const
{
    return m_pages.empty() ||
           (m_pages.size() <= kResumePages && m_pictureBytes < kWaitingPictureBytes);
}

PageWriter::PageWriter(PrintDocument &doc) : m_doc(doc)
{
    m_thread.reset(QThread::create([this] { Run(); }));
    m_thread->setObjectName(QStringLiteral("page writer"));
    m_thread->start();
}

PageWriter::~PageWriter()
{
    if (m_thread)
        Finish(false);
}

void PageWriter::SetBeforePageHook(std::function<void()> hook)
{
    g_beforePage = std::move(hook);
}

void PageWriter::WaitAnswering(std::unique_lock<std::mutex> &lock,
                               const std::function<bool()> &done)
{
    QEventLoop loop;
    m_waiting = true;
    while (!done()) {
        m_waiter = &loop;
        lock.unlock();
        loop.exec(m_waitEvents);
        lock.lock();
        m_waiter = nullptr;
    }
    m_waiting = false;
}

void PageWriter::WakeWaiter()
{
    // The wait is cleared under the lock before its loop goes, and a wake-up posted to a loop
    // that is gone is dropped with it.
    if (m_waiter)
        QMetaObject::invokeMethod(m_waiter, &QEventLoop::quit, Qt::QueuedConnection);
}

void PageWriter::Stop()
{
    {
        std::lock_guard lock(m_lock);
        m_stopped = true;
        WakeWaiter();
    }
    m_work.notify_one();
}

bool PageWriter::Queue(FilledPage page)
{
    std::unique_lock lock(m_lock);
    if (!HasRoom() && !m_failed && !m_stopped) {
        m_queueWaits = true;
        WaitAnswering(lock, [this] { return MayResume() || m_failed || m_stopped; });
        m_queueWaits = false;
    }
    if (m_failed || m_stopped)
        return false;
    const bool wasEmpty = m_pages.empty();
    CountPictures(page, +1);
    m_pages.push_back(std::move(page));
    lock.unlock();
    // The writer sleeps only on an empty queue.
    if (wasEmpty)
        m_work.notify_one();
    return true;
}

QStringList PageWriter::Messages()
{
    std::lock_guard lock(m_lock);
    return m_messages;
}

bool PageWriter::Finish(bool end)
{
    if (!m_thread) {
        std::lock_guard lock(m_lock);
        return m_ended;
    }
    {
        std::lock_guard lock(m_lock);
        m_closing = true;
        m_end = end;
    }
    m_work.notify_one();
    {
        std::unique_lock lock(m_lock);
        WaitAnswering(lock, [this] { return m_done; });
    }
    // Past its last step: the thread only returns.
    m_thread->wait();
    m_thread.reset();
    // The writer's last step is under the lock: taking it here orders all it did before what
    // follows, also for tools that do not see through the thread's end.
    std::lock_guard lock(m_lock);
    return m_ended;
}

void PageWriter::Run()
{
    for (;;) {
        FilledPage page;
        bool failed = false;
        {
            std::unique_lock lock(m_lock);
            m_work.wait(lock, [this] { return !m_pages.empty() || m_closing; });
            if (m_pages.empty())
                break;
            page = std::move(m_pages.front());
            m_pages.pop_front();
            CountPictures(page, -1);
            failed = m_failed || m_stopped || (m_closing && !m_end);
            if (m_queueWaits && MayResume())
                WakeWaiter();
        }
        if (failed)
            continue; // dropped: a page before could not be begun, or the document is given up
        if (g_beforePage)
            g_beforePage();
        const bool drawn = m_doc.BeginPage(page) && m_doc.PrintPage(page);
        if (drawn)
            m_doc.NewPage();
        const QStringList told = m_doc.Messages();
        {
            std::lock_guard lock(m_lock);
            m_messages = told;
            m_failed = !drawn;
            if (!drawn)
                WakeWaiter();
        }
    }
    bool end = false;
    {
        std::lock_guard lock(m_lock);
        end = m_end && !m_failed && !m_stopped;
    }
    // Ended or aborted here: the printer system keeps the status of a job per thread.
    const bool ended = end && m_doc.End();
    if (!end)
        m_doc.Abort();
    std::lock_guard lock(m_lock);
    m_ended = ended;
    m_done = true;
    WakeWaiter();
}

} // namespace print
