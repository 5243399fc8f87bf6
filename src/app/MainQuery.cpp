// The main window's side of a finger query: ExecuteFingerQuery, the
// commands that start, repeat and cancel a query, the status texts that
// follow it, and the query history in the settings store.

#include "app/MainFrm.h"
#include "shell/Launch.h"

#include "app/TextUtil.h"
#include "core/Guard.h"
#include "finger/Mssocket.h"
#include "finger/QueryExpression.h"
#include "results/ReplyText.h"
#include "results/ResultView.h"
#include "settings/DebugLog.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QScopeGuard>
#include <QComboBox>
#include <QSignalBlocker>
#include <QDesktopServices>
#include <QLabel>
#include <QTabWidget>
#include <QTime>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {
const QString kQueryKey = kConfigurationKey + QStringLiteral("\\Query");
const QString kLastQuery = QStringLiteral("LastQuery");

void ProcessEvents()
{
    QCoreApplication::processEvents();
}

} // namespace

void TMain::SetUrlOpener(UrlOpener opener)
{
    SetDesktopOpener(std::move(opener));
}

// ---- the query queue

bool TMain::QueryInProgress() const
{
    return workDepth_ > 0 || !jobs_.empty();
}

void TMain::RunQueryJob(std::function<void()> job)
{
    RunQueryJob(nullptr, std::move(job));
}

void TMain::RunQueryJob(QObject* sender, std::function<void()> job)
{
    if (!job || closeRequested_ || exitRequested_ || closing_)
        return;
    if (QueryInProgress()) {
        jobs_.push_back({sender, sender != nullptr, std::move(job)});
        return;
    }
    ++workDepth_;
    struct Done {
        TMain* self;
        ~Done() { self->EndQueryWork(); }
    } done{this};
    job();
}

