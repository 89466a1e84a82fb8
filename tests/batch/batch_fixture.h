#pragma once
// A fresh program folder with its database for each test, messages recorded instead of shown,
// and a way to run Debian's Python for the outside checks.

#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include "../common/programfolder.h"

#include <QFontMetrics>
#include <QProcess>
#include <QStyle>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class BatchTest : public ProgramFolderTest
{
protected:
    // Runs a Python script with Debian's interpreter (python3-openpyxl is installed for it) and
    // returns its standard output as UTF-8; args follow the script.
    static QString python(const QString &script, const QStringList &args = {})
    {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), QStringList{"-c", script} + args);
        if (!p.waitForFinished(60000))
            return QStringLiteral("<timeout>");
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (!err.isEmpty())
            ADD_FAILURE() << err.toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};

// Every cell of a grid, row by row.
inline QList<QStringList> GridCells(const store::FlexGrid &g)
{
    QList<QStringList> out;
    for (int r = 0; r < g.Rows(); ++r) {
        QStringList row;
        for (int c = 0; c < g.Cols(); ++c)
            row << g.TextMatrix(r, c);
        out << row;
    }
    return out;
}

// Whether a cell of a grid shows its whole text as the view draws it: the text, in the grid's
// font, within the cell less the text margins the style keeps on both sides (no "…").
inline bool ShowsWholeText(const store::FlexGrid &grid, int row, int col)
{
    const QString text = grid.TextMatrix(row, col);
    if (text.isEmpty() || text.contains(u'\n'))
        return true;
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    const int room = grid.columnWidth(col) - 2 * margin - 1;
    return QFontMetrics(grid.font()).horizontalAdvance(text) <= room;
}
