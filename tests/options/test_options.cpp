// The Options dialog with its panels, Configure Sounds, Configure Servers
// and the favourites menu, driven for real offscreen against a fresh store
// (and, where a query runs, a loopback finger server).

#include "ModalHelper.h"
#include "TestMain.h"

#include "FingerServer.h"
#include "app/MainFrm.h"
#include "core/Guard.h"
#include "options/OptionsFrm.h"
#include "options/OptionsWidgets.h"
#include "options/SevrerFrm.h"
#include "options/SoundFrm.h"
#include "results/ResultView.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "ui/ColourPicker.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

int RunSchemeFileTests(int argc, char** argv);

namespace {
const QString kSounds = kConfigurationKey + QStringLiteral("\\Sounds");
const QString kUsed = kSounds + QStringLiteral("\\Used");
const QString kColour = kConfigurationKey + QStringLiteral("\\Colour");
const QString kServers = kConfigurationKey + QStringLiteral("\\Servers");
const QString kQuery = kConfigurationKey + QStringLiteral("\\Query");
const QStringList kEvents{"Close Query", "Exit Pollux", "New Query", "Save Query", "Start Pollux", "Switch Queries"};

QStringList column(const QTreeWidget* list, int col)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(col);
    return texts;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->data().toString());
    return texts;
}

QStringList storedNames(const QString& key)
{
    QStringList names;
    ListSettingValues(key, names);
    return names;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The next file dialog answers `path`; its starting folder and filters are
// kept for the test to look at.
struct FileDialogSeen {
    QString folder;
    QStringList filters;
};
std::shared_ptr<FileDialogSeen> ChooseInFileDialog(const QString& path)
{
    auto seen = std::make_shared<FileDialogSeen>();
    SetFileDialogRunner([path, seen](QFileDialog& dialog) {
        seen->folder = dialog.directory().path();
        seen->filters = dialog.nameFilters();
        SetFileDialogRunner({});
        return path;
    });
    return seen;
}

// Answers the next message box with `button` and keeps its text.
std::shared_ptr<QString> AnswerMessage(QMessageBox::StandardButton button)
{
    auto text = std::make_shared<QString>();
    WhenModal<QMessageBox>(
        [text, button](QMessageBox* box) {
            *text = box->text();
            box->button(button)->click();
        },
        3000);
    return text;
}

// Parts of a compound control (a list's viewport, a box's editor) are
// reached through the control itself.
bool InsideAnotherControl(const QWidget* widget, const QWidget* panel)
{
    for (const QWidget* p = widget->parentWidget(); p && p != panel; p = p->parentWidget())
        if (p->focusPolicy() & Qt::TabFocus)
            return true;
    return false;
}

void SelectRow(QTreeWidget* list, int row)
{
    list->setCurrentItem(list->topLevelItem(row));
    list->topLevelItem(row)->setSelected(true);
}
} // namespace

class TestOptions : public QObject {
    Q_OBJECT

    QTemporaryDir shipped; // the shipped data folder: no schemes unless a test writes some
    QStringList errors;
    std::unique_ptr<LoopbackFingerServer> server;

    std::unique_ptr<TMain> MakeMain()
    {
        auto w = std::make_unique<TMain>();
        SetErrorHandler([this](QObject*, const EPollux& e) { errors << e.Message(); });
        return w;
    }

    QString At(const QString& user) const
    {
        return user + QStringLiteral("@127.0.0.1:") + QString::number(server->Port());
    }

private slots:
    void init()
    {
        pollux_test::clearSettingsDir();
        QDir(shipped.path()).removeRecursively();
        QDir().mkpath(shipped.path());
        qputenv("POLLUX_DATA_DIR", shipped.path().toLocal8Bit());
        errors.clear();
        SetErrorHandler([this](QObject*, const EPollux& e) { errors << e.Message(); });
        server = std::make_unique<LoopbackFingerServer>();
        QVERIFY(server->Listen());
        server->SetReply("Login: bob\r\nPlan: see www.host1.example\r\n");
    }

