// quorvan-xlsread: reads one .xls workbook for the program, which starts it beside itself, and
// writes the answer (xlsproto.h) to its standard output. A damaged file can crash or hang the
// library in here; the program then reports it and goes on.
//
//   quorvan-xlsread sheets PATH
//   quorvan-xlsread cells PATH SHEET MAXROW MAXCOL

#include "batch/xlsbook.h"
#include "batch/xlsproto.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Ends with the program; bounded in memory and processor time even when nobody waits.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit memory{rlim_t(3) << 30, rlim_t(3) << 30};
    ::setrlimit(RLIMIT_AS, &memory);
    const rlimit cpu{300, 300};
    ::setrlimit(RLIMIT_CPU, &cpu);

    // The answer goes to the original standard output only; whatever a library prints goes
    // nowhere.
    const int answer = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (answer < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0)
        return 2;

    QByteArray out;
    if (argc == 3 && std::strcmp(argv[1], "sheets") == 0) {
        QStringList names;
        const int status = batch::XlsBookSheets(QByteArray(argv[2]), names);
        out = batch::EncodeXlsSheetNames(status, names);
    } else if (argc == 6 && std::strcmp(argv[1], "cells") == 0) {
        bool okRow = false, okCol = false;
        const qint64 maxRow = QByteArray(argv[4]).toLongLong(&okRow);
        const int maxCol = QByteArray(argv[5]).toInt(&okCol);
        if (!okRow || !okCol || maxCol < 1)
            return 2;
        batch::XlsCells cells;
        const int status = batch::XlsBookCells(QByteArray(argv[2]), QString::fromUtf8(argv[3]),
                                               maxRow, maxCol, cells);
        out = batch::EncodeXlsCells(status, cells);
    } else {
        return 2;
    }
    return WriteAll(answer, out) ? 0 : 1;
}
