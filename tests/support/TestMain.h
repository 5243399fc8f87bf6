#pragma once
// main() for a Qt Test executable: the test gets a settings folder of its own
// (POLLUX_CONFIG_DIR, removed afterwards) and the offscreen platform, so no
// test sees another's store or needs a display.
//
//   POLLUX_TEST_MAIN(TestSomething)            needs QCoreApplication
//   POLLUX_GUI_TEST_MAIN(TestSomething)        needs QApplication (widgets)

#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>

namespace pollux_test {
inline QTemporaryDir& settingsDir()
{
    static QTemporaryDir dir;
    return dir;
}

inline void prepareEnvironment()
{
    qputenv("POLLUX_CONFIG_DIR", settingsDir().path().toLocal8Bit());
    qunsetenv("POLLUX_STATE_DIR");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Empties the test's settings folder, for tests that want a fresh store.
inline void clearSettingsDir()
{
    QDir dir(settingsDir().path());
    for (const QString& name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        QFileInfo fi(dir.filePath(name));
        if (fi.isDir())
            QDir(fi.filePath()).removeRecursively();
        else
            QFile::remove(fi.filePath());
    }
}
} // namespace pollux_test

#define POLLUX_TEST_MAIN_IMPL(TestObject, AppClass)                     \
    int main(int argc, char** argv)                                     \
    {                                                                   \
        pollux_test::prepareEnvironment();                              \
        AppClass app(argc, argv);                                       \
        TestObject tc;                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                      \
        return QTest::qExec(&tc, argc, argv);                           \
    }

#define POLLUX_TEST_MAIN(TestObject) POLLUX_TEST_MAIN_IMPL(TestObject, QCoreApplication)
#define POLLUX_GUI_TEST_MAIN(TestObject) POLLUX_TEST_MAIN_IMPL(TestObject, QApplication)
