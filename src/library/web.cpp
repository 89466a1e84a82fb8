#include "library/web.h"

#include "store/db/filewriter.h"
#include "store/ui/indicator.h"
#include "store/db/textfile.h"
#include "store/db/website.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace library {

namespace {

std::function<QTime()> g_clock;

enum class Ending { Finished, TimedOut, Closed, Refused };

// Scheme, host and port: a redirect is followed only to the server the request went to.
bool SameServer(const QUrl &a, const QUrl &b)
{
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == u"https" ? 443 : 80) == b.port(b.scheme() == u"https" ? 443 : 80);
}

// One GET, waited for; the reply stays with the caller (aborted unless finished). The body is
// taken as it arrives, into memory (a text) or into a file writer (a download), and never more
// than the limit: a reply that announces or delivers more is refused at once.
struct Fetch
{
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply{nullptr, [](QNetworkReply *r) {
                                                                        if (r) {
                                                                            r->abort();
                                                                            r->deleteLater();
                                                                        }
                                                                    }};
    Ending ending = Ending::TimedOut;
    QString refusal;
    QByteArray body;
    bool redirected = false;

    bool Run(const QString &url, double timeoutS, bool stopOnProgressClose, qint64 limit,
             store::FileWriter *sink = nullptr)
    {
        const QUrl target = EncodeWebUrl(AddCacheBuster(url));
        if (!target.isValid())
            return false;
        QNetworkRequest request(target);
        request.setRawHeader("CONTENT-TYPE", "text/xml");
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::UserVerifiedRedirectPolicy);
        request.setMaximumRedirectsAllowed(5);
        request.setTransferTimeout(0);
        reply.reset(manager.get(request));
        // What Qt holds unread stays small; the rest waits in the socket.
        reply->setReadBufferSize(256 * 1024);
        QEventLoop loop;
        auto refuse = [&](const QString &why) {
            if (ending == Ending::Refused)
                return;
            ending = Ending::Refused;
            refusal = why;
            loop.quit();
        };
        QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl &to) {
            redirected = true;
            if (SameServer(target, to))
                emit reply->redirectAllowed();
            else
                refuse(QStringLiteral("服务器把请求转到了另一个地址：") + to.toDisplayString());
        });
        auto take = [&] {
            if (ending == Ending::Refused)
                return;
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            // After a redirect the headers may still be those of the redirect for a while; the
            // limit is then kept on what arrives.
            if (!redirected && status >= 200 && status < 300 && length.isValid() &&
                length.toLongLong() > limit) {
                refuse(QStringLiteral("服务器的回复过大。"));
                return;
            }
            // The body of a redirect or an error page is no content.
            if (status < 200 || status >= 300) {
                reply->readAll();
                return;
            }
            if (sink) {
                bool over = false;
                if (!sink->WriteAvailable(*reply, limit, &over)) {
                    // A broken connection is a network failure, not one of the file.
                    const bool file = !over && reply->error() == QNetworkReply::NoError;
                    refuse(over   ? QStringLiteral("服务器的回复过大。")
                           : file ? sink->ErrorText()
                                  : QString());
                }
                return;
            }
            const QByteArray more = reply->readAll();
            if (body.size() + more.size() > limit)
                refuse(QStringLiteral("服务器的回复过大。"));
            else
                body += more;
        };
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, take);
        QObject::connect(reply.get(), &QIODevice::readyRead, &loop, take);
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, [&] {
            take();
            if (ending != Ending::Refused)
                ending = Ending::Finished;
            loop.quit();
        });
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
            ending = Ending::TimedOut;
            loop.quit();
        });
        deadline.start(int(qMax(0.0, timeoutS) * 1000));
        if (stopOnProgressClose) {
            store::Indicator *progress = store::IndicatorWindow();
            if (!progress)
                return false;
            QObject::connect(progress, &store::Indicator::closed, &loop, [&] {
                ending = Ending::Closed;
                loop.quit();
            });
        }
        if (!reply->isFinished()) {
            loop.exec();
        } else {
            take();
            if (ending != Ending::Refused)
                ending = Ending::Finished;
        }
        return ending == Ending::Finished && Succeeded(sink);
    }

    bool Succeeded(const store::FileWriter *sink) const
    {
        if (reply->error() != QNetworkReply::NoError)
            return false;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.toInt();
        if (!status.isValid() || code < 200 || code >= 300)
            return false;
        // A reply cut short of what it announced is no reply (a connection closed early is an
        // error already; this holds when the header is the final reply's own).
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        const qint64 got = sink ? sink->Written() : body.size();
        return redirected || !length.isValid() || length.toLongLong() == got;
    }
};

} // namespace

