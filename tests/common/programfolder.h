#pragma once
// What the window-level tests of every folder share: a fresh program folder and config folder
// per test with the database opened and its schema made, messages recorded instead of shown,
// running an outside tool, and acting on a modal window once it shows.

#include "store/db/db.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The standard output of a program run to its end ("" when it does not end in 30 s).
inline QString RunTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Runs f on the modal window of type T as soon as one shows (its caller waits in exec()).
template <class T> void whenModal(std::function<void(T *)> f)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, f] {
        if (T *d = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(d);
        }
    });
    timer->start();
}

// A left click on the middle of the widget as the window system delivers it: to its window, where
// a modal window in front keeps it out.
inline void ClickThroughWindow(QWidget *widget)
{
    QWidget *top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      widget->mapTo(top, widget->rect().center()));
}

// Keys typed into the window, one per character, reaching whatever has the focus there.
inline void TypeThroughWindow(QWidget *window, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, window->window()->windowHandle(), Qt::Key_unknown,
                            QString(c), Qt::NoModifier);
}
inline void KeyThroughWindow(QWidget *window, Qt::Key key,
                             Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(window->window()->windowHandle(), key, modifiers);
}

class ProgramFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("QUORVAN_HOME", home().toUtf8());
        qputenv("XDG_CONFIG_HOME", config().toUtf8());
        ASSERT_TRUE(store::Db::Main().OpenConn(store::DataFilePath()));
        ASSERT_TRUE(store::UpgradeDBSchema());
        m_rec = std::make_unique<store::ScopedRecordingReporter>();
    }
    void TearDown() override
    {
        m_rec.reset();
        store::Db::Main().Close();
        qunsetenv("QUORVAN_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString home() const { return m_dir.path() + "/home"; }
    QString config() const { return m_dir.path() + "/config"; }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    store::RecordingReporter &rec() { return **m_rec; }

    QTemporaryDir m_dir;
    std::unique_ptr<store::ScopedRecordingReporter> m_rec;
};