    void cleanup()
    {
        server.reset();
        SetFileDialogRunner({});
        SetErrorHandler({});
        QCOMPARE(errors, QStringList());
    }

    // ---- loading and saving

    void freshStore()
    {
        TOptions d(nullptr);
        QVERIFY(d.DisplaySplash->isChecked());
        QCOMPARE(d.SelectedFont->text(), QStringLiteral("Courier New (Size: 10)"));
        QVERIFY(d.ShowGutter->isChecked() && d.ShowLineNum->isChecked() && d.URLHighlighting->isChecked());
        QVERIFY(!d.HideMarginMarker->isChecked() && !d.OpenLastSite->isChecked() && !d.MinimiseSysTray->isChecked());
        QCOMPARE(column(d.ListView3, 0), kEvents);
        QCOMPARE(column(d.ListView3, 1), QStringList(6, QString()));
        QCOMPARE(d.FrontPanel(), d.General);
    }

    void storeWithPXRunOnly()
    {
        WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
        TOptions d(nullptr);
        QVERIFY(!d.DisplaySplash->isChecked());
        QCOMPARE(d.SelectedFont->text(), QStringLiteral("Courier New (Size: 10)"));
        QVERIFY(d.ShowGutter->isChecked() && d.ShowLineNum->isChecked() && d.URLHighlighting->isChecked());
        QVERIFY(!d.HideMarginMarker->isChecked());
        QVERIFY(!d.EnableSounds->isChecked() && !d.ListView3->isEnabled() && !d.cmdEditSounds->isEnabled());
        QCOMPARE(column(d.ListView3, 0), kEvents);
        QCOMPARE(column(d.ListView3, 1), QStringList(6, QStringLiteral(" ")));
        // No scheme file anywhere: "Default" alone.
        QCOMPARE(d.SpeedSettingCombo->count(), 1);
        QCOMPARE(d.SpeedSettingCombo->currentText(), QStringLiteral("Default"));

        d.Button1->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        for (const QString& event : kEvents)
            QCOMPARE(ReadSettingString(kSounds, event), QStringLiteral(" "));
        QVERIFY(SettingsValueExists(kSounds, QStringLiteral("SoundsEnabled")));
        QVERIFY(!ReadSettingBool(kSounds, QStringLiteral("SoundsEnabled")));
        QVERIFY(!SettingsKeyExists(kServers));
        QCOMPARE(ReadSettingString(kConfigurationKey, QStringLiteral("FontName")), QStringLiteral("Courier New (Size: 10)"));
        QVERIFY(ReadSettingBool(kConfigurationKey, QStringLiteral("ShowGutter")));
        QVERIFY(!ReadSettingBool(kConfigurationKey, QStringLiteral("HideMarginMarker")));
        QStringList colours;
        for (const char* name : SchemeColourValueNames())
            colours << ReadSettingString(kColour, QLatin1String(name));
        QCOMPARE(colours, (QStringList{"clWhite", "clBlack", "clBtnFace", "clSilver", "clNavy", "clWhite", "clBlack",
                                       "clWhite"}));
        QCOMPARE(storedNames(kColour).last(), QStringLiteral("Scheme"));
        QCOMPARE(ReadSettingString(kColour, QStringLiteral("Scheme")), QStringLiteral("Default"));
    }

    void cancelWritesNothing()
    {
        WriteSettingString(kConfigurationKey, QStringLiteral("FontName"), QStringLiteral("Mono (Size: 9)"));
        TOptions d(nullptr);
        QCOMPARE(d.SelectedFont->text(), QStringLiteral("Mono (Size: 9)"));
        d.SelectedFont->setText(QStringLiteral("Serif (Size: 20)"));
        d.HideMarginMarker->setChecked(true);
        d.Button2->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(ReadSettingString(kConfigurationKey, QStringLiteral("FontName")), QStringLiteral("Mono (Size: 9)"));
        QVERIFY(!SettingsValueExists(kConfigurationKey, QStringLiteral("HideMarginMarker")));
    }

