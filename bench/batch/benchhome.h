#pragma once
// What every batch benchmark starts with: a fresh program folder and config folder, offscreen
// unless told otherwise, messages recorded, the database opened with its schema (closed again at
// the end); and the main window shown until its start-up is complete.

#include "mainwin/mainwindow.h"
#include "store/db.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

namespace batchbench {

class BenchHome
{
public:
    // Before the application object.
    BenchHome()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QUORVAN_HOME", (m_dir.path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
    }
    // After it.
    void Open()
    {
        store::SetReporter(&quiet);
        store::Db::Main().OpenConn(store::DataFilePath());
        store::UpgradeDBSchema();
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

inline void ShowLoaded(mainwin::MainWindow &w)
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
}

} // namespace batchbench
