// Taking results out of the program and query lists into it: Save As in
// three kinds, Save All, running every line of a text file as a query, and
// printing the active view.
//
// Each dialog turns the event loop, and a query that was already waiting
// goes on meanwhile: it may add, close or rename tabs. So the tab to save is
// held from before its dialog and looked up again after it.

#include "app/MainFrm.h"

#include "results/DocumentWriter.h"
#include "results/ReplyText.h"
#include "settings/DebugLog.h"
#include "settings/SoundEvents.h"
#include "ui/TDCMemo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTabWidget>

#include <memory>

namespace {

struct SaveKind {
    const char* name;
    const char* filter;
    const char* extension;
    TDocumentKind kind;
};

constexpr SaveKind kSaveKinds[] = {
    {"TXT", "Text File (*.TXT *.txt)", ".txt", TDocumentKind::Text},
    {"RTF", "Rich Text File (*.RTF *.rtf)", ".rtf", TDocumentKind::RTF},
    {"HTML", "HTML File (*.HTML *.html)", ".html", TDocumentKind::HTML},
};

// The folder the file dialogs start in when a caption names no folder: the
// last one used, else the user's documents folder.
QString& LastFolder()
{
    static QString folder;
    return folder;
}

TMain::FileDialogAnswer& FileDialogAnswerSlot()
{
    static TMain::FileDialogAnswer answer;
    return answer;
}

QString StartFolder()
{
    if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        return LastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The busy pointer while a large result is written.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void TMain::SetFileDialogAnswer(FileDialogAnswer answer)
{
    FileDialogAnswerSlot() = std::move(answer);
}

QString TMain::AskFileName(const FileDialogRequest& request)
{
    QString chosen;
    if (FileDialogAnswerSlot()) {
        chosen = FileDialogAnswerSlot()(request);
    } else {
        QFileDialog dialog(this);
        dialog.setObjectName(request.save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
        dialog.setWindowTitle(request.title);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // Replacing is asked about for the name actually written, which for
        // Save As has the extension added.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setNameFilters(request.filters);
        dialog.setDirectory(request.directory);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen.isEmpty())
        LastFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString TMain::AskSaveFileName(const QString& title, const QString& filter, const QString& caption)
{
    const QFileInfo named(caption);
    FileDialogRequest request;
    request.save = true;
    request.title = title;
    request.filters = QStringList{filter};
    request.directory = named.isAbsolute() ? named.absolutePath() : StartFolder();
    request.fileName = named.isAbsolute() ? caption : named.fileName();
    return AskFileName(request);
}

bool TMain::ConfirmReplace(const QString& path)
{
    const QFileInfo target(path);
    if (!target.exists() || target.isDir())
        return true; // a folder cannot be replaced: the save fails on it
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TMain::SaveResultAs(const QString& Kind)
{
    const SaveKind* kind = nullptr;
    for (const SaveKind& k : kSaveKinds)
        if (Kind == QLatin1String(k.name))
            kind = &k;
    if (!kind)
        return;
    LogDebug(QStringLiteral(" - Saving result as ") + Kind);
    QPointer<QWidget> sheet = PageControl1->currentWidget();
    if (!sheet || !ActiveView())
        return; // no tab: nothing to save
    const QString chosen = AskSaveFileName(QStringLiteral("Save As"), QLatin1String(kind->filter),
                                           PageControl1->tabText(PageControl1->currentIndex()));
    if (chosen.isEmpty() || !sheet)
        return;
    // The extension goes on whatever the name already ends with.
    const QString path = chosen + QLatin1String(kind->extension);
    if (!ConfirmReplace(path) || !sheet)
        return;
    TDCMemo* view = sheet->findChild<TDCMemo*>(QString(), Qt::FindDirectChildrenOnly);
    if (!view)
        return;
    {
        BusyCursor busy;
        view->SaveAsDocument(kind->kind, path);
    }
    const int index = PageControl1->indexOf(sheet);
    if (index >= 0)
        PageControl1->setTabText(index, chosen);
}

void TMain::SaveTextClick()
{
    SaveResultAs(QStringLiteral("TXT"));
    FireSoundEvent(kSoundSaveQuery);
}

void TMain::SaveRTFClick()
{
    SaveResultAs(QStringLiteral("RTF"));
    FireSoundEvent(kSoundSaveQuery);
}

void TMain::SaveHTMLClick()
{
    SaveResultAs(QStringLiteral("HTML"));
    FireSoundEvent(kSoundSaveQuery);
}

void TMain::SaveAllClick()
{
    LogDebug(QStringLiteral(" - Saving all results"));
    QList<QPointer<QWidget>> sheets;
    for (int i = 0; i < PageControl1->count(); ++i)
        sheets << PageControl1->widget(i);
    for (auto it = sheets.crbegin(); it != sheets.crend(); ++it) {
        const QPointer<QWidget> sheet = *it;
        if (!sheet || PageControl1->indexOf(sheet) < 0)
            continue; // closed while an earlier dialog was open
        const QString chosen =
            AskSaveFileName(QStringLiteral("Save All"), QLatin1String(kSaveKinds[0].filter),
                            PageControl1->tabText(PageControl1->indexOf(sheet)));
        if (chosen.isEmpty() || !sheet || !ConfirmReplace(chosen) || !sheet)
            continue;
        TDCMemo* view = sheet->findChild<TDCMemo*>(QString(), Qt::FindDirectChildrenOnly);
        if (!view)
            continue;
        // Written under the name as chosen; the caption gets ".txt".
        {
            BusyCursor busy;
            view->SaveAsDocument(TDocumentKind::Text, chosen);
        }
        const int index = PageControl1->indexOf(sheet);
        if (index >= 0)
            PageControl1->setTabText(index, chosen + QStringLiteral(".txt"));
    }
}

void TMain::OpenButtonClick()
{
    LogDebug(QStringLiteral(" - Importing text file"));
    FileDialogRequest request;
    request.save = false;
    request.title = QStringLiteral("Import Text File");
    request.filters = QStringList{QStringLiteral("Text Files (*.TXT *.txt)"), QStringLiteral("All Files (*)")};
    request.directory = StartFolder();
    const QString path = AskFileName(request);
    if (path.isEmpty())
        return;
    auto file = std::make_shared<QFile>(path);
    // Only a regular file: a pipe or device would hold the window on read.
    if (!QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly)) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("There was an error opening the selected file."));
        return;
    }
    RunQueryJob(this, [this, file] { RunQueryFile(*file); });
}

void TMain::RunQueryFile(QIODevice& file)
{
    // A line longer than this is no query expression; it is read in pieces
    // so that a file without line breaks cannot take all memory.
    constexpr qint64 kLongestLine = 64 * 1024;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine(kLongestLine);
        if (raw.isEmpty() && !file.atEnd())
            break; // a read error ends the file
        if (!raw.endsWith('\n') && !file.atEnd()) {
            while (!file.atEnd() && !file.readLine(kLongestLine).endsWith('\n')) {
            }
            continue;
        }
        if (raw.endsWith('\n'))
            raw.chop(1);
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = DecodeReplyText(raw);
        if (line.contains(QLatin1Char('[')))
            continue;
        // A failing query ends the file here; the rest is not run.
        ExecuteFingerQuery(line, false, false, false, QString());
    }
}

void TMain::PrintClick()
{
    LogDebug(QStringLiteral(" - Printing result"));
    if (TDCMemo* view = ActiveView())
        view->Print(true);
}
