#pragma once
// What every batch benchmark starts with: a fresh program folder and config folder (or, when
// asked, the folder an earlier run left, as an installed program's), offscreen unless told
// otherwise, messages recorded, the database opened with its schema (closed again at the end);
// and the main window shown until its start-up is complete.

#include "mainwin/mainwindow.h"
#include "store/db/db.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

namespace batchbench {

class BenchHome
{
public:
    enum class Folder { Fresh, Installed };
    // Before the application object. Installed: the program folder QUORVAN_HOME names when it is
    // set (a fresh one when not).
    explicit BenchHome(Folder folder = Folder::Fresh)
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (folder == Folder::Fresh || qEnvironmentVariableIsEmpty("QUORVAN_HOME")) {
            qputenv("QUORVAN_HOME", (m_dir.path() + "/home").toUtf8());
            qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
        }
    }
    // After it. False when the database could not be opened or brought to its schema.
    bool Open()
    {
        store::SetReporter(&quiet);
        return store::Db::Main().OpenConn(store::DataFilePath()) && store::UpgradeDBSchema();
    }
    ~BenchHome()
    {
        store::SetReporter(nullptr);
        store::Db::Main().Close();
    }
    store::RecordingReporter quiet;

private:
    QTemporaryDir m_dir;
};

// False when the start-up did not complete within ten seconds.
inline bool ShowLoaded(mainwin::MainWindow &w)
{
    bool loaded = false;
    QEventLoop loop;
    QObject::connect(&w, &mainwin::MainWindow::loadFinished, &loop, [&] {
        loaded = true;
        loop.quit();
    });
    w.show();
    if (!loaded) {
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return loaded;
}

} // namespace batchbench