void TMain::EndQueryWork()
{
    --workDepth_;
    if (workDepth_ > 0)
        return;
    if (closeRequested_) {
        // The window was closed while the query waited; close it now that
        // nothing of the query is left on the stack.
        jobs_.clear();
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (!jobs_.empty())
        ScheduleDrain();
}

void TMain::ScheduleDrain()
{
    if (drainScheduled_)
        return;
    drainScheduled_ = true;
    // From the event loop, never from inside the query that just ended.
    QTimer::singleShot(0, this, [this] { DrainQueryJobs(); });
}

void TMain::DrainQueryJobs()
{
    drainScheduled_ = false;
    if (workDepth_ > 0 || jobs_.empty())
        return;
    QueryJob next = std::move(jobs_.front());
    jobs_.pop_front();
    // A job whose window went away reports without one.
    QObject* sender = next.hadSender ? next.sender.data() : nullptr;
    std::exception_ptr failure;
    ++workDepth_;
    try {
        next.job();
    } catch (...) {
        failure = std::current_exception();
    }
    // The report comes after the query state has ended, so a query waiting
    // behind this one can run while the report is on screen.
    EndQueryWork();
    if (failure)
        Guarded(sender, [&] { std::rethrow_exception(failure); });
}

// ---- the road of one query

void TMain::ExecuteFingerQuery(const QString& Expression, bool PrintResult, bool SaveResult, bool ReplaceText,
                               const QString& SaveFileName)
{
    if (executing_) {
        // Never inside the running query: it shares the one connection.
        RunQueryJob(nullptr, [=, this] {
            ExecuteFingerQuery(Expression, PrintResult, SaveResult, ReplaceText, SaveFileName);
        });
        return;
    }
    if (closeRequested_ || exitRequested_)
        throw EAbort(QStringLiteral("The window is closing"));
    if (Expression.isEmpty()) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("Please enter a valid query expression before continuing!"));
        return;
    }

    ++workDepth_;
    executing_ = true;
    cancelRequested_ = false;
    bool cursorShown = false;
    struct Finish {
        TMain* self;
        bool& cursorShown;
        ~Finish()
        {
            if (cursorShown)
                QApplication::restoreOverrideCursor();
            self->dxBarButton34->setEnabled(false);
            self->executing_ = false;
            self->cancelRequested_ = false;
            self->EndQueryWork();
            // Told once the query is over: a report in its middle would hold
            // the reply back behind a modal window.
            for (const EPollux& problem : std::exchange(self->settingProblems_, {}))
                ReportFallback(self, problem);
        }
    } finish{this, cursorShown};
    auto checkCancel = [this] {
        if (cancelRequested_)
            throw EmsCanceledError(QStringLiteral("Operation has been canceled"));
    };

    try {
        // 2. Busy.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorShown = true;
        dxBarButton34->setEnabled(true);
        WebPage->setEnabled(true);
        ProcessEvents();
        checkCancel();

        // 3. Connection.
        const QueryParts parts = SplitQueryExpression(Expression);
        {
            struct CursorBack {
                bool& shown;
                ~CursorBack()
                {
                    if (shown)
                        QApplication::restoreOverrideCursor();
                    shown = false;
                }
            } cursorBack{cursorShown};
            LogDebug(QStringLiteral(" - Host->") + parts.host);
            LogDebug(QStringLiteral(" - Query->") + parts.user);
            msClientSocket1->SetHost(parts.connectHost.left(255));
            msClientSocket1->Connect();
            ProcessEvents();
            checkCancel();
            LogDebug(QStringLiteral(" - Sending query to server..."));
            msClientSocket1->SendLine(parts.user);
            ProcessEvents();
            checkCancel();
        }

        // 4.-5. The query's tab, found or made. Its view is held from here
        // on: whatever tab is in front when the reply is in, the reply, the
        // print and the save go to this one.
        QPointer<TDCMemo> target;
        const int found = FindResultTab(Expression);
        if (found == -1) {
            LogDebug(QStringLiteral(" - Creating tabsheet."));
            QPointer<QWidget> sheet = new QWidget;
            sheet->setObjectName(QStringLiteral("TabSheet"));
            ++programmaticTabChange_;
            PageControl1->addTab(sheet, QString());
            --programmaticTabChange_;
            // Repaint only: a click that closes the tab would pull the sheet
            // from under its view while the view is being set up.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (PageControl1->count() > 1) {
                dxBarButton29->setEnabled(true);
                dxBarButton30->setEnabled(true);
            }
            if (sheet) {
                LogDebug(QStringLiteral(" - Creating Results memo."));
                ResultViewHooks hooks;
                hooks.parser = HTMLParser1.get();
                hooks.popupMenu = dxPopupMenu1;
                hooks.receiver = this;
                hooks.stateChangedSlot = SLOT(ViewStateChanged(TDCMemo*,int));
                hooks.selectionChangedSlot = SLOT(DCMemoSelectionChange(TDCMemo*));
                hooks.between = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
                // A setting the view cannot use is reported once, after this
                // query, and the view keeps its default for it.
                hooks.settingProblem = [this](const EPollux& problem) {
                    settingProblems_.emplace_back(problem.Message(), problem.TypeName());
                };
                target = CreateResultView(sheet, hooks);
                // A finger link in a reply runs as one opened from the desktop.
                connect(target.data(), &TDCMemo::QueryLinkClicked, this, &TMain::OpenLink);
                const int index = PageControl1->indexOf(sheet);
                LogDebug(QStringLiteral(" - Setting active page->") + QString::number(index));
                SetActiveTab(index);
                target->setFocus();
                ProcessEvents();
                if (sheet)
                    PageControl1->setTabText(PageControl1->indexOf(sheet), TabKey(Expression));
            }
        } else {
            SetActiveTab(found);
            target = ViewOfTab(found);
        }
        checkCancel();

        // 6. Reception: the reply is taken whole.
        {
            QBuffer stream;
            stream.open(QIODevice::ReadWrite);
            ProcessEvents();
            checkCancel();
            LogDebug(QStringLiteral(" - Receiving data..."));
            {
                // However the reception ends, the panel shows its last count.
                const auto showLastCount = qScopeGuard([this] { FlushTransferText(); });
                msClientSocket1->ReceiveStream(stream, -1, 0);
            }
            msClientSocket1->Disconnect();
            dxBarButton34->setEnabled(false);
            checkCancel();
            stream.close();
            if (!target) {
                // Its tab was closed while the reply came in: no other tab
                // gets it.
                LogDebug(QStringLiteral(" - Tab closed during the query, reply dropped: ") + Expression);
            } else {
                // Handed over whole: the view keeps these bytes as its text.
                LoadReply(*target, std::exchange(stream.buffer(), QByteArray()), ReplaceText);
            }
        }
        SetControlStatus(true);
        SaveQueryText();

        // 7.
        StatusPanel(2)->setText(QStringLiteral("Last Queried: ") + QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));

        // 8.-9.
        if (PrintResult) {
            if (!target)
                throw EInOutError(QStringLiteral("The result tab was closed before it could be printed"));
            // With its current options and no dialog; no window of its own in
            // an unattended run, not even for progress.
            target->Print(false, Unattended);
        }
        if (SaveResult) {
            if (!target)
                throw EInOutError(QStringLiteral("The result tab was closed before it could be saved to ") + SaveFileName);
            target->SaveToFile(SaveFileName);
        }
        ProcessEvents();
    } catch (const EmsCanceledError&) {
        if (closeRequested_ || exitRequested_)
            throw EAbort(QStringLiteral("Operation has been canceled"));
        throw;
    }
}

