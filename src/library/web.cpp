#include "library/web.h"

#include "store/indicator.h"
#include "store/textfile.h"
#include "store/website.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#include <memory>

namespace library {

namespace {

std::function<QTime()> g_clock;

enum class Ending { Finished, TimedOut, Closed };

// One GET, waited for; the reply stays with the caller (aborted unless finished).
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

    bool Run(const QString &url, double timeoutS, bool stopOnProgressClose)
    {
        const QUrl target = EncodeWebUrl(AddCacheBuster(url));
        if (!target.isValid())
            return false;
        QNetworkRequest request(target);
        request.setRawHeader("CONTENT-TYPE", "text/xml");
        reply.reset(manager.get(request));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, [&] {
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
        if (!reply->isFinished())
            loop.exec();
        else
            ending = Ending::Finished;
        return ending == Ending::Finished && Succeeded();
    }

    bool Succeeded() const
    {
        if (reply->error() != QNetworkReply::NoError)
            return false;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.toInt();
        return status.isValid() && code >= 200 && code < 300;
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

QString GetUrlText(const QString &url, QString &reply, const QString &marker, double timeoutS)
{
    const QString failed = QString::fromUtf16(kNetError);
    if (url.isEmpty())
        return failed;
    Fetch f;
    if (!f.Run(url, timeoutS, false))
        return failed;
    const QString text = store::FromGbk(f.reply->readAll());
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

QString GetUrlTextRetry(const QString &url, QString &reply, const QString &marker, double timeoutS)
{
    QString result = QString::fromUtf16(kNetError);
    if (url.isEmpty())
        return result;
    for (int i = 0; i < 5; ++i) {
        result = GetUrlText(url, reply, marker, timeoutS);
        if (result.isEmpty())
            break;
    }
    return result;
}

bool DownloadUrlToFile(const QString &url, const QString &file, double timeoutS, bool *cancelled)
{
    if (cancelled)
        *cancelled = false;
    if (url.isEmpty())
        return false;
    store::StartProgress(QStringLiteral("正在下载..."), 10);
    bool ok = false;
    {
        Fetch f;
        if (f.Run(url, timeoutS, true)) {
            QSaveFile out(file);
            ok = out.open(QIODevice::WriteOnly) && out.write(f.reply->readAll()) >= 0 &&
                 out.commit();
        } else if (cancelled) {
            *cancelled = f.ending == Ending::Closed;
        }
    }
    store::EndProgress();
    return ok;
}

} // namespace library
