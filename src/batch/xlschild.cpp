#include "batch/xlschild.h"

#include "batch/sheetsource.h"
#include "batch/xlsproto.h"

#include "store/ui/indicator.h"
#include "store/core/vb.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace batch {

namespace {

int g_timeLimit = 30000;

// No sheet that fits in a batch comes near this; a helper that writes more is not believed.
constexpr qsizetype kMaxAnswer = qsizetype(1) << 30;

QString HelperPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quorvan-xlsread");
}

// Runs the helper with args and waits for it while events go on: 0 with its whole output when
// it ended by itself, in time and with success; kSheetCancelled when the progress window was
// closed meanwhile; else kSheetReaderFailed.
int RunHelper(const QStringList &args, QByteArray &out)
{
    out.clear();
    const QString program = HelperPath();
    if (!QFileInfo(program).isExecutable())
        return kSheetReaderFailed;
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    bool ended = false;
    bool failed = false;
    bool cancelled = false;
    auto stop = [&](bool failure) {
        failed = failed || failure;
        ended = true;
        loop.quit();
    };
    QObject::connect(&p, &QProcess::finished, &loop, [&] { stop(false); });
    QObject::connect(&p, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            stop(true);
    });
    QObject::connect(&p, &QProcess::readyReadStandardOutput, &loop, [&] {
        out += p.readAllStandardOutput();
        if (out.size() > kMaxAnswer)
            stop(true);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { stop(true); });
    QMetaObject::Connection cancel;
    if (store::Indicator *w = store::IndicatorWindow())
        cancel = QObject::connect(w, &store::Indicator::closed, &loop, [&] {
            cancelled = true;
            stop(true);
        });
    p.start();
    deadline.start(g_timeLimit);
    if (!ended && p.state() != QProcess::NotRunning)
        loop.exec();
    QObject::disconnect(cancel);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
    }
    if (cancelled)
        return kSheetCancelled;
    if (failed || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return kSheetReaderFailed;
    out += p.readAllStandardOutput();
    return out.size() <= kMaxAnswer ? kSheetOk : kSheetReaderFailed;
}

} // namespace

int XlsReadTimeLimit()
{
    return g_timeLimit;
}

void SetXlsReadTimeLimit(int ms)
{
    g_timeLimit = ms;
}

int ListXlsSheets(const QString &path, QStringList &names)
{
    names.clear();
    QByteArray out;
    int status = kSheetReaderFailed;
    if (const int e = RunHelper({QStringLiteral("sheets"), path}, out))
        return e;
    if (!DecodeXlsSheetNames(out, status, names)) {
        names.clear();
        return kSheetReaderFailed;
    }
    return status;
}

int LoadXlsSheet(const QString &path, const QString &sheet, qint64 maxRow, int maxCol,
                 SheetData &data)
{
    QByteArray out;
    XlsCells cells;
    int status = kSheetReaderFailed;
    const QStringList args{QStringLiteral("cells"), path, sheet,
                           QString::number(std::max<qint64>(maxRow, 0)), QString::number(maxCol)};
    if (const int e = RunHelper(args, out))
        return e;
    if (!DecodeXlsCells(out, maxRow, maxCol, status, cells))
        return kSheetReaderFailed;
    out.clear();
    if (status != kSheetOk)
        return status;
    data.Clear();
    for (XlsCell &c : cells.cells) {
        QString text;
        switch (c.kind) {
        case XlsCell::Text:
            text = std::move(c.text);
            break;
        case XlsCell::Number:
            text = store::CStr(c.number);
            break;
        case XlsCell::Date:
            text = ExcelSerialToText(c.number, cells.date1904);
            break;
        case XlsCell::Boolean:
            text = c.number != 0 ? QStringLiteral("True") : QStringLiteral("False");
            break;
        case XlsCell::NoResult:
            data.AddMissingResult(c.row, c.col);
            break;
        }
        data.SetCell(c.row, c.col, std::move(text));
    }
    return kSheetOk;
}

} // namespace batch
