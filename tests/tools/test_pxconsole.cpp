// The server console: its remembered choices (whatever the store holds),
// Start and Stop, the clients and the live log.

#include "TServerConsole.h"

#include "TestMain.h"
#include "settings/RegUtils.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

namespace {
const QString kKey = kRootKey + QStringLiteral("\\Server Console");
const QString kSample = QStringLiteral(POLLUX_SOURCE_DIR "/data/pxserver-sample");

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QPushButton* button(QWidget& w, const QString& text)
{
    for (QPushButton* b : w.findChildren<QPushButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}
} // namespace

class TestPxConsole : public QObject {
    Q_OBJECT
private slots:
    void init() { pollux_test::clearSettingsDir(); }
    void choicesFallBack();
    void serveAndRemember();
    void unusableChoicesAreShown();
};

void TestPxConsole::choicesFallBack()
{
    ConsoleChoices c = LoadConsoleChoices();
    QVERIFY(c.folder.endsWith(QStringLiteral("/pxserver-sample")));
    QCOMPARE(c.address, QStringLiteral("127.0.0.1"));
    QCOMPARE(c.port, geteuid() == 0 ? 79 : 7979);
    QCOMPARE(c.systemUsers, false);

    // Values of the wrong kind or out of range: the defaults, no failure.
    WriteSettingString(kKey, QStringLiteral("Port"), QStringLiteral("eighty"));
    WriteSettingString(kKey, QStringLiteral("Address"), QStringLiteral("not an address"));
    WriteSettingString(kKey, QStringLiteral("SystemUsers"), QStringLiteral("yes"));
    c = LoadConsoleChoices();
    QCOMPARE(c.address, QStringLiteral("127.0.0.1"));
    QCOMPARE(c.port, geteuid() == 0 ? 79 : 7979);
    WriteSettingInteger(kKey, QStringLiteral("Port"), 70000);
    QCOMPARE(LoadConsoleChoices().port, geteuid() == 0 ? 79 : 7979);
}

void TestPxConsole::serveAndRemember()
{
    const quint16 port = freePort();
    TServerConsole console({kSample, QStringLiteral("127.0.0.1"), port, false});
    console.Quiet = true;
    console.show();
    QPushButton* start = button(console, QStringLiteral("&Start"));
    QPushButton* stop = button(console, QStringLiteral("S&top"));
    QVERIFY(start && stop);
    QVERIFY(!stop->isEnabled());
    start->click();
    QVERIFY(console.Serving());
    QVERIFY(!start->isEnabled() && stop->isEnabled());

    QTcpSocket client;
    QByteArray reply;
    connect(&client, &QTcpSocket::connected, &client, [&] { client.write("ada\r\n"); });
    connect(&client, &QTcpSocket::readyRead, &client, [&] { reply += client.readAll(); });
    client.connectToHost(QHostAddress::LocalHost, port);
    QTRY_VERIFY(console.Server()->Clients() == 1 || reply.size() > 0);
    QTRY_VERIFY(reply.startsWith("Login: ada\r\n"));
    QTRY_VERIFY(console.Log()->toPlainText().contains(QStringLiteral("127.0.0.1 \"ada\" ok")));
    QTRY_COMPARE(console.Server()->Clients(), 0);
    bool clientsShown = false;
    for (QLabel* l : console.findChildren<QLabel*>())
        clientsShown = clientsShown || l->text() == QStringLiteral("Clients: 0");
    QVERIFY(clientsShown);

    stop->click();
    QVERIFY(!console.Serving());
    QVERIFY(console.Log()->toPlainText().endsWith(QStringLiteral("Stopped")));
    // Choices that worked are the next start's.
    const ConsoleChoices c = LoadConsoleChoices();
    QCOMPARE(c.folder, kSample);
    QCOMPARE(c.port, int(port));
}

void TestPxConsole::unusableChoicesAreShown()
{
    TServerConsole console({QStringLiteral("/nonexistent/plans"), QStringLiteral("127.0.0.1"), freePort(), false});
    console.Quiet = true;
    QVERIFY(!console.StartServer());
    QVERIFY(!console.Serving());
    TServerConsole badAddress({kSample, QStringLiteral("here"), freePort(), false});
    badAddress.Quiet = true;
    QVERIFY(!badAddress.StartServer());
    // A port another program holds.
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    TServerConsole taken({kSample, QStringLiteral("127.0.0.1"), holder.serverPort(), false});
    taken.Quiet = true;
    QVERIFY(!taken.StartServer());
    bool told = false;
    for (QLabel* l : taken.findChildren<QLabel*>())
        told = told || l->text().startsWith(QStringLiteral("Cannot listen on 127.0.0.1 port"));
    QVERIFY(told);
    // Nothing that failed is remembered.
    QVERIFY(!SettingsKeyExists(kKey));
}

POLLUX_GUI_TEST_MAIN(TestPxConsole)
#include "test_pxconsole.moc"