    void badStoredValueLoadsTheRest()
    {
        // A value of the wrong kind, written by hand, is reported; the
        // favourites still load, so OK does not delete them.
        WriteSettingString(kConfigurationKey, QStringLiteral("OpenLastSite"), QStringLiteral("yes"));
        WriteSettingString(kServers, QStringLiteral("@a"), QStringLiteral("A"));
        TOptions d(nullptr);
        QCOMPARE(errors, QStringList{QStringLiteral("Invalid data type for 'OpenLastSite'")});
        errors.clear();
        QCOMPARE(column(d.ListView2, 0), QStringList{QStringLiteral("@a")});
    }

    void appliesToOpenViewsOnly()
    {
        auto w = MakeMain();
        w->ExecuteFingerQuery(At(QStringLiteral("one")), false, false, false, QString());
        w->ExecuteFingerQuery(At(QStringLiteral("two")), false, false, false, QString());
        QCOMPARE(w->PageControl1->count(), 2);

        TOptions d(w.get());
        d.HideMarginMarker->setChecked(true);
        d.ShowLineNum->setChecked(false);
        d.URLHighlighting->setChecked(false);
        d.SelectedFont->setText(QStringLiteral("DejaVu Sans Mono (Size: 13)"));
        d.BackgroundColour->SetColour(0x00302010);
        d.Button1->click();
        for (int i = 0; i < 2; ++i) {
            TDCMemo* view = w->ViewOfTab(i);
            QVERIFY(!(view->Options() & moDrawMargin));
            QVERIFY(!(view->Options() & moLineNumbers));
            QVERIFY(view->Options() & moDrawGutter);
            QVERIFY(view->Options() & moLeftIndent); // other bits stay
            QVERIFY(!view->HighlightUrls());
            QCOMPARE(view->font().pointSize(), 13);
            QCOMPARE(view->Background(), QColor(0x10, 0x20, 0x30));
        }
        // A view opened later takes only font and colours from the store.
        w->ExecuteFingerQuery(At(QStringLiteral("three")), false, false, false, QString());
        TDCMemo* later = w->ViewOfTab(2);
        QCOMPARE(later->Options(), kResultViewOptions);
        QVERIFY(later->HighlightUrls());
        QCOMPARE(later->font().pointSize(), 13);
        QCOMPARE(later->Background(), QColor(0x10, 0x20, 0x30));
    }

    // ---- colours

    void pickerNamedAndCustom()
    {
        TColourPicker picker;
        QCOMPARE(picker.itemText(0), QStringLiteral("Black"));
        QCOMPARE(picker.itemText(picker.CustomIndex()), QStringLiteral("Custom"));
        QVERIFY(picker.findText(QStringLiteral("BtnFace")) >= 0);
        QSignalSpy changes(&picker, &TColourPicker::Change);
        picker.SetColour(0x00800000);
        QCOMPARE(picker.currentText(), QStringLiteral("Navy"));
        QCOMPARE(changes.count(), 0);
        picker.SetColour(0x00FF8000);
        QCOMPARE(picker.currentText(), QStringLiteral("Custom"));
        QCOMPARE(picker.Colour(), 0x00FF8000u);
        QCOMPARE(changes.count(), 1);
        // The user's choice of an entry reports a change.
        picker.activated(picker.findText(QStringLiteral("Red")));
        QCOMPARE(changes.count(), 2);
    }

