// The main window's side of the command line: applying the switches, the
// repeat timer's ticks and the unattended run of "/q".

#include "app/MainFrm.h"

#include "core/Guard.h"
#include "finger/QueryExpression.h"
#include "settings/DebugLog.h"
#include "shell/CommandLine.h"
#include "shell/CommandLineHelpFrm.h"
#include "shell/CritError.h"

#include <QComboBox>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimer>

#include <memory>

namespace {
// A tick's queries hold this from the tick until they are done, including
// any error report they raise; a tick that finds it held is skipped. Each
// hold has a number of its own, so that a late release never frees a newer
// tick's hold.
struct TickState {
    bool busy = false;
    quint64 holder = 0;
    quint64 lastHold = 0;
};

TickState& tickState()
{
    static TickState s;
    return s;
}

class TickHold {
public:
    TickHold() : id_(++tickState().lastHold)
    {
        tickState().busy = true;
        tickState().holder = id_;
    }
    ~TickHold()
    {
        if (tickState().holder == id_)
            tickState().busy = false;
    }
    TickHold(const TickHold&) = delete;
    TickHold& operator=(const TickHold&) = delete;

private:
    quint64 id_;
};

void applyToWindow(TMain& window, const CommandLineDecision& d)
{
    const bool quit = CmdLine().Quit; // "/q" may have been seen before the window existed
    CmdLine() = d.State;
    CmdLine().Quit = CmdLine().Quit || quit;
    if (CmdLine().Quit) {
        window.Unattended = true;
        SetUnattendedErrors(true);
    }
    if (d.BoxTextSet) {
        // Only the text: the history list below it stays as it is. No edit
        // of the user's either: Visit Web Page keeps its state.
        const QSignalBlocker quiet(window.QueryComboBox);
        if (window.QueryComboBox->isEditable())
            window.QueryComboBox->setEditText(d.BoxText);
        else
            window.QueryComboBox->setCurrentText(d.BoxText);
    }
    if (d.TimerSet) {
        window.Timer1->setInterval(d.TimerInterval);
        // An interval of 0 means no ticks at all, not ticks without pause.
        if (d.TimerInterval > 0)
            window.Timer1->start();
        else
            window.Timer1->stop();
    }
}
} // namespace

void TMain::CheckCommandLine()
{
    CommandLineDecision decision;
    try {
        DecideCommandLine(CommandLineParameters(), decision, [this] { ShowCommandLineHelp(this); });
    } catch (...) {
        // What the parameters before the failure set stays set.
        applyToWindow(*this, decision);
        throw;
    }
    applyToWindow(*this, decision);
}

void TMain::RunRepeatedQueries()
{
    const QStringList pieces = SplitQueryList(QueryComboBox->currentText() + QLatin1Char(','));
    const CommandLineState switches = CmdLine();
    QPointer<TMain> self(this);
    for (const QString& piece : pieces) {
        ExecuteFingerQuery(piece, switches.CmdLinePrint, switches.CmdLineSave, switches.CmdLineClear,
                           switches.CmdLineSaveFile);
        if (!self)
            return; // the window went while the query waited
    }
}

void TMain::Timer1Timer()
{
    // A failure of the timer's work belongs to no window. It leaves the job
    // and is reported by whoever ran it (here when it ran at once, by the
    // queue when it waited), while the job and its hold still exist: so no
    // tick starts while that report is on screen.
    Guarded(nullptr, [&] {
        if (tickState().busy) {
            LogDebug(QStringLiteral(" - Repeat timer: previous queries still running, tick skipped"));
            return;
        }
        auto hold = std::make_shared<TickHold>();
        QPointer<TMain> self(this);
        RunQueryJob(nullptr, [self, hold] {
            if (self)
                self->RunRepeatedQueries();
        });
    });
}

int RunUnattended(TMain& window)
{
    window.Unattended = true;
    SetUnattendedErrors(true);
    // A command line that failed already (a bad "/t" value) runs nothing.
    if (UnattendedFailureCount() > 0)
        return 1;
    if (CmdLine().Help)
        return 0;

    const QStringList pieces = SplitQueryList(window.QueryComboBox->currentText() + QLatin1Char(','));
    const CommandLineState switches = CmdLine();
    QPointer<TMain> self(&window);
    bool allSucceeded = true;
    for (const QString& piece : pieces) {
        const int failuresBefore = UnattendedFailureCount();
        Guarded(nullptr, [&] {
            self->ExecuteFingerQuery(piece, switches.CmdLinePrint, switches.CmdLineSave,
                                     switches.CmdLineClear, switches.CmdLineSaveFile);
        });
        // An empty piece gets the empty-expression message and no query.
        if (UnattendedFailureCount() != failuresBefore || piece.isEmpty())
            allSucceeded = false;
        if (!self)
            return 1;
    }
    return allSucceeded ? 0 : 1;
}
