// Save As in its three kinds, Save All, running a file of queries and the
// Print command, in the main window against a loopback finger server.

#include "ModalHelper.h"
#include "LaterRun.h"
#include "TestMain.h"

#include "FingerServer.h"
#include "app/MainFrm.h"
#include "core/Guard.h"
#include "results/DocumentWriter.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QTabWidget>

#include <sys/stat.h>

#include <memory>

namespace {

struct RecordingPlayer : SoundPlayer {
    QStringList played;
    void Play(const QString& path) override { played << path; }
};

RecordingPlayer* Sounds()
{
    return dynamic_cast<RecordingPlayer*>(&CurrentSoundPlayer());
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// What a file dialog showed when it came up.
struct Shown {
    QString name;   // the file name it offered
    QStringList filters;
};

// Answers the coming message boxes in order with their buttons ("yes",
// "no", "ok"), each waiting for a box other than the one answered before.
void AnswerBoxes(QStringList answers, std::shared_ptr<QStringList> messages, QPointer<QWidget> previous = {},
                 int attempts = 3000)
{
    if (answers.isEmpty())
        return;
    QTimer::singleShot(10, qApp, [=]() mutable {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == previous.data()) {
            if (attempts > 0)
                AnswerBoxes(answers, messages, previous, attempts - 1);
            else
                qWarning("expected message box did not appear");
            return;
        }
        const QString answer = answers.takeFirst();
        messages->append(box->text());
        box->done(answer == QLatin1String("yes")  ? QMessageBox::Yes
                  : answer == QLatin1String("no") ? QMessageBox::No
                                                  : QMessageBox::Ok);
        AnswerBoxes(answers, messages, box);
    });
}

} // namespace

class TestSaving : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackFingerServer> server;
    std::unique_ptr<TMain> w;
    QStringList errors;
    std::shared_ptr<QList<Shown>> shown;
    std::shared_ptr<QStringList> messages;
    std::shared_ptr<QStringList> fileAnswers = std::make_shared<QStringList>();
    std::unique_ptr<QTemporaryDir> dir;

    QString Host() const { return QStringLiteral("127.0.0.1:") + QString::number(server->Port()); }
    QString At(const QString& user) const { return user + u'@' + Host(); }
    void Query(const QString& expression)
    {
        w->QueryComboBox->setEditText(expression);
        QTest::keyClick(w->QueryComboBox, Qt::Key_Return);
    }
    QString Caption(int i) const { return w->PageControl1->tabText(i); }
    // File dialogs get `files` in order (a path; empty: Cancel; "=" and a
    // folder: the offered name in that folder), message boxes `buttons`.
    void Expect(const QStringList& files, const QStringList& buttons = {})
    {
        *fileAnswers = files;
        AnswerBoxes(buttons, messages);
    }

