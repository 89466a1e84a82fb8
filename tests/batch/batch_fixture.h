#pragma once
// A fresh program folder with its database for each test, messages recorded instead of shown,
// and a way to run Debian's Python for the outside checks.

#include "store/db.h"
#include "store/grid.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include "../common/programfolder.h"

#include <QProcess>
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
