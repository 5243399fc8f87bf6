// An install into a fresh prefix: its layout, its desktop entry and
// AppStream file as the desktop's own validators see them, and the programs
// run from it without writing anything into it.

#include "FingerServer.h"
#include "RunProgram.h"
#include "TestMain.h"

#include <QDirIterator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Every file below `root` with its size and time, to tell whether anything changed.
QStringList snapshot(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

QProcessEnvironment cleanEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("POLLUX_CONFIG_DIR"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}
} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void desktopFilesValidate();
    void programsRunFromThePrefix();

private:
    QTemporaryDir prefix_;
    QTemporaryDir home_;
};

void TestInstall::initTestCase()
{
    QVERIFY(prefix_.isValid() && home_.isValid());
    const ProgramRun r = RunProgram(QStringLiteral(CMAKE_PROGRAM),
                                    {QStringLiteral("--install"), QStringLiteral(POLLUX_BUILD_DIR),
                                     QStringLiteral("--prefix"), prefix_.path()}, {{}, {}, {}, 240000});
    QVERIFY2(r.exitCode == 0, r.err.constData());
}

void TestInstall::layout_data()
{
    QTest::addColumn<QString>("path");
    for (const char* p : {"bin/pollux", "bin/pxfinger", "bin/pxreg", "bin/pxserver",
                          "libexec/pollux/pxserver-console",
                          "share/applications/pollux.desktop",
                          "share/metainfo/example.marlwick.Pollux.metainfo.xml",
                          "share/icons/hicolor/scalable/apps/pollux.svg",
                          "share/icons/hicolor/16x16/apps/pollux.png",
                          "share/icons/hicolor/48x48/apps/pollux.png",
                          "share/icons/hicolor/256x256/apps/pollux.png",
                          "share/man/man1/pollux.1.gz", "share/man/man1/pxfinger.1.gz",
                          "share/man/man1/pxreg.1.gz", "share/man/man1/pxserver.1.gz",
                          "share/pollux/pxserver-sample/ada.plan",
                          "share/doc/pollux/copyright",
                          "lib/systemd/system/pxserver.socket", "lib/systemd/system/pxserver.service"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void TestInstall::layout()
{
    QFETCH(QString, path);
    const QFileInfo info(prefix_.filePath(path));
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(path));
    if (path.startsWith(QLatin1String("bin/")) || path.startsWith(QLatin1String("libexec/")))
        QVERIFY(info.isExecutable());
    if (path.endsWith(QLatin1String(".png"))) {
        QFile png(info.filePath());
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    }
}

void TestInstall::desktopFilesValidate()
{
    const QString desktop = prefix_.filePath(QStringLiteral("share/applications/pollux.desktop"));
    QFile file(desktop);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray entry = file.readAll();
    QVERIFY(entry.contains("MimeType=x-scheme-handler/finger;"));
    // Outside a standard prefix the entry names the program by its full path.
    QVERIFY(entry.contains("Exec=" + QFile::encodeName(prefix_.filePath(QStringLiteral("bin/pollux"))) + " %u"));

    const QString validateDesktop = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (validateDesktop.isEmpty() || appstream.isEmpty())
        QSKIP("desktop-file-utils or appstream is not installed");
    ProgramRun r = RunProgram(validateDesktop, {desktop});
    QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
    // No network here: the file names no address to check anyway.
    r = RunProgram(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                               prefix_.filePath(QStringLiteral("share/metainfo/example.marlwick.Pollux.metainfo.xml"))});
    QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
}

void TestInstall::programsRunFromThePrefix()
{
    const QStringList before = snapshot(prefix_.path());
    ProgramOptions options;
    options.environment = cleanEnvironment(home_.path());

    ProgramRun r = RunProgram(prefix_.filePath(QStringLiteral("bin/pollux")), {QStringLiteral("--version")}, options);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("Pollux "));

    // pxserver from the prefix, with the sample plans of the prefix.
    options.input = "ada\r\n";
    const QString sample = prefix_.filePath(QStringLiteral("share/pollux/pxserver-sample"));
    r = RunProgram(prefix_.filePath(QStringLiteral("bin/pxserver")),
                   {QStringLiteral("--inetd"), QStringLiteral("--folder"), sample, QStringLiteral("--log"), QStringLiteral("-")}, options);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("Login: ada\r\n"));
    options.input.clear();

    r = RunProgram(prefix_.filePath(QStringLiteral("bin/pxreg")),
                   {QStringLiteral("set"), QStringLiteral("\\Software\\Marlwick\\Pollux\\2.0"), QStringLiteral("Debug"),
                    QStringLiteral("--dword"), QStringLiteral("1")}, options);
    QCOMPARE(r.exitCode, 0);

    // A query by the program itself and by pxfinger, with the debug log on.
    LoopbackFingerServer server;
    server.SetReply("Plan: fine\r\n");
    QVERIFY(server.Listen());
    const QString link = QStringLiteral("finger://127.0.0.1:%1/ada").arg(server.Port());
    r = RunProgram(prefix_.filePath(QStringLiteral("bin/pxfinger")), {link}, options);
    QCOMPARE(r.out, QByteArray("Plan: fine\r\n"));
    const QString saved = home_.filePath(QStringLiteral("saved.txt"));
    r = RunProgram(prefix_.filePath(QStringLiteral("bin/pollux")),
                   {QStringLiteral("/f:") + link, QStringLiteral("/s:") + saved, QStringLiteral("/q")}, options);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(QFileInfo(saved).size() > 0);
    QCOMPARE(server.Queries(), (QByteArrayList{"ada\r\n", "ada\r\n"}));
    QVERIFY(QFileInfo::exists(home_.filePath(QStringLiteral("config/pxdebug.log"))));

    QCOMPARE(snapshot(prefix_.path()), before);
}

POLLUX_TEST_MAIN(TestInstall)
#include "test_install.moc"