private slots:
    void initTestCase()
    {
        SetSoundPlayer(std::make_unique<RecordingPlayer>());
        TMain::SetFileDialogAnswer([this](const TMain::FileDialogRequest& request) {
            shown->append({request.fileName, request.filters});
            if (fileAnswers->isEmpty()) {
                qWarning("an unexpected file dialog");
                return QString();
            }
            const QString answer = fileAnswers->takeFirst();
            return answer.startsWith(u'=') ? answer.mid(1) + u'/' + request.fileName : answer;
        });
    }

    void init()
    {
        w.reset();
        pollux_test::clearSettingsDir();
        // A later run without the welcome screen, which would wait for a click.
        MarkLaterRun();
        WriteSettingBool(kConfigurationKey + QStringLiteral("\\Sounds"), QStringLiteral("SoundsEnabled"), true);
        WriteSettingString(kConfigurationKey + QStringLiteral("\\Sounds"), kSoundSaveQuery, QStringLiteral("save.wav"));
        Sounds()->played.clear();
        server = std::make_unique<LoopbackFingerServer>();
        QVERIFY(server->Listen());
        server->SetReply("Login: root <b>x</b>\r\n\r\nPlan: www.host1.example caf\xc3\xa9\r\n");
        dir = std::make_unique<QTemporaryDir>();
        shown = std::make_shared<QList<Shown>>();
        messages = std::make_shared<QStringList>();
        w = std::make_unique<TMain>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        errors.clear();
        SetErrorHandler([this](QObject*, const EPollux& e) { errors << e.Message(); });
    }

    void cleanup()
    {
        w.reset();
        server.reset();
    }

    void commandsEnabled()
    {
        QVERIFY(w->OpenButton->isEnabled());
        for (QAction* a : {w->SaveText, w->SaveRTF, w->SaveHTML})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        for (QAction* a : {w->SaveButton, w->dxBarButton20, w->dxBarButton5})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        Query(At("root"));
        for (QAction* a : {w->SaveButton, w->dxBarButton20, w->dxBarButton5})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        // With no tab left the commands stay and do nothing.
        w->dxBarButton22->trigger();
        QVERIFY(w->SaveButton->isEnabled());
        w->SaveText->trigger();
        w->dxBarButton5->trigger();
        QVERIFY(errors.isEmpty());
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("typed"); // "=": the offered name in the folder
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("kind");
        QTest::newRow("text as offered") << "SaveText" << "=" << "root-%1.txt" << "Text File (*.TXT *.txt)"
                                         << int(TDocumentKind::Text);
        QTest::newRow("text named .txt") << "SaveText" << "plan.txt" << "plan.txt.txt" << "Text File (*.TXT *.txt)"
                                         << int(TDocumentKind::Text);
        QTest::newRow("rtf") << "SaveRTF" << "plan" << "plan.rtf" << "Rich Text File (*.RTF *.rtf)"
                             << int(TDocumentKind::RTF);
        QTest::newRow("html") << "SaveHTML" << "plan.htm" << "plan.htm.html" << "HTML File (*.HTML *.html)"
                              << int(TDocumentKind::HTML);
    }

    void saveAs()
    {
        QFETCH(QString, command);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, filter);
        QFETCH(int, kind);
        Query(At("root"));
        const QString folder = dir->path();
        const QString answer = typed == QLatin1String("=") ? typed + folder : folder + u'/' + typed;
        Expect({answer});
        Sounds()->played.clear();
        w->findChild<QAction*>(command)->trigger();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(shown->size(), 1);
        QCOMPARE(shown->at(0).name, QStringLiteral("root-") + Host());
        QCOMPARE(shown->at(0).filters.value(0), filter);
        const QString path = folder + u'/' + (written.contains(QLatin1String("%1")) ? written.arg(Host()) : written);
        TDCMemo* view = w->ActiveView();
        // The view hands its lines out one at a time; the document is the
        // one the writers make of the same lines as a list.
        TDocumentInput input = view->DocumentInput();
        QCOMPARE(input.LineCount(), qsizetype(view->Lines().size()));
        input.lineAt = {};
        input.lines = view->Lines();
        const QByteArray expected = kind == int(TDocumentKind::Text) ? TextDocument(input.lines)
                                    : kind == int(TDocumentKind::RTF) ? RTFDocument(input)
                                                                      : HTMLDocument(input);
        QCOMPARE(ReadAll(path), expected);
        // The caption is the name as chosen, without the added extension.
        QCOMPARE(Caption(0), path.chopped(path.size() - path.lastIndexOf(u'.')));
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("save.wav")});
    }

    void cancelAndFailures()
    {
        Query(At("root"));
        const QString caption = Caption(0);
        // Cancelled: nothing written, caption kept, the sound still plays.
        Expect({QString()});
        Sounds()->played.clear();
        w->SaveRTF->trigger();
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
        QCOMPARE(Caption(0), caption);
        QCOMPARE(Sounds()->played, QStringList{QStringLiteral("save.wav")});

        // A file that cannot be created (a folder stands there): the error,
        // no sound, caption kept.
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("taken.html")));
        Sounds()->played.clear();
        Expect({dir->filePath("taken")});
        w->SaveHTML->trigger();
        QCOMPARE(errors, QStringList{QStringLiteral("Cannot create file ") + dir->filePath("taken.html")});
        QCOMPARE(Caption(0), caption);
        QCOMPARE(Sounds()->played, QStringList());

        // An existing file is replaced only when the user says so.
        errors.clear();
        const QString old = dir->filePath("old.txt");
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
        f.close();
        Expect({dir->filePath("old")}, {QStringLiteral("no")});
        w->SaveText->trigger();
        QCOMPARE(ReadAll(old), QByteArray("keep me"));
        QCOMPARE(messages->size(), 1);
        QVERIFY(messages->at(0).contains(QLatin1String("already exists")));
        Expect({dir->filePath("old")}, {QStringLiteral("yes")});
        w->SaveText->trigger();
        QVERIFY(ReadAll(old).startsWith("Login: root"));
        QVERIFY(errors.isEmpty());
    }

    void saveAll()
    {
        for (const char* user : {"a", "b", "c"})
            Query(At(QString::fromLatin1(user)));
        QCOMPARE(w->PageControl1->count(), 3);
        const QString b = Caption(1);
        Sounds()->played.clear();
        // Last tab first; the middle one cancelled; names kept as chosen.
        Expect({dir->filePath("c1"), QString(), dir->filePath("a1")});
        w->dxBarButton20->trigger();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(shown->size(), 3);
        QCOMPARE(shown->at(0).name, QStringLiteral("c-") + Host());
        QCOMPARE(shown->at(1).name, b);
        QCOMPARE(shown->at(2).name, QStringLiteral("a-") + Host());
        QCOMPARE(ReadAll(dir->filePath("c1")), TextDocument(w->ViewOfTab(2)->Lines()));
        QCOMPARE(ReadAll(dir->filePath("a1")), TextDocument(w->ViewOfTab(0)->Lines()));
        QCOMPARE(Caption(2), dir->filePath("c1") + QStringLiteral(".txt"));
        QCOMPARE(Caption(1), b);
        QCOMPARE(Caption(0), dir->filePath("a1") + QStringLiteral(".txt"));
        QCOMPARE(Sounds()->played, QStringList());
    }

    void queryFile()
    {
        const QString path = dir->filePath("queries.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(("@" + Host() + "\r\n[Servers]\r\n\r\n" + At("user") + "\r\n" + At("x[1]") + "\n").toUtf8());
        // A line far longer than any expression (a file without line
        // breaks, say) is passed over, not run piece by piece.
        f.write(QByteArray(200000, 'y') + "\n");
        f.close();
        Expect({path}, {QStringLiteral("ok")});
        w->OpenButton->trigger();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(server->Queries(), (QByteArrayList{"\r\n", "user\r\n"}));
        QCOMPARE(*messages, QStringList{QStringLiteral("Please enter a valid query expression before continuing!")});
        QCOMPARE(w->PageControl1->count(), 2);
        QCOMPARE(shown->at(0).filters, (QStringList{"Text Files (*.TXT *.txt)", "All Files (*)"}));
    }

    void queryFileStopsAtFailure()
    {
        const QString path = dir->filePath("queries.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(("a@127.0.0.1:" + QString::number(RefusingPort()) + "\n" + At("b") + "\n").toUtf8());
        f.close();
        Expect({path});
        w->OpenButton->trigger();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(server->Queries(), QByteArrayList());
    }

    void queryFileThatCannotBeRead()
    {
        // A pipe would hold the window on its first read.
        const QString pipe = dir->filePath("pipe.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        Expect({pipe}, {QStringLiteral("ok")});
        w->OpenButton->trigger();
        QCOMPARE(*messages, QStringList{QStringLiteral("There was an error opening the selected file.")});
        QCOMPARE(server->Queries(), QByteArrayList());
    }

    void systemColoursResolved()
    {
        const QString key = kConfigurationKey + QStringLiteral("\\Colour");
        for (const char* name : {"BackGround", "Gutter", "LineOutline", "SelBackGround", "SelForeGround",
                                 "GutterLine", "LineBackGround"})
            WriteSettingString(key, QLatin1String(name), QStringLiteral("clWindow"));
        WriteSettingString(key, QStringLiteral("ForeGround"), QStringLiteral("clHighlight"));
        Query(At("root"));
        Expect({dir->filePath("colours")});
        w->SaveHTML->trigger();
        const QByteArray html = ReadAll(dir->filePath("colours.html"));
        const QColor highlight = w->ActiveView()->palette().color(QPalette::Highlight);
        const QColor window = w->ActiveView()->palette().color(QPalette::Base);
        QVERIFY(html.contains("<font color=\"" + highlight.name().toUpper().toLatin1() + "\">"));
        QVERIFY(html.contains("<Body BGCOLOR=\"" + window.name().toUpper().toLatin1() + "\">"));
    }

    void printWithoutPrinter()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed; not printing on it");
        Query(At("root"));
        w->dxBarButton5->trigger();
        QCOMPARE(errors, QStringList{QStringLiteral("There is no default printer currently selected")});
    }
};

POLLUX_GUI_TEST_MAIN(TestSaving)
#include "test_saving.moc"