void TMain::LoadReply(TDCMemo& view, QByteArray reply, bool replaceText)
{
    if (replaceText)
        view.LoadFromBytes(std::move(reply));
    else
        view.AppendBytes(std::move(reply));
}

// ---- the connection's events

void TMain::ConnectSocketEvents()
{
    msClientSocket1->OnConnecting = [this](QObject*) {
        WriteActivity(QStringLiteral("Connecting to ") + msClientSocket1->Host() + QStringLiteral("..."));
    };
    msClientSocket1->OnConnected = [this](QObject*) {
        transferShown_.invalidate(); // the first count shows at once
        WriteActivity(QStringLiteral("Connected to ") + msClientSocket1->Host());
    };
    // The socket turns the event loop after every read, so the window stays
    // live; the panel itself changes at most ten times a second.
    msClientSocket1->OnTransferProgress = [this](QObject*, qint32, qint32 byteCount, qint32) {
        ShowTransferText(QStringLiteral("Transfering ") + InsertThousandSeparator(byteCount) + QStringLiteral(" bytes..."));
    };
    msClientSocket1->OnDisconnected = [this](QObject*) {
        FlushTransferText();
        WriteActivity(QStringLiteral("Disconnected from ") + msClientSocket1->Host());
    };
}

void TMain::ShowTransferText(const QString& text)
{
    constexpr qint64 kInterval = 100; // ms
    pendingTransfer_ = text;
    if (!transferShown_.isValid() || transferShown_.elapsed() >= kInterval) {
        FlushTransferText();
        return;
    }
    if (!transferTimer_) {
        transferTimer_ = new QTimer(this);
        transferTimer_->setSingleShot(true);
        transferTimer_->setTimerType(Qt::PreciseTimer);
        // A timer may come a little early: then it waits out the rest.
        connect(transferTimer_, &QTimer::timeout, this, [this] {
            if (!pendingTransfer_.isEmpty())
                ShowTransferText(pendingTransfer_);
        });
    }
    if (!transferTimer_->isActive())
        transferTimer_->start(int(kInterval - transferShown_.elapsed()));
}

void TMain::FlushTransferText()
{
    if (transferTimer_)
        transferTimer_->stop();
    if (pendingTransfer_.isEmpty())
        return;
    const QString text = std::exchange(pendingTransfer_, QString());
    transferShown_.start();
    WriteActivity(text);
}

void TMain::WriteActivity(const QString& text)
{
    if (QLabel* panel = StatusPanel(0)) {
        panel->setText(text);
        panel->setToolTip(text);
    }
    emit ActivityChanged(text);
}

// ---- commands

void TMain::QueryCommand(const QString& text)
{
    LogDebug(QStringLiteral(" - Running ExecuteFingerQuery(") + text + QStringLiteral(")"));
    ExecuteFingerQuery(text, false, false, false, QString());
    FireSoundEvent(kSoundNewQuery);
}

