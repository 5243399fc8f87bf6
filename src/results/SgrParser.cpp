#include "results/SgrParser.h"

#include <algorithm>

namespace {

constexpr char16_t kEscape = 0x1B;
constexpr char16_t kCsi = 0x9B;
// Parameters beyond this are held at it: no reply can overflow a number.
constexpr int kMaxParameter = 1000000;

// A parameter with its sub-parameters (the values after colons). Only the
// first few sub-parameters matter; the rest are counted and passed over, so
// no sequence, however long, needs more memory than this.
struct Group {
    static constexpr int kKept = 6;
    int value = 0;
    int sub[kKept] = {};
    int subCount = 0;
};

bool byteValue(int v) { return v >= 0 && v <= 255; }

quint32 rgb(int r, int g, int b)
{
    return sgrRgb | (quint32(r) << 16) | (quint32(g) << 8) | quint32(b);
}

void setAttribute(TSgrState& state, quint16 attribute, bool on)
{
    state.attributes = on ? quint16(state.attributes | attribute) : quint16(state.attributes & ~attribute);
}

void setColour(TSgrState& state, int code, quint32 colour)
{
    if (code == 38)
        state.fg = colour;
    else if (code == 48)
        state.bg = colour;
    // 58, the underline colour, is read and passed over.
}

// 38:5:n, 38:2:r:g:b or 38:2:space:r:g:b, all in one parameter.
void applyColonColour(const Group& g, TSgrState& state)
{
    const int count = std::min(g.subCount, Group::kKept);
    if (count >= 2 && g.sub[0] == 5 && byteValue(g.sub[1])) {
        setColour(state, g.value, sgrIndexed | quint32(g.sub[1]));
    } else if (count >= 4 && g.sub[0] == 2) {
        const int first = count >= 5 ? 2 : 1;
        const int r = g.sub[first], gr = g.sub[first + 1], b = g.sub[first + 2];
        if (byteValue(r) && byteValue(gr) && byteValue(b))
            setColour(state, g.value, rgb(r, gr, b));
    }
}

void applyCode(const Group& g, TSgrState& state)
{
    const int code = g.value;
    switch (code) {
    case 0: state = TSgrState{}; break;
    case 1: setAttribute(state, sgrBold, true); break;
    case 2: setAttribute(state, sgrFaint, true); break;
    case 3: setAttribute(state, sgrItalic, true); break;
    case 4: setAttribute(state, sgrUnderline, !(g.subCount > 0 && g.sub[0] == 0)); break; // 4:0 is off
    case 7: setAttribute(state, sgrReverse, true); break;
    case 9: setAttribute(state, sgrStrike, true); break;
    case 21: setAttribute(state, sgrUnderline, true); break; // double underline
    case 22: setAttribute(state, sgrBold | sgrFaint, false); break;
    case 23: setAttribute(state, sgrItalic, false); break;
    case 24: setAttribute(state, sgrUnderline, false); break;
    case 27: setAttribute(state, sgrReverse, false); break;
    case 29: setAttribute(state, sgrStrike, false); break;
    case 39: state.fg = sgrDefault; break;
    case 49: state.bg = sgrDefault; break;
    default:
        if (code >= 30 && code <= 37)
            state.fg = sgrIndexed | quint32(code - 30);
        else if (code >= 40 && code <= 47)
            state.bg = sgrIndexed | quint32(code - 40);
        else if (code >= 90 && code <= 97)
            state.fg = sgrIndexed | quint32(code - 90 + 8);
        else if (code >= 100 && code <= 107)
            state.bg = sgrIndexed | quint32(code - 100 + 8);
        // Blink, conceal, fonts, frames and the rest are not drawn:
        // concealed text stays visible, as nothing may hide a reply.
        break;
    }
}

// Walks the parameters one at a time. An extended colour in the semicolon
// form (38;5;n, 38;2;r;g;b) takes the parameters after it; a mode other
// than 5 or 2 ends the sequence, as it does in a terminal.
class Applier {
public:
    explicit Applier(TSgrState& state) : state_(state) {}

    void take(const Group& g)
    {
        if (stopped_)
            return;
        if (pendingCode_) {
            pending_[pendingCount_++] = g.value;
            const int mode = pending_[0];
            if (mode != 5 && mode != 2) {
                stopped_ = true;
            } else if (mode == 5 && pendingCount_ == 2) {
                if (byteValue(pending_[1]))
                    setColour(state_, pendingCode_, sgrIndexed | quint32(pending_[1]));
                pendingCode_ = 0;
            } else if (mode == 2 && pendingCount_ == 4) {
                if (byteValue(pending_[1]) && byteValue(pending_[2]) && byteValue(pending_[3]))
                    setColour(state_, pendingCode_, rgb(pending_[1], pending_[2], pending_[3]));
                pendingCode_ = 0;
            }
            return;
        }
        if (g.value == 38 || g.value == 48 || g.value == 58) {
            if (g.subCount > 0) {
                applyColonColour(g, state_);
            } else {
                pendingCode_ = g.value;
                pendingCount_ = 0;
            }
            return;
        }
        applyCode(g, state_);
    }

private:
    TSgrState& state_;
    int pendingCode_ = 0;
    int pending_[4] = {};
    int pendingCount_ = 0;
    bool stopped_ = false;
};

inline bool isIntroducer(char16_t c) { return (c | 0x80) == kCsi; } // ESC or CSI

} // namespace