    void loadSchemes()
    {
        writeFile(UserSchemeFolder() + QStringLiteral("/Upper.csf"),
                  ";Pollux - Colour Scheme File\r\nclWhite\r\nCLNAVY\r\n$00FF8000\r\nclGray\r\nclNavy\r\nclWhite\r\n"
                  "clBlack\r\nclWhite\r\n");
        writeFile(UserSchemeFolder() + QStringLiteral("/Bad.csf"), ";\r\nclYellow\r\nnavy\r\nclRed\r\n");
        TOptions d(nullptr);
        d.LoadColourScheme(QStringLiteral("Upper"));
        QCOMPARE(d.ForegroundColour->currentText(), QStringLiteral("Navy"));
        QCOMPARE(d.GutterColour->currentText(), QStringLiteral("Custom"));
        QCOMPARE(d.PreviewColour(scGutter), 0x00FF8000u);
        QCOMPARE(d.ColourSchemeDemo->GutterBrush(), QColor(0x00, 0x80, 0xFF));

        QVERIFY_THROWS_EXCEPTION(EConvertError, d.LoadColourScheme(QStringLiteral("Bad")));
        QCOMPARE(d.PreviewColour(scBackground), 0x0000FFFFu); // the line before the bad one
        QCOMPARE(d.BackgroundColour->currentText(), QStringLiteral("White")); // pickers untouched
        QCOMPARE(d.PreviewColour(scText), 0x00800000u);

        // Picking from the list loads; a missing scheme changes nothing.
        d.SpeedSettingCombo->setCurrentIndex(d.SpeedSettingCombo->findText(QStringLiteral("Upper")));
        d.LoadColourScheme(QStringLiteral("Missing"));
        QCOMPARE(d.GutterColour->Colour(), 0x00FF8000u);
        d.Button1->click();
        QCOMPARE(ReadSettingString(kColour, QStringLiteral("Gutter")), QStringLiteral("$00FF8000"));
        QCOMPARE(ReadSettingString(kColour, QStringLiteral("Scheme")), QStringLiteral("Upper"));

        // Opening again selects and loads the stored scheme.
        TOptions again(nullptr);
        QCOMPARE(again.SpeedSettingCombo->currentText(), QStringLiteral("Upper"));
        QCOMPARE(again.GutterColour->Colour(), 0x00FF8000u);
    }

    void saveSchemes()
    {
        TOptions d(nullptr);
        d.GutterColour->SetColour(0x00123456);
        auto seen = ChooseInFileDialog(UserSchemeFolder() + QStringLiteral("/Night"));
        d.SaveColourScheme();
        QCOMPARE(seen->folder, UserSchemeFolder());
        const QByteArray night = readFile(UserSchemeFolder() + QStringLiteral("/Night.csf"));
        QCOMPARE(night, QByteArray(";Pollux - Colour Scheme File\r\nclWhite\r\nclBlack\r\n$00123456\r\nclSilver\r\n"
                                   "clNavy\r\nclWhite\r\nclBlack\r\nclWhite\r\n"));
        QCOMPARE(d.SpeedSettingCombo->currentText(), QStringLiteral("Night"));

        // Choosing the existing Ocean.csf writes Ocean.csf.csf.
        writeFile(UserSchemeFolder() + QStringLiteral("/Ocean.csf"), "untouched");
        ChooseInFileDialog(UserSchemeFolder() + QStringLiteral("/Ocean.csf"));
        d.SaveColourScheme();
        QCOMPARE(readFile(UserSchemeFolder() + QStringLiteral("/Ocean.csf")), QByteArray("untouched"));
        QCOMPARE(readFile(UserSchemeFolder() + QStringLiteral("/Ocean.csf.csf")), night);
        QCOMPARE(d.SpeedSettingCombo->currentText(), QStringLiteral("Ocean.csf"));

        // Saving over an existing scheme asks first; No keeps the file.
        ChooseInFileDialog(UserSchemeFolder() + QStringLiteral("/Ocean"));
        auto question = AnswerMessage(QMessageBox::No);
        d.SaveColourScheme();
        QVERIFY(question->contains(QStringLiteral("Ocean.csf already exists")));
        QCOMPARE(readFile(UserSchemeFolder() + QStringLiteral("/Ocean.csf")), QByteArray("untouched"));
        QCOMPARE(d.SpeedSettingCombo->currentText(), QStringLiteral("Ocean.csf"));

        // Cancel writes nothing more; the saved files stay.
        d.Button2->click();
        TOptions again(nullptr);
        QStringList listed;
        for (int i = 0; i < again.SpeedSettingCombo->count(); ++i)
            listed << again.SpeedSettingCombo->itemText(i);
        QCOMPARE(listed, (QStringList{"Night", "Ocean", "Ocean.csf"}));
    }