void TMain::dxBarButton1Click()
{
    const QString text = QueryComboBox->currentText();
    RunQueryJob(nullptr, [this, text] { QueryCommand(text); });
}

void TMain::QueryComboBoxKeyDown()
{
    const QString text = QueryComboBox->currentText();
    // The query box sits on a toolbar: a failure names no window, as one of
    // the Query button does.
    if (!text.isEmpty())
        RunQueryJob(nullptr, [this, text] { QueryCommand(text); });
    WebPage->setEnabled(!QueryComboBox->currentText().isEmpty());
}

void TMain::QueryComboBoxChange()
{
    WebPage->setEnabled(!QueryComboBox->currentText().isEmpty());
}

void TMain::RefreshCommand(const QString& text)
{
    LogDebug(QStringLiteral(" - Refreshing Query->") + text);
    // The new reply takes the place of the old text in the query's own tab:
    // another tab that happens to be in front is left alone, and a refresh
    // that fails leaves the earlier reply standing.
    ExecuteFingerQuery(text, false, false, true, QString());
}

void TMain::dxBarButton13Click()
{
    const QString text = QueryComboBox->currentText();
    RunQueryJob(nullptr, [this, text] { RefreshCommand(text); });
}

void TMain::dxBarButton34Click()
{
    if (!executing_)
        return;
    cancelRequested_ = true;
    msClientSocket1->Cancel();
}

void TMain::WebPageClick()
{
    const QString text = QueryComboBox->currentText();
    if (text.isEmpty()) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("You have to enter a domain name in to the query box first."));
        return;
    }
    const QString address = WebAddressFor(text);
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("'") + address + QStringLiteral("' is not a valid web address."));
        return;
    }
    OpenWithDesktop(url);
}

void TMain::SetControlStatus(bool Value)
{
    LogDebug(Value ? QStringLiteral(" - Setting Control Status->TRUE") : QStringLiteral(" - Setting Control Status->FALSE"));
    for (QAction* a : {SaveButton, dxBarButton20, dxBarButton21, dxBarButton22, dxBarButton5, dxBarButton8,
                       dxBarButton9, dxBarButton10, dxBarButton11, dxBarButton12, dxBarButton13})
        a->setEnabled(Value && !a->property("polluxUnavailable").toBool());
}

// ---- history

void TMain::SaveQueryText()
{
    const QString text = QueryComboBox->currentText();
    LogDebug(QStringLiteral(" - Saving query text->") + text);
    if (text.isEmpty())
        return;
    WriteSettingString(kQueryKey, text, QString());
    WriteSettingString(kQueryKey, kLastQuery, text);
}

void TMain::LoadQueryText()
{
    LogDebug(QStringLiteral(" - Loading Query Text..."));
    // Filling the list is no edit of the user's: Visit Web Page keeps its state.
    const QSignalBlocker quiet(QueryComboBox);
    QueryComboBox->clear();
    QStringList names;
    if (!ListSettingValues(kQueryKey, names))
        return;
    names.removeIf([](const QString& name) { return name.compare(kLastQuery, Qt::CaseInsensitive) == 0; });
    QueryComboBox->addItems(names); // one model change for the whole history
    const QString last = ReadSettingString(kQueryKey, kLastQuery);
    // The store matches names in any case and keeps the case a name was
    // first written in: "LastQuery" may name an entry listed as "Root@Host".
    int index = QueryComboBox->findText(last, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        index = QueryComboBox->findText(last, Qt::MatchFixedString);
    QueryComboBox->setCurrentIndex(index);
    if (index < 0)
        QueryComboBox->setEditText(QString());
}

// ---- messages

void TMain::ShowMessage(QMessageBox::Icon kind, const QString& text)
{
    QString title;
    switch (kind) {
    case QMessageBox::Critical: title = QStringLiteral("Error"); break;
    case QMessageBox::Warning: title = QStringLiteral("Warning"); break;
    case QMessageBox::Question: title = QStringLiteral("Confirm"); break;
    default: title = QStringLiteral("Information"); break;
    }
    if (Unattended) {
        std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return;
    }
    QMessageBox box(kind, title, text, QMessageBox::Ok, this);
    box.exec();
}
