#include "ui/MemoAccessible.h"

#include "ui/TDCMemo.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace {

class TMemoAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TMemoAccessible(TDCMemo* memo) : QAccessibleWidget(memo, QAccessible::EditableText) {}

    TDCMemo* memo() const { return static_cast<TDCMemo*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = QStringLiteral("Result");
        return s;
    }

    // --- offsets: every line and one line feed after each but the last
    int characterCount() const override
    {
        const auto& starts = lineStarts();
        const int last = memo()->LineCount() - 1;
        return last < 0 ? 0 : starts[size_t(last)] + int(memo()->LineText(last).size());
    }

    int cursorPosition() const override { return offsetOf({memo()->CaretLine(), memo()->CaretColumn()}); }

    void setCursorPosition(int position) override
    {
        const TMemoPos pos = posOf(position);
        memo()->SetSelection(pos, pos);
    }

    int selectionCount() const override { return memo()->HasSelection() ? 1 : 0; }

    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index != 0 || !memo()->HasSelection())
            return;
        *start = offsetOf(memo()->SelectionStart());
        *end = offsetOf(memo()->SelectionEnd());
    }

    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }

    void setSelection(int, int start, int end) override { memo()->SetSelection(posOf(start), posOf(end)); }

    QString text(int start, int end) const override
    {
        start = std::clamp(start, 0, characterCount());
        end = std::clamp(end, start, characterCount());
        const TMemoPos from = posOf(start), to = posOf(end);
        QStringList parts;
        for (int line = from.line; line <= to.line && line < memo()->LineCount(); ++line) {
            const QString text = memo()->LineText(line);
            const int a = line == from.line ? from.col : 0;
            const int b = line == to.line ? to.col : int(text.size());
            parts.append(text.mid(a, b - a));
        }
        return parts.join(QLatin1Char('\n'));
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        const int count = characterCount();
        *start = *end = -1;
        if (offset < 0 || offset > count || count == 0)
            return {};
        if (type == QAccessible::NoBoundary) {
            *start = 0;
            *end = count;
            return text(0, count);
        }
        const TMemoPos pos = posOf(offset);
        const QString line = memo()->LineText(pos.line);
        const int lineStart = lineStarts()[size_t(pos.line)];
        int a = 0, b = int(line.size());
        if (type == QAccessible::CharBoundary) {
            a = std::min(pos.col, int(line.size()));
            // At the end of a line the character is its line feed, if any.
            b = std::min(a + 1, count - lineStart);
        } else if (type == QAccessible::WordBoundary || type == QAccessible::SentenceBoundary) {
            QTextBoundaryFinder finder(type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                         : QTextBoundaryFinder::Sentence,
                                       line);
            finder.setPosition(std::min(pos.col, int(line.size())));
            if (!finder.isAtBoundary() || finder.position() == line.size())
                finder.toPreviousBoundary();
            a = std::max<qsizetype>(0, finder.position());
            b = int(finder.toNextBoundary());
            if (b < 0)
                b = int(line.size());
        } else if (pos.line + 1 < memo()->LineCount()) {
            ++b; // a line or paragraph includes its line feed
        }
        *start = lineStart + a;
        *end = lineStart + b;
        return text(*start, *end);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        textAtOffset(offset, type, &s, &e);
        if (s <= 0) {
            *start = *end = -1;
            return {};
        }
        return textAtOffset(s - 1, type, start, end);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        textAtOffset(offset, type, &s, &e);
        if (e < 0 || e >= characterCount()) {
            *start = *end = -1;
            return {};
        }
        return textAtOffset(e, type, start, end);
    }

    QRect characterRect(int offset) const override
    {
        const TMemoPos pos = posOf(offset);
        const QRect r = memo()->CharRect(pos.line, pos.col);
        return QRect(memo()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        const QPoint p = memo()->viewport()->mapFromGlobal(point);
        const int line = memo()->TopLine() + p.y() / std::max(1, memo()->LineHeight());
        if (p.y() < 0 || line >= memo()->LineCount())
            return -1;
        int col = 0;
        const int length = int(memo()->LineText(line).size());
        while (col < length && memo()->CharRect(line, col).right() < p.x())
            ++col;
        return offsetOf({line, col});
    }

    void scrollToSubstring(int start, int) override
    {
        const TMemoPos pos = posOf(start);
        memo()->verticalScrollBar()->setValue(pos.line - memo()->VisibleLineCount() / 2);
    }

    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    // Offsets of line starts, rebuilt when the text has changed.
    const std::vector<int>& lineStarts() const
    {
        const quint64 generation = memo()->TextGeneration();
        if (generation != generation_ || starts_.size() != size_t(memo()->LineCount())) {
            starts_.resize(size_t(memo()->LineCount()));
            int offset = 0;
            for (int i = 0; i < memo()->LineCount(); ++i) {
                starts_[size_t(i)] = offset;
                offset += int(memo()->LineText(i).size()) + 1;
            }
            generation_ = generation;
        }
        return starts_;
    }

    int offsetOf(TMemoPos pos) const
    {
        if (memo()->LineCount() == 0)
            return 0;
        return lineStarts()[size_t(std::clamp(pos.line, 0, memo()->LineCount() - 1))] + pos.col;
    }

    TMemoPos posOf(int offset) const
    {
        const auto& starts = lineStarts();
        if (starts.empty() || offset <= 0)
            return {};
        const auto it = std::upper_bound(starts.begin(), starts.end(), offset);
        const int line = int(it - starts.begin()) - 1;
        const int col = std::min(offset - starts[size_t(line)], int(memo()->LineText(line).size()));
        return {line, col};
    }

    mutable std::vector<int> starts_;
    mutable quint64 generation_ = ~quint64(0);
};

std::function<void(QAccessibleEvent*)>& eventSink()
{
    static std::function<void(QAccessibleEvent*)> sink;
    return sink;
}

bool listened() { return eventSink() || QAccessible::isActive(); }

void send(QAccessibleEvent* event)
{
    if (eventSink())
        eventSink()(event);
    else
        QAccessible::updateAccessibility(event);
}

QAccessibleInterface* memoFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TDCMemo") && object && object->isWidgetType())
        return new TMemoAccessible(static_cast<TDCMemo*>(object));
    return nullptr;
}

} // namespace

void ConnectMemoAccessibility(TDCMemo* memo)
{
    static const bool installed = [] {
        QAccessible::installFactory(memoFactory);
        return true;
    }();
    Q_UNUSED(installed);
    QObject::connect(memo, &TDCMemo::StateChange, memo, [memo](TDCMemo*, int state) {
        if (!(state & 1) || !listened())
            return;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(memo);
        if (!iface || !iface->textInterface())
            return;
        QAccessibleTextCursorEvent event(memo, iface->textInterface()->cursorPosition());
        send(&event);
    });
    QObject::connect(memo, &TDCMemo::SelectionChange, memo, [memo](TDCMemo*) {
        if (!listened())
            return;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(memo);
        if (!iface || !iface->textInterface())
            return;
        int start = 0, end = 0;
        iface->textInterface()->selection(0, &start, &end);
        QAccessibleTextSelectionEvent event(memo, start, end);
        send(&event);
    });
}

void SetMemoAccessibilitySink(std::function<void(QAccessibleEvent*)> sink)
{
    eventSink() = std::move(sink);
}
