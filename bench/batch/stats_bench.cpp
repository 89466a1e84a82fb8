// The statistics over a history of 1,000,000 rows: 90,000 prints of a ten-field format over 36
// months and 100,000 rows of other formats, written in one transaction (not timed). Timed from
// the run button to the chart drawn: (a) the sum of the capital amount by the full date, (b) a
// count by the combined date with a condition on the payee.
#include "batch/analysewin.h"

#include "benchhome.h"
#include "mainwin/mainwindow.h"
#include "stat_sample.h"
#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

#include <cstdio>

namespace {

const QString kFormat = QStringLiteral("统计基准");

QString Capital(int yuan)
{
    static const QString digits = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
    static const QString units[] = {QStringLiteral(""), QStringLiteral("拾"), QStringLiteral("佰"),
                                    QStringLiteral("仟")};
    QString out;
    const QString s = QString::number(yuan);
    for (int i = 0; i < s.size(); ++i) {
        const int d = s[i].digitValue();
        const int pos = int(s.size()) - 1 - i;
        if (d == 0)
            continue;
        out += digits[d] + units[pos];
    }
    return out + QStringLiteral("元整");
}

void MakeData()
{
    const QMap<QString, qint32> ids = statsample::MakeFormat(kFormat, {{"出票日期", 110},
                                                                       {"年", 100},
                                                                       {"月", 101},
                                                                       {"日", 102},
                                                                       {"大写金额", 103},
                                                                       {"小写金额", 12},
                                                                       {"收款人", 0},
                                                                       {"用途", 0},
                                                                       {"账号", 0},
                                                                       {"备注", 0}});
    const std::vector<qint32> cid{ids["出票日期"], ids["年"],       ids["月"],     ids["日"],
                                  ids["大写金额"], ids["小写金额"], ids["收款人"], ids["用途"],
                                  ids["账号"],     ids["备注"]};
    store::Transaction tx;
    QSqlQuery q(store::Db::Main().Connection());
    q.prepare(QStringLiteral("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES(?, ?, ?, ?)"));
    auto put = [&](const QString &fmt, int id, int c, const QString &con) {
        q.bindValue(0, fmt);
        q.bindValue(1, id);
        q.bindValue(2, c);
        q.bindValue(3, con);
        q.exec();
    };
    const QDate start(2022, 1, 1);
    for (int job = 1; job <= 90000; ++job) {
        const QDate d = start.addDays(job * 1095 / 90000);
        const int yuan = 1 + job * 37 % 9999;
        put(kFormat, job, cid[0], d.toString(QStringLiteral("yyyy年MM月dd日")));
        put(kFormat, job, cid[1], QString::number(d.year()));
        put(kFormat, job, cid[2], QString::number(d.month()));
        put(kFormat, job, cid[3], QString::number(d.day()));
        put(kFormat, job, cid[4], Capital(yuan));
        put(kFormat, job, cid[5], QString::number(yuan) + QStringLiteral(".00"));
        put(kFormat, job, cid[6],
            QStringLiteral("收款单位%1").arg(job % 500, 3, 10, QLatin1Char('0')));
        put(kFormat, job, cid[7], QStringLiteral("货款"));
        put(kFormat, job, cid[8], QStringLiteral("6222%1").arg(job, 12, 10, QLatin1Char('0')));
        put(kFormat, job, cid[9], QStringLiteral("备注%1").arg(job));
    }
    for (int i = 0; i < 100000; ++i)
        put(QStringLiteral("转账支票"), 100000 + i / 10, 1 + i % 11,
            QStringLiteral("其他%1").arg(i));
    tx.Commit();
}

// The statements run (a) makes, as the sqlite3 shell runs them: the field look-ups, the work
// table made anew, the dates and the amounts read, one work-table row per job written.
QString FloorScript()
{
    const QString fmt = QStringLiteral("'") + kFormat + QStringLiteral("'");
    const QString date =
        QStringLiteral("(SELECT ID FROM Fmt WHERE Fmt=%1 AND LBL='出票日期')").arg(fmt);
    const QString amount =
        QStringLiteral("(SELECT ID FROM Fmt WHERE Fmt=%1 AND LBL='大写金额')").arg(fmt);
    QStringList s;
    s << QStringLiteral(".output /dev/null");
    for (int i = 0; i < 3; ++i)
        s << QStringLiteral("SELECT ID, LBL FROM Fmt WHERE Fmt=%1 ORDER BY ID;").arg(fmt);
    s << QStringLiteral("DROP TABLE IF EXISTS TEMP_Ana;")
      << QStringLiteral("CREATE TABLE TEMP_Ana(DT DATE, Sm DOUBLE);")
      << QStringLiteral("SELECT ID, Con FROM 历史 WHERE CID=%1 AND Fmt=%2 ORDER BY ID;")
             .arg(date, fmt)
      << QStringLiteral("SELECT h.ID, h.Con, f.Cash FROM 历史 h JOIN Fmt f ON f.ID = h.CID WHERE "
                        "h.Fmt=%1 AND h.CID IN (%2) ORDER BY h.ID, h.rowid;")
             .arg(fmt, amount)
      << QStringLiteral("BEGIN; INSERT INTO TEMP_Ana(DT, Sm) SELECT Con, ID FROM 历史 WHERE "
                        "CID=%1 AND Fmt=%2; COMMIT;")
             .arg(date, fmt);
    return s.join(u'\n') + u'\n';
}

double ShellMs(const QString &script)
{
    QProcess shell;
    QElapsedTimer t;
    t.start();
    shell.start(QStringLiteral("sqlite3"), {store::DataFilePath()});
    shell.waitForStarted();
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(120000);
    return double(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    // With QUORVAN_HOME set, the folder is kept: made on the first run and reused by later ones.
    batchbench::BenchHome home(batchbench::BenchHome::Folder::Installed);
    QApplication app(argc, argv);
    home.Open();
    store::RecordingReporter &quiet = home.quiet;
    QElapsedTimer t;
    t.start();
    bool made = false;
    store::Db::Main().ForEachRow(QStringLiteral("SELECT 1 FROM Fmt WHERE Fmt=? LIMIT 1"), {kFormat},
                                 [&](const store::RowReader &) { return !(made = true); });
    if (!made) {
        MakeData();
        std::printf("set-up: 1,000,000 history rows in %lld ms\n", t.elapsed());
    }
    {
        mainwin::MainWindow w;
        batchbench::ShowLoaded(w);
        w.OpenFmt(kFormat, false);
        batch::StatTarget target;
        target.host = &w;
        target.parent = &w;
        batch::AnalyseWindow *a = batch::ShowAnalyse(target);
        a->DTP[0]->setDate(QDate(2022, 1, 1));
        a->DTP[1]->setDate(QDate(2024, 12, 31));
        // Paired with its floor: the statements of the run in the sqlite3 shell, on the same file.
        const QString floorScript = FloorScript();
        std::vector<double> ours, floors;
        for (int i = 0; i < 5; ++i) {
            t.restart();
            a->Comm_Click();
            ours.push_back(double(t.nsecsElapsed()) / 1e6);
            floors.push_back(ShellMs(floorScript));
        }
        std::printf(
            "(a) sum of the capital amount by the full date: %.0f ms, %d months, %lld jobs\n",
            Median(ours), a->MSF->Rows() - 2, qint64(a->ids.size()));
        std::printf("    its statements in the sqlite3 shell: %.0f ms; ratio %.2f x\n",
                    Median(floors), Median(ours) / Median(floors));
        a->Op[5]->setChecked(true);
        a->Op[0]->setChecked(true);
        a->Op[3]->setChecked(true);
        a->Com[1]->setCurrentIndex(a->Com[1]->findText(QStringLiteral("收款人")));
        a->Com_Click(1);
        a->Com[2]->setCurrentIndex(a->Com[2]->findText(QStringLiteral("收款单位007")));
        t.restart();
        a->Comm_Click();
        std::printf(
            "(b) count by the combined date, payee condition: %lld ms, %d months, first %s\n",
            t.elapsed(), a->MSF->Rows() - 2, a->MSF->TextMatrix(2, 3).toUtf8().constData());
        for (const QString &m : quiet.messages)
            std::printf("message: %s\n", m.toUtf8().constData());
        a->close();
    }
    return 0;
}
