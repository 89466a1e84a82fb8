#include "store/textfile.h"

#include "store/filewriter.h"
#include "store/reporter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>

namespace store {

namespace {

// Waits the given time while events run (no busy loop).
void WaitWithEvents(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

QByteArray ToGbk(const QString &text)
{
    QStringEncoder enc("GB18030");
    if (!enc.isValid())
        return text.toLocal8Bit();
    return enc.encode(text);
}

QString FromGbk(const QByteArray &bytes)
{
    QStringDecoder dec("GB18030");
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec.decode(bytes);
}

int WriteTextFile(const QString &text, const QString &path)
{
    FileWriter f(path);
    if (!f.Open())
        return -3;
    if (!f.Write(ToGbk(text)))
        return -6;
    if (!f.Commit())
        return -7;
    return 1;
}

bool WriteTextFileRetry(const QString &text, const QString &path, int intervalMs)
{
    for (int attempt = 1; attempt <= 31; ++attempt) {
        if (WriteTextFile(text, path) > 0)
            return true;
        if (attempt < 31)
            WaitWithEvents(intervalMs);
    }
    return false;
}

bool ReadTextFile(const QString &path, QString *text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        *text = QString::fromUtf8(bytes.mid(3));
        return true;
    }
    // Text saved on this desktop is UTF-8 without a mark; Chinese text in GBK is never valid
    // UTF-8 beyond a character or two, and text of ASCII alone reads the same either way.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    *text = utf8.hasError() ? FromGbk(bytes) : decoded;
    return true;
}

QString ReadTextFileRetry(const QString &path, bool deleteAfter, int intervalMs)
{
    for (int round = 1; round <= 100; ++round) {
        WaitWithEvents(round == 1 ? 0 : intervalMs);
        QString text;
        if (!ReadTextFile(path, &text))
            continue;
        if (text.isEmpty()) {
            WaitWithEvents(intervalMs * 10);
            continue;
        }
        if (deleteAfter && QFile::exists(path))
            QFile::remove(path);
        return text;
    }
    ReportMessage(QStringLiteral("无法打开下载文档：\r\n") + path, MsgKind::Warning);
    return QString();
}

} // namespace store