    void confirmedColoursShownAgain()
    {
        // Colours changed with the pickers and confirmed without a scheme
        // file are what the dialog shows and stores the next time.
        writeFile(UserSchemeFolder() + QStringLiteral("/Paper.csf"), ColourSchemeText({0x00FFFFFF, 0, 0, 0, 0, 0, 0, 0}));
        {
            TOptions d(nullptr);
            d.SpeedSettingCombo->setCurrentIndex(d.SpeedSettingCombo->findText(QStringLiteral("Paper")));
            d.LoadColourScheme(QStringLiteral("Paper"));
            d.ForegroundColour->SetColour(0x00445566);
            d.Button1->click();
        }
        TOptions d(nullptr);
        QCOMPARE(d.SpeedSettingCombo->currentText(), QStringLiteral("Paper"));
        QCOMPARE(d.ForegroundColour->Colour(), 0x00445566u);
        QCOMPARE(d.PreviewColour(scText), 0x00445566u);
        d.Button1->click();
        QCOMPARE(ReadSettingString(kColour, QStringLiteral("ForeGround")), QStringLiteral("$00445566"));
    }

    // ---- sounds

    void configureSounds()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.wav"));
        const QString second = dir.filePath(QStringLiteral("second.wav"));
        writeFile(first, "RIFF");
        writeFile(second, "RIFF");
        WriteSettingString(kUsed, QStringLiteral("/old/ding.wav"), QString());

        TConfigureSounds d;
        d.SoundEvent->setText(QStringLiteral("New Query"));
        QCOMPARE(d.SoundCombo->currentText(), QString()); // the box starts empty
        QVERIFY(!d.cmdTest->isEnabled());
        for (const QString& path : {first, first, second, first}) {
            auto seen = ChooseInFileDialog(path);
            d.SpeedButton1Click();
            if (!TConfigureSounds::GetMediaPath().isEmpty())
                QCOMPARE(seen->folder, TConfigureSounds::GetMediaPath());
            QVERIFY(seen->filters.first().startsWith(QStringLiteral("Wav Files")));
            QCOMPARE(d.SoundCombo->currentText(), path);
        }
        QStringList listed;
        for (int i = 0; i < d.SoundCombo->count(); ++i)
            listed << d.SoundCombo->itemText(i);
        QCOMPARE(listed, (QStringList{"/old/ding.wav", first, second}));
        QVERIFY(d.cmdTest->isEnabled());

        // A typed path is used as it is and not added to the list.
        QTest::keyClicks(d.SoundCombo->lineEdit(), QStringLiteral("X"));
        d.SoundCombo->setEditText(QStringLiteral("/typed/path.wav"));
        d.cmdOK->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(storedNames(kUsed), listed);
        QCOMPARE(ReadSettingString(kUsed, first), QString());
        QCOMPARE(ReadSettingString(kSounds, QStringLiteral("New Query")), QStringLiteral("/typed/path.wav"));

