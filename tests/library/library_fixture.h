#pragma once
// A fresh program folder and config folder per test, messages recorded, and a local web server
// (webserver.py on 127.0.0.1) serving a fixture tree that the test writes.

#include "store/db/db.h"
#include "store/db/params.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "store/db/textfile.h"

#include "../common/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Texts in failure messages as text.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// What the sqlite3 client prints for the statement on the program's database.
inline QString Sqlite(const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {store::DataFilePath(), sql});
    if (!p.waitForFinished(30000))
        return QStringLiteral("<timeout>");
    return QString::fromUtf8(p.readAllStandardOutput());
}
inline QString SqliteTrimmed(const QString &sql)
{
    return Sqlite(sql).trimmed();
}

// The test server: its request log read from its output as it arrives.
class WebServer
{
public:
    ~WebServer()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    bool Start(const QString &root)
    {
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-u"), QStringLiteral(QUORVAN_WEBSERVER), root});
        if (!m_proc.waitForStarted(10000))
            return false;
        while (!m_out.contains('\n')) {
            if (!m_proc.waitForReadyRead(10000))
                return false;
            m_out += m_proc.readAllStandardOutput();
        }
        const QByteArray first = m_out.left(m_out.indexOf('\n'));
        m_out.remove(0, first.size() + 1);
        if (!first.startsWith("PORT "))
            return false;
        m_port = first.mid(5).toInt();
        return m_port > 0;
    }
    int Port() const { return m_port; }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // The requests logged so far: request line, then "name: value" header lines.
    QList<QStringList> Requests()
    {
        m_out += m_proc.readAllStandardOutput();
        QList<QStringList> out;
        QStringList cur;
        for (const QByteArray &line : m_out.split('\n')) {
            if (line.startsWith("REQ "))
                cur = QStringList{QString::fromLatin1(line.mid(4))};
            else if (line.startsWith("HDR "))
                cur << QString::fromLatin1(line.mid(4));
            else if (line == "END")
                out << cur;
        }
        return out;
    }
    QStringList RequestLines()
    {
        QStringList out;
        for (const QStringList &r : Requests())
            out << r.value(0);
        return out;
    }
    // Runs f with the request line of each request as the server logs it, while events run.
    void OnRequest(std::function<void(const QString &line)> f)
    {
        m_told = Requests().size();
        QObject::connect(&m_proc, &QProcess::readyReadStandardOutput, &m_proc, [this, f] {
            const qsizetype seen = Requests().size();
            const QStringList lines = RequestLines();
            for (qsizetype i = m_told; i < seen; ++i)
                f(lines.value(i));
            m_told = seen;
        });
    }
    // Waits until the answers of n requests have been sent (or their clients have gone).
    bool WaitDone(int n, int ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            m_out += m_proc.readAllStandardOutput();
            if (m_out.count("\nDONE ") + (m_out.startsWith("DONE ") ? 1 : 0) >= n)
                return true;
            if (t.elapsed() > ms)
                return false;
            m_proc.waitForReadyRead(100);
        }
    }
    // Waits until n requests have been logged (on the server's output, not by sleeping).
    bool WaitRequests(int n, int ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (Requests().size() < n) {
            if (t.elapsed() > ms)
                return false;
            m_proc.waitForReadyRead(100);
        }
        return true;
    }

private:
    QProcess m_proc;
    QByteArray m_out;
    int m_port = 0;
    qsizetype m_told = 0;
};

class LibraryTest : public ProgramFolderTest
{
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        QDir().mkpath(www());
    }
    QString www() const { return m_dir.path() + "/www"; }
    store::RecordingReporter &rec() { return **m_rec; }

    // Starts the server and makes it the program's web server.
    void Serve()
    {
        ASSERT_TRUE(server.Start(www()));
        ASSERT_TRUE(store::SaveRegStr("KVRTM", "Web", "Server", server.Base() + "/"));
    }
    void Put(const QString &path, const QByteArray &bytes)
    {
        const QString file = www() + path;
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    WebServer server;
};