QString WebUrl(const QString &path)
{
    const QString base = store::WebServerBase();
    return base.isEmpty() ? QString() : base + path;
}

void SetWebClock(std::function<QTime()> clock)
{
    g_clock = std::move(clock);
}

QString AddCacheBuster(const QString &url)
{
    const QTime now = g_clock ? g_clock() : QTime::currentTime();
    return url + (url.contains(u'?') ? u'&' : u'?') + QStringLiteral("Time=") +
           now.toString(QStringLiteral("HH:mm:ss"));
}

QUrl EncodeWebUrl(const QString &url)
{
    QByteArray bytes;
    for (const QChar c : url) {
        if (c.unicode() < 0x80)
            bytes += char(c.unicode());
        else
            bytes += store::ToGbk(QString(c)).toPercentEncoding();
    }
    // Surrogate pairs arrive as two halves above; a lone half gives no valid GBK and stays
    // encoded as Qt makes it.
    QUrl u = QUrl::fromEncoded(bytes, QUrl::StrictMode);
    if (!u.isValid() || (u.scheme() != u"http" && u.scheme() != u"https") || u.host().isEmpty())
        return QUrl();
    return u;
}

QString GetUrlText(const QString &url, QString &reply, const QString &marker, double timeoutS,
                   bool *cancelled)
{
    const QString failed = QString::fromUtf16(kNetError);
    if (cancelled) {
        *cancelled = !store::ProgressShowing();
        if (*cancelled)
            return failed;
    }
    if (url.isEmpty())
        return failed;
    Fetch f;
    const bool fetched = f.Run(url, timeoutS, cancelled != nullptr, kMaxTextReplyBytes);
    if (cancelled)
        *cancelled = f.ending == Ending::Closed;
    if (!fetched)
        return failed;
    const QString text = store::FromGbk(f.body);
    if (!text.contains(marker)) {
        reply = text;
        return failed;
    }
    QString out = text;
    const qsizetype br = out.lastIndexOf(QStringLiteral("<BR>"));
    if (br >= 0)
        out.truncate(br);
    out.replace(QStringLiteral("<+>"), QStringLiteral("\r\n"));
    reply = out;
    return QString();
}

QString GetUrlTextRetry(const QString &url, QString &reply, const QString &marker, double timeoutS,
                        bool *cancelled)
{
    QString result = QString::fromUtf16(kNetError);
    if (cancelled)
        *cancelled = false;
    if (url.isEmpty())
        return result;
    for (int i = 0; i < 5; ++i) {
        result = GetUrlText(url, reply, marker, timeoutS, cancelled);
        if (result.isEmpty() || (cancelled && *cancelled))
            break;
    }
    return result;
}

bool DownloadUrlToFile(const QString &url, const QString &file, double timeoutS, bool *cancelled,
                       QString *error, qint64 maxBytes)
{
    if (cancelled)
        *cancelled = false;
    if (error)
        error->clear();
    if (url.isEmpty())
        return false;
    store::StartProgress(QStringLiteral("正在下载..."), 10);
    bool ok = false;
    {
        store::FileWriter out(file);
        Fetch f;
        if (!out.Open()) {
            if (error)
                *error = out.ErrorText();
        } else if (f.Run(url, timeoutS, true, maxBytes, &out)) {
            ok = out.Commit();
            if (!ok && error)
                *error = out.ErrorText();
        } else {
            if (cancelled)
                *cancelled = f.ending == Ending::Closed;
            if (error && f.ending == Ending::Refused)
                *error = f.refusal;
        }
    }
    store::EndProgress();
    return ok;
}

} // namespace library