        // An empty box stores the empty text.
        TConfigureSounds empty;
        empty.SoundEvent->setText(QStringLiteral("Save Query"));
        empty.cmdOK->click();
        QCOMPARE(ReadSettingString(kSounds, QStringLiteral("Save Query")), QString());
    }

    void soundsPanel()
    {
        WriteSettingBool(kSounds, QStringLiteral("SoundsEnabled"), true);
        TOptions d(nullptr);
        QVERIFY(d.ListView3->isEnabled() && d.cmdEditSounds->isEnabled());
        d.EnableSounds->click();
        QVERIFY(!d.ListView3->isEnabled() && !d.cmdEditSounds->isEnabled());
        d.EnableSounds->click();
        QVERIFY(d.ListView3->isEnabled() && d.cmdEditSounds->isEnabled());
        d.cmdEditSoundsClick(); // nothing selected: nothing opens
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        SelectRow(d.ListView3, 2);
        WhenModal<TConfigureSounds>(
            [](TConfigureSounds* sounds) {
                QCOMPARE(sounds->SoundEvent->text(), QStringLiteral("New Query"));
                sounds->SoundCombo->setEditText(QStringLiteral("/sounds/new.wav"));
                sounds->cmdOK->click();
            },
            3000);
        d.cmdEditSounds->click();
        QCOMPARE(d.ListView3->topLevelItem(2)->text(1), QStringLiteral("/sounds/new.wav"));
        // Stored at once: cancelling Options keeps it.
        d.Button2->click();
        QCOMPARE(ReadSettingString(kSounds, QStringLiteral("New Query")), QStringLiteral("/sounds/new.wav"));
    }

    // ---- favourites

    void favouritesMenuAndEdit()
    {
        for (const char* name : {"@a", "@b", "@c"})
            WriteSettingString(kServers, QLatin1String(name), QStringLiteral("about ") + QLatin1String(name));
        auto w = MakeMain();
        QVERIFY(w->ServersButton->isEnabled() && w->OptionsButton->isEnabled());
        QCOMPARE(menuTexts(w->FavouritesMenu), (QStringList{"@a", "@b", "@c", "-", "Clear Favorite Sevrer List"}));

        TOptions d(w.get());
        QCOMPARE(column(d.ListView2, 1), (QStringList{"about @a", "about @b", "about @c"}));
        QVERIFY(!d.cmdEdit->isEnabled() && !d.cmdDelete->isEnabled());
        SelectRow(d.ListView2, 0);
        QVERIFY(d.cmdEdit->isEnabled() && d.cmdDelete->isEnabled());
        WhenModal<TServer>(
            [](TServer* server) {
                QCOMPARE(server->ServerName->text(), QStringLiteral("@a"));
                server->ServerName->setText(QStringLiteral("@a2"));
                server->cmdOK->click();
            },
            3000);
        d.cmdEdit->click();
        QCOMPARE(column(d.ListView2, 0), (QStringList{"@b", "@c", "@a2"}));

        // Delete asks; No keeps the entry, Yes removes it.
        SelectRow(d.ListView2, 0);
        auto question = AnswerMessage(QMessageBox::No);
        d.cmdDelete->click();
        QCOMPARE(*question, QStringLiteral("Are you sure you want to delete the selected item?"));
        QCOMPARE(column(d.ListView2, 0), (QStringList{"@b", "@c", "@a2"}));
        AnswerMessage(QMessageBox::Yes);
        d.cmdDelete->click();
        QCOMPARE(column(d.ListView2, 0), (QStringList{"@c", "@a2"}));

        d.Button1->click();
        QCOMPARE(storedNames(kServers), (QStringList{"@c", "@a2"}));
        QCOMPARE(ReadSettingString(kServers, QStringLiteral("@a2")), QStringLiteral("about @a"));
        QCOMPARE(menuTexts(w->FavouritesMenu), (QStringList{"@c", "@a2", "-", "Clear Favorite Sevrer List"}));
    }

    void favouritesWithTheSameText()
    {
        TOptions d(nullptr);
        for (const char* description : {"first", "second"}) {
            WhenModal<TServer>(
                [description](TServer* server) {
                    QCOMPARE(server->ServerName->text(), QString());
                    server->ServerName->setText(QStringLiteral("@same\\host & co"));
                    server->ServerDescription->setText(QLatin1String(description));
                    server->cmdOK->click();
                },
                3000);
            d.cmdAdd->click();
        }
        QCOMPARE(column(d.ListView2, 1), (QStringList{"first", "second"}));
        d.Button1->click();
        QCOMPARE(storedNames(kServers), QStringList{QStringLiteral("@same\\host & co")});
        QCOMPARE(ReadSettingString(kServers, QStringLiteral("@same\\host & co")), QStringLiteral("second"));
    }

    void chooseAndClearFavourites()
    {
        WriteSettingString(kServers, At(QStringLiteral("bob")), QStringLiteral("Bob"));
        WriteSettingString(kServers, QStringLiteral("@b"), QString());
        auto w = MakeMain();
        w->QueryComboBox->setEditText(QStringLiteral("typed"));
        const QList<QAction*> actions = w->FavouritesMenu->actions();
        actions.first()->trigger();
        QCOMPARE(server->LastQuery(), QByteArray("bob\r\n"));
        QCOMPARE(w->PageControl1->count(), 1);
        QCOMPARE(w->QueryComboBox->currentText(), QStringLiteral("typed")); // the box is not touched

        // Clearing asks nothing and empties the menu at once.
        actions.last()->trigger();
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(!SettingsKeyExists(kServers));
        QVERIFY(w->FavouritesMenu->actions().isEmpty());
        TOptions d(w.get());
        QCOMPARE(d.ListView2->topLevelItemCount(), 0);
        d.Button1->click();
        QVERIFY(!SettingsKeyExists(kServers));
        QVERIFY(w->FavouritesMenu->actions().isEmpty());
    }

    // ---- the rest of the General panel, keyboard

    void clearQueryHistory()
    {
        WriteSettingString(kQuery, QStringLiteral("@a"), QString());
        WriteSettingString(kQuery, QStringLiteral("LastQuery"), QStringLiteral("@a"));
        auto w = MakeMain();
        QCOMPARE(w->QueryComboBox->count(), 1);
        TOptions d(w.get());
        auto cancelled = AnswerMessage(QMessageBox::Cancel);
        d.cmdClearHistory->click();
        QCOMPARE(*cancelled, QStringLiteral("Clear query history?"));
        QVERIFY(SettingsKeyExists(kQuery));
        AnswerMessage(QMessageBox::Ok);
        d.cmdClearHistory->click();
        QVERIFY(!SettingsKeyExists(kQuery));
        QCOMPARE(w->QueryComboBox->count(), 0);
        d.Button2->click();
        QVERIFY(!SettingsKeyExists(kQuery));
    }

    void keyboardReachesEveryControl()
    {
        TOptions d(nullptr);
        d.EnableSounds->setChecked(true);
        d.EnableSoundsClick();
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        for (int item = 0; item < d.PTTreeView1->topLevelItemCount(); ++item) {
            d.PTTreeView1->setFocus();
            QTest::keyClick(d.PTTreeView1, item == 0 ? Qt::Key_Home : Qt::Key_Down);
            QWidget* panel = d.FrontPanel();
            QSet<QWidget*> reached;
            for (int step = 0; step < 40 && !reached.contains(d.Button2); ++step) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                reached.insert(QApplication::focusWidget());
            }
            for (QWidget* control : panel->findChildren<QWidget*>()) {
                if (control->isVisibleTo(&d) && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus)
                    && !InsideAnotherControl(control, panel))
                    QVERIFY2(reached.contains(control), qPrintable(panel->objectName() + QLatin1Char('/')
                                                                   + control->metaObject()->className()
                                                                   + QLatin1Char(' ') + control->objectName()));
            }
        }
        // Every label with an access key leads to a control.
        for (const QLabel* label : d.findChildren<QLabel*>())
            if (label->text().contains(QLatin1Char('&')) && !label->text().contains(QLatin1String("<a")))
                QVERIFY2(label->buddy(), qPrintable(label->text()));
    }
};

int main(int argc, char** argv)
{
    pollux_test::prepareEnvironment();
    QApplication app(argc, argv);
    int failed = RunSchemeFileTests(argc, argv);
    TestOptions tc;
    QTEST_SET_MAIN_SOURCE_PATH
    failed += QTest::qExec(&tc, argc, argv);
    return failed;
}

#include "test_options.moc"