void ApplySgrParameters(QStringView parameters, TSgrState& state)
{
    Applier applier(state);
    Group group;
    int spare = 0; // where sub-parameters beyond the kept ones go
    int* current = &group.value;
    for (QChar ch : parameters) {
        const char16_t c = ch.unicode();
        if (c >= u'0' && c <= u'9') {
            *current = std::min(kMaxParameter, *current * 10 + int(c - u'0'));
        } else if (c == u':') {
            current = group.subCount < Group::kKept ? &group.sub[group.subCount] : &spare;
            *current = 0;
            ++group.subCount;
        } else {
            applier.take(group);
            group = Group{};
            current = &group.value;
        }
    }
    applier.take(group);
}

bool MayHaveSgr(QStringView line)
{
    // Two vectorised searches beat one loop over both characters: this runs
    // over every character of every reply.
    return line.contains(QChar(kEscape)) || line.contains(QChar(kCsi));
}

QString StripSgr(const QString& line, TSgrState& state, QVector<TSgrRun>* runs, qsizetype limit)
{
    if (limit < 0)
        limit = line.size();
    if (!MayHaveSgr(line)) {
        if (runs && !state.isDefault() && !line.isEmpty() && limit > 0)
            runs->append({0, int(std::min(line.size(), limit)), state});
        return line;
    }
    QString out;
    out.reserve(line.size());
    int runStart = 0;
    auto closeRun = [&] {
        if (runs && !state.isDefault() && out.size() > runStart)
            runs->append({runStart, int(out.size()) - runStart, state});
        runStart = int(out.size());
    };
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && out.size() < limit) {
        const char16_t c = line[i].unicode();
        qsizetype params = -1;
        if (c == kEscape && i + 1 < n && line[i + 1] == u'[')
            params = i + 2;
        else if (c == kCsi)
            params = i + 1;
        if (params < 0) {
            qsizetype j = i + 1;
            while (j < n && !isIntroducer(line[j].unicode()))
                ++j;
            out.append(QStringView(line).sliced(i, j - i));
            i = j;
            continue;
        }
        // A control sequence: parameter bytes, intermediate bytes, a final
        // byte. Only a complete one with digits, ";" and ":" and the final
        // "m" is SGR.
        qsizetype j = params;
        bool sgrParameters = true;
        while (j < n && line[j].unicode() >= 0x30 && line[j].unicode() <= 0x3F) {
            const char16_t p = line[j].unicode();
            sgrParameters = sgrParameters && (p <= u'9' || p == u';' || p == u':');
            ++j;
        }
        const qsizetype parametersEnd = j;
        while (j < n && line[j].unicode() >= 0x20 && line[j].unicode() <= 0x2F)
            ++j;
        if (j < n && line[j] == u'm' && sgrParameters && j == parametersEnd) {
            TSgrState next = state;
            ApplySgrParameters(QStringView(line).sliced(params, parametersEnd - params), next);
            if (next != state) {
                closeRun();
                state = next;
            }
            i = j + 1;
            continue;
        }
        out.append(line[i]); // the introducer stays, and shows as a mark
        ++i;
    }
    closeRun();
    return out;
}

void TSgrLines::clear()
{
    starts_.clear();
    starts_.shrink_to_fit();
    lineCount_ = 0;
    end_ = TSgrState{};
}

QStringList TSgrLines::append(const QStringList& received)
{
    // Until the first sequence the shown lines are the received ones, and a
    // reply without any comes back as the same (shared) list.
    qsizetype first = 0;
    if (!active()) {
        while (first < received.size() && !MayHaveSgr(received[first]))
            ++first;
        lineCount_ += int(first);
        if (first == received.size())
            return received;
        starts_.assign(size_t(lineCount_), TSgrState{});
    }
    QStringList shown = received.mid(0, first);
    shown.reserve(received.size());
    for (qsizetype i = first; i < received.size(); ++i) {
        ++lineCount_;
        starts_.push_back(end_);
        shown.append(StripSgr(received[i], end_));
    }
    return shown;
}

void TSgrLines::dropFront(int count)
{
    count = std::clamp(count, 0, lineCount_);
    lineCount_ += 1 - count;
    if (!active())
        return;
    const auto known = std::min<size_t>(starts_.size(), size_t(count));
    starts_.erase(starts_.begin(), starts_.begin() + qsizetype(known));
    starts_.insert(starts_.begin(), TSgrState{});
}

TSgrState TSgrLines::startState(int line) const
{
    return line >= 0 && size_t(line) < starts_.size() ? starts_[size_t(line)] : TSgrState{};
}

QVector<TSgrRun> TSgrLines::runs(int line, const QString& received, qsizetype limit) const
{
    QVector<TSgrRun> out;
    if (!active())
        return out;
    TSgrState state = startState(line);
    StripSgr(received, state, &out, limit);
    return out;
}
