// The result tabs: finding a query's tab, moving between tabs, closing
// them, and the commands that act on the active tab's view.

#include "app/MainFrm.h"

#include "core/Guard.h"
#include "finger/QueryExpression.h"
#include "settings/DebugLog.h"
#include "settings/SoundEvents.h"
#include "ui/TDCMemo.h"

#include <QAction>
#include <QLabel>
#include <QTabWidget>

namespace {
// A change of the active tab made by the program gives no change report.
struct ProgrammaticTabChange {
    explicit ProgrammaticTabChange(int& depth) : depth_(depth) { ++depth_; }
    ~ProgrammaticTabChange() { --depth_; }
    ProgrammaticTabChange(const ProgrammaticTabChange&) = delete;
    ProgrammaticTabChange& operator=(const ProgrammaticTabChange&) = delete;
    int& depth_;
};
} // namespace

int TMain::FindResultTab(const QString& expression) const
{
    const QString key = TabKey(expression);
    int result = -1;
    for (int i = 0; i < PageControl1->count(); ++i)
        if (PageControl1->tabText(i) == key)
            result = i;
    return result;
}

TDCMemo* TMain::ViewOfTab(int index) const
{
    QWidget* sheet = PageControl1->widget(index);
    return sheet ? sheet->findChild<TDCMemo*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

TDCMemo* TMain::ActiveView() const
{
    return ViewOfTab(PageControl1->currentIndex());
}

void TMain::SetActiveTab(int index)
{
    ProgrammaticTabChange change(programmaticTabChange_);
    PageControl1->setCurrentIndex(index);
}

void TMain::DestroyTab(int index)
{
    ProgrammaticTabChange change(programmaticTabChange_);
    QWidget* sheet = PageControl1->widget(index);
    if (!sheet)
        return;
    PageControl1->removeTab(index);
    // The view may be in the middle of one of its own handlers (its popup
    // menu's Close): let it finish before it goes.
    sheet->hide();
    sheet->deleteLater();
}

void TMain::NextDocumentClick()
{
    const int count = PageControl1->count();
    if (count > 0)
        SetActiveTab((PageControl1->currentIndex() + 1) % count);
}

void TMain::PreviousDocumentClick()
{
    const int count = PageControl1->count();
    if (count > 0)
        SetActiveTab((PageControl1->currentIndex() - 1 + count) % count);
}

void TMain::CloseClick()
{
    const int index = PageControl1->currentIndex();
    if (index >= 0) {
        // The tab that follows becomes active, or the first one when the
        // closed tab was the last.
        const bool wasLast = index == PageControl1->count() - 1;
        DestroyTab(index);
        if (PageControl1->count() > 0)
            SetActiveTab(wasLast ? 0 : index);
    }
    if (PageControl1->count() == 1) {
        dxBarButton29->setEnabled(false);
        dxBarButton30->setEnabled(false);
    }
    UpdateCopyState();
    FireSoundEvent(kSoundCloseQuery);
}

void TMain::CloseAllClick()
{
    for (int i = PageControl1->count() - 1; i >= 0; --i) {
        DestroyTab(i);
        FireSoundEvent(kSoundCloseQuery);
    }
    dxBarButton29->setEnabled(false);
    dxBarButton30->setEnabled(false);
    UpdateCopyState();
}

void TMain::CopyClick()
{
    if (TDCMemo* view = ActiveView())
        view->CopyToClipboard();
}

void TMain::ClearClick()
{
    if (TDCMemo* view = ActiveView())
        view->ClearText();
}

void TMain::SelectAllClick()
{
    if (TDCMemo* view = ActiveView())
        view->SelectAllText();
}

void TMain::FindClick()
{
    QPointer<TDCMemo> view = ActiveView();
    if (!view)
        return;
    view->ShowFindDialog();
    ShowCaretPosition(view);
}

void TMain::FindAgainClick()
{
    QPointer<TDCMemo> view = ActiveView();
    if (!view)
        return;
    view->FindAgain();
    ShowCaretPosition(view);
}

void TMain::GotoLineClick()
{
    QPointer<TDCMemo> view = ActiveView();
    if (!view)
        return;
    view->ShowGotoLineDialog();
    ShowCaretPosition(view);
}

void TMain::PageControl1Change()
{
    LogDebug(QStringLiteral(" - Changing tab"));
    FireSoundEvent(kSoundSwitchQueries);
}

void TMain::UpdateCopyState()
{
    const TDCMemo* view = ActiveView();
    CopyButton->setEnabled(view && view->HasSelection());
}

void TMain::ViewStateChanged(TDCMemo* Sender, int State)
{
    Guarded(this, [&] {
        LogDebug(QStringLiteral(" - Changing tab index"));
        if (Sender && Sender->hasFocus() && (State & 1))
            ShowCaretPosition(Sender);
    });
}

// Find, Find Again and Go to line move the caret from a dialog or a
// command, while the view may not have the focus: the panel follows all the
// same.
void TMain::ShowCaretPosition(const TDCMemo* view)
{
    if (view)
        StatusPanel(1)->setText(QStringLiteral("%1: %2").arg(view->CaretLine() + 1).arg(view->CaretColumn() + 1));
}

void TMain::DCMemoSelectionChange(TDCMemo* Sender)
{
    Q_UNUSED(Sender);
    Guarded(this, [&] { UpdateCopyState(); });
}
