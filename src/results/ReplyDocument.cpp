#include "results/ReplyDocument.h"

#include "results/ReplyText.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

const THTMLParser& defaultParser()
{
    static const THTMLParser parser;
    return parser;
}

// UTF-16 code units of valid UTF-8: one per lead byte, two for a four-byte
// sequence.
qsizetype utf16Length(QByteArrayView bytes)
{
    qsizetype n = 0;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        n += (b & 0xC0) != 0x80;
        n += b >= 0xF0;
    }
    return n;
}

// An ESC, or U+009B (C2 9B in UTF-8).
bool mayHaveSgr(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    if (n == 0) // an empty line may have no buffer at all
        return false;
    if (std::memchr(p, 0x1B, size_t(n)))
        return true;
    for (const char* at = p; (at = static_cast<const char*>(std::memchr(at, 0xC2, size_t(p + n - at))));) {
        if (at + 1 < p + n && static_cast<unsigned char>(at[1]) == 0x9B)
            return true;
        ++at;
    }
    return false;
}

bool startsWithBom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && bytes.first(3) == QByteArrayView("\xEF\xBB\xBF", 3);
}

// A line's text. QString::fromUtf8 would drop a U+FEFF at its start, which
// is a character of the line here: only the reply's first one is not.
QString decodeLine(QByteArrayView bytes)
{
    if (!startsWithBom(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
}

} // namespace

// ---------------------------------------------------------------- text

void TReplyDocument::Clear()
{
    buffer_ = QByteArray();
    starts_.assign(1, 0);
    starts_.shrink_to_fit();
    firstIndex_ = 0;
    dropped_ = 0;
    notice_.clear();
    resetDerived();
}

void TReplyDocument::LoadBytes(QByteArray bytes)
{
    Clear();
    appendBuffer(std::move(bytes));
}

void TReplyDocument::AppendBytes(QByteArray bytes)
{
    appendBuffer(std::move(bytes));
}

void TReplyDocument::SetLines(const QStringList& lines)
{
    Clear();
    AppendLines(lines);
}

void TReplyDocument::AppendLines(const QStringList& lines)
{
    for (const QString& line : lines)
        appendUtf8Line(line.toUtf8());
}

void TReplyDocument::appendUtf8Line(QByteArrayView line)
{
    const qsizetype at = qsizetype(starts_.size()) - 1;
    buffer_.append(line);
    buffer_.append('\n');
    starts_.push_back(buffer_.size());
    lineAdded(at, line);
}

void TReplyDocument::appendBuffer(QByteArray bytes)
{
    if (bytes.isEmpty())
        return;
    if (!QByteArrayView(bytes).isValidUtf8()) {
        // Mixed text: every line is decoded on its own, so one stray byte
        // does not turn the whole reply into Windows-1252.
        TReplyLineDecoder decoder;
        const QByteArrayView data(bytes);
        const qsizetype n = data.size();
        qsizetype start = 0;
        bool first = true;
        auto take = [&](QByteArrayView piece) {
            QString text = decoder.decode(piece);
            if (first && !text.isEmpty() && text.front() == QChar(0xFEFF))
                text.remove(0, 1);
            first = false;
            appendUtf8Line(text.toUtf8());
        };
        for (qsizetype i = 0; i < n; ++i) {
            const char c = data[i];
            if (c == '\r' || c == '\n') {
                take(data.sliced(start, i - start));
                if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                    ++i;
                start = i + 1;
            }
        }
        if (start < n)
            take(data.sliced(start));
        return;
    }

    // The common case: the bytes are the text. Taken over when the document
    // is empty, otherwise copied behind what it holds; either way line
    // breaks become a single LF in place.
    const qsizetype skip = startsWithBom(bytes) ? 3 : 0;
    qsizetype w = buffer_.size();
    qsizetype r;
    if (buffer_.isEmpty()) {
        buffer_ = std::move(bytes);
        r = skip;
        w = 0;
    } else {
        buffer_.append(QByteArrayView(bytes).sliced(skip));
        bytes = QByteArray();
        r = w;
    }
    const qsizetype n = buffer_.size();
    qsizetype lineStart = w;
    if (r == w && !std::memchr(buffer_.constData() + r, '\r', size_t(n - r))) {
        // Nothing to move: the bytes are indexed as they are, and bytes
        // the caller still shares are not copied.
        const char* c = buffer_.constData();
        for (const char* at; (at = static_cast<const char*>(std::memchr(c + r, '\n', size_t(n - r))));) {
            r = at - c + 1;
            starts_.push_back(r);
            lineAdded(qsizetype(starts_.size()) - 2, QByteArrayView(c + lineStart, r - 1 - lineStart));
            lineStart = r;
        }
        w = n;
        r = n;
    }
    char* d = r < n ? buffer_.data() : nullptr;
    while (r < n) {
        // The next break, and the text before it moved down if need be.
        qsizetype e = r;
        while (e < n && d[e] != '\n' && d[e] != '\r')
            ++e;
        if (w != r)
            std::memmove(d + w, d + r, size_t(e - r));
        w += e - r;
        if (e == n) {
            r = n;
            break;
        }
        const char c = d[e];
        d[w++] = '\n';
        starts_.push_back(w);
        lineAdded(qsizetype(starts_.size()) - 2, QByteArrayView(d + lineStart, w - 1 - lineStart));
        lineStart = w;
        r = e + 1;
        if (c == '\r' && r < n && d[r] == '\n')
            ++r;
    }
    if (w < buffer_.size())
        buffer_.truncate(w);
    if (w > lineStart) { // the last line has no break
        buffer_.append('\n');
        starts_.push_back(buffer_.size());
        lineAdded(qsizetype(starts_.size()) - 2, QByteArrayView(buffer_).sliced(lineStart, w - lineStart));
    }
}

// What a new line adds: its length, its colour state, the longest line.
void TReplyDocument::lineAdded(qsizetype at, QByteArrayView bytes)
{
    qsizetype length;
    if (stripSgr_ && mayHaveSgr(bytes)) {
        sgrSeen_ = true;
        const TSgrState before = end_;
        length = StripSgr(decodeLine(bytes), end_).size();
        if (!(end_ == before))
            changes_.emplace_back(at + 1, end_);
    } else {
        length = utf16Length(bytes);
    }
    textSize_ += length + 1;
    maxLength_ = std::max(maxLength_, int(std::min<qsizetype>(length, lengthCap_)));
}

void TReplyDocument::resetDerived()
{
    textSize_ = dropped_ > 0 ? notice_.size() + 1 : 0;
    maxLength_ = dropped_ > 0 ? int(std::min<qsizetype>(notice_.size(), lengthCap_)) : 0;
    sgrSeen_ = false;
    end_ = TSgrState{};
    changes_.clear();
    endStates_.clear();
    statesKnown_ = 0;
    cachedAt_ = -1;
    cachedReceived_.clear();
    for (qsizetype at = firstIndex_; at + 1 < qsizetype(starts_.size()); ++at)
        lineAdded(at, slice(at));
}

void TReplyDocument::SetStripsSgr(bool on)
{
    if (on == stripSgr_)
        return;
    stripSgr_ = on;
    resetDerived();
}

qsizetype TReplyDocument::bufferLine(int index) const
{
    if (index < 0)
        return -1;
    if (dropped_ > 0) {
        if (index == 0)
            return -1;
        --index;
    }
    return index < indexCount() - 1 ? firstIndex_ + index : -1;
}

QByteArrayView TReplyDocument::slice(qsizetype at) const
{
    const qint64 from = starts_[size_t(at)];
    return QByteArrayView(buffer_).sliced(from, starts_[size_t(at) + 1] - 1 - from);
}

QByteArray TReplyDocument::ReceivedUtf8(int index) const
{
    const qsizetype at = bufferLine(index);
    if (at < 0)
        return dropped_ > 0 && index == 0 ? notice_.toUtf8() : QByteArray();
    return slice(at).toByteArray();
}

QString TReplyDocument::ReceivedLine(int index) const
{
    const qsizetype at = bufferLine(index);
    if (at < 0)
        return dropped_ > 0 && index == 0 ? notice_ : QString();
    if (at != cachedAt_) {
        cachedReceived_ = decodeLine(slice(at));
        cachedAt_ = at;
    }
    return cachedReceived_;
}

QString TReplyDocument::shown(qsizetype at, const QString& received) const
{
    if (!stripSgr_ || !sgrSeen_ || !MayHaveSgr(received))
        return received;
    TSgrState state = startStateAt(at);
    return StripSgr(received, state);
}

QString TReplyDocument::Line(int index) const
{
    const qsizetype at = bufferLine(index);
    if (at < 0)
        return dropped_ > 0 && index == 0 ? notice_ : QString();
    return shown(at, ReceivedLine(index));
}

QStringList TReplyDocument::Lines() const
{
    QStringList out;
    out.reserve(LineCount());
    for (int i = 0; i < LineCount(); ++i)
        out.append(Line(i));
    return out;
}

QStringList TReplyDocument::ReceivedLines() const
{
    QStringList out;
    out.reserve(LineCount());
    for (int i = 0; i < LineCount(); ++i)
        out.append(ReceivedLine(i));
    return out;
}

qsizetype TReplyDocument::shownLength(qsizetype at) const
{
    const QByteArrayView bytes = slice(at);
    if (stripSgr_ && sgrSeen_ && mayHaveSgr(bytes)) {
        TSgrState state = startStateAt(at);
        return StripSgr(decodeLine(bytes), state).size();
    }
    return utf16Length(bytes);
}

TSgrState TReplyDocument::StartState(int line) const
{
    const qsizetype at = bufferLine(line);
    return at < 0 ? TSgrState{} : startStateAt(at);
}

TSgrState TReplyDocument::startStateAt(qsizetype at) const
{
    const auto it = std::upper_bound(changes_.begin(), changes_.end(), at,
                                     [](qsizetype at, const auto& change) { return at < change.first; });
    return it == changes_.begin() ? TSgrState{} : std::prev(it)->second;
}

QVector<TSgrRun> TReplyDocument::Runs(int line, qsizetype limit) const
{
    QVector<TSgrRun> out;
    const qsizetype at = bufferLine(line);
    if (!sgrSeen_ || !stripSgr_ || at < 0)
        return out;
    TSgrState state = startStateAt(at);
    StripSgr(ReceivedLine(line), state, &out, limit);
    return out;
}

// ---------------------------------------------------------------- the bound

int TReplyDocument::EnforceLimit(qint64 limit, qint64 noticeRoom, const std::function<QString(qint64)>& notice)
{
    if (textSize_ <= limit)
        return 0;
    const qsizetype count = LineCount();
    // An earlier notice is replaced, not counted among the dropped lines.
    const qsizetype start = dropped_ > 0 ? 1 : 0;
    qint64 size = textSize_ - (start ? notice_.size() + 1 : 0);
    qsizetype drop = 0;
    // The newest line always stays, however long.
    while (size + noticeRoom > limit && start + drop < count - 1) {
        size -= shownLength(firstIndex_ + drop) + 1;
        ++drop;
    }
    if (drop == 0)
        return 0;
    const qsizetype gone = start + drop; // lines removed from the front, the old notice with them
    dropped_ += drop;
    firstIndex_ += drop;
    notice_ = notice(dropped_);
    textSize_ = size + notice_.size() + 1;
    maxLength_ = std::max(maxLength_, int(std::min<qsizetype>(notice_.size(), lengthCap_)));

    // Token states run from line to line. Those known for the lines that
    // stay are kept: tokenising everything again at every repeat would cost
    // more than the small error at the first line after the notice.
    const auto known = std::min<qsizetype>(qsizetype(endStates_.size()), gone);
    endStates_.erase(endStates_.begin(), endStates_.begin() + known);
    endStates_.insert(endStates_.begin(), ParserState::Text); // the notice holds no tag, comment or string
    statesKnown_ = statesKnown_ > gone ? int(statesKnown_ - (gone - 1)) : 1;
    compact();
    return int(gone);
}

// The bytes of dropped lines are given back once they are half the buffer.
void TReplyDocument::compact()
{
    const qint64 garbage = starts_[size_t(firstIndex_)];
    if (garbage == 0 || garbage < buffer_.size() / 2)
        return;
    const TSgrState first = startStateAt(firstIndex_);
    std::vector<std::pair<qsizetype, TSgrState>> changes;
    if (!first.isDefault())
        changes.emplace_back(0, first);
    for (const auto& [at, state] : changes_)
        if (at > firstIndex_)
            changes.emplace_back(at - firstIndex_, state);
    changes_ = std::move(changes);
    buffer_.remove(0, garbage);
    starts_.erase(starts_.begin(), starts_.begin() + firstIndex_);
    for (qint64& s : starts_)
        s -= garbage;
    firstIndex_ = 0;
    cachedAt_ = -1;
}

// ---------------------------------------------------------------- token classes

void TReplyDocument::SetParser(const THTMLParser* parser)
{
    parser_ = parser;
    statesKnown_ = 0;
}

void TReplyDocument::ensureStates(int upTo) const
{
    const THTMLParser& parser = parser_ ? *parser_ : defaultParser();
    upTo = std::min(upTo, LineCount());
    if (endStates_.size() < size_t(LineCount()))
        endStates_.resize(size_t(LineCount()), ParserState::Text);
    while (statesKnown_ < upTo) {
        const ParserState start = statesKnown_ == 0 ? ParserState::Text : endStates_[size_t(statesKnown_ - 1)];
        endStates_[size_t(statesKnown_)] = parser.EndState(Line(statesKnown_), start);
        ++statesKnown_;
    }
}

QByteArray TReplyDocument::LineClasses(int index, bool markLinks) const
{
    if (index < 0 || index >= LineCount())
        return {};
    ensureStates(index);
    ParserState state = index == 0 ? ParserState::Text : endStates_[size_t(index - 1)];
    const QString text = Line(index);
    QByteArray classes = (parser_ ? *parser_ : defaultParser()).TokenizeLine(text, state);
    if (markLinks)
        MarkLinks(text, classes);
    return classes;
}
