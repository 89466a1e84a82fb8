// One format-file import as the menu's import runs it, on a fresh program folder: the time from
// the call to its answer, and the messages it gave.
// Usage: bench_library_cqf FILE.cqf
#include "benchhome.h"

#include "library/fmtfile.h"
#include "page/backpic.h"
#include "store/model/context.h"
#include "store/view/fmtcmd.h"
#include "store/ui/uihelpers.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

// The format commands without a window; the question after the import is answered No.
class Host : public store::FormatCommandHost
{
public:
    store::AppContext &context() override { return ctx; }
    std::optional<QString> chooseFormat() override { return QString(); }
    std::optional<QString> selectFormatName(bool) override { return QString(); }
    void initFmtOnPage(const QString &) override {}
    void autoFillDates() override {}
    void O2_Click(int) override {}
    QString backPicFile(const QString &name) override { return page::GetBackPicFile(name); }
    store::AppContext ctx;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    batchbench::BenchHome home;
    QApplication app(argc, argv);
    if (!home.Open())
        return 1;
    Host host;
    QElapsedTimer t;
    t.start();
    const bool ok = library::ImportFmtFile(host, QString::fromLocal8Bit(argv[1]));
    std::printf("import %s: %lld ms\n", ok ? "done" : "refused", t.elapsed());
    for (const QString &m : home.quiet.messages)
        std::printf("message: %s\n", m.left(60).toUtf8().constData());
    return 0;
}
