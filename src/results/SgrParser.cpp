#include "results/SgrParser.h"

#include <QVarLengthArray>

namespace {

constexpr char16_t kEscape = 0x1B;
constexpr char16_t kCsi = 0x9B;
// Parameters beyond this are held at it: no reply can overflow a number.
constexpr int kMaxParameter = 1000000;

struct Parameter {
    int value = 0;
    bool sub = false; // came after a colon: belongs to the parameter before
};

using Parameters = QVarLengthArray<Parameter, 16>;

Parameters splitParameters(QStringView text)
{
    Parameters out;
    Parameter current;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= u'0' && c <= u'9') {
            current.value = std::min(kMaxParameter, current.value * 10 + int(c - u'0'));
        } else {
            out.append(current);
            current = Parameter{0, c == u':'};
        }
    }
    out.append(current);
    return out;
}

bool byteValue(int v) { return v >= 0 && v <= 255; }

quint32 rgb(int r, int g, int b)
{
    return sgrRgb | (quint32(r) << 16) | (quint32(g) << 8) | quint32(b);
}

// An extended colour (38, 48, 58) in either form. Answers the colour, or
// sgrDefault with `valid` false when the values are missing or out of
// range; `next` is where the sequence goes on.
quint32 extendedColour(const Parameters& p, qsizetype k, qsizetype& next, bool& valid)
{
    valid = false;
    qsizetype subEnd = k + 1;
    while (subEnd < p.size() && p[subEnd].sub)
        ++subEnd;
    if (subEnd > k + 1) { // 38:5:n, 38:2:r:g:b or 38:2:space:r:g:b
        next = subEnd;
        const qsizetype count = subEnd - k - 1;
        const int mode = p[k + 1].value;
        if (mode == 5 && count >= 2 && byteValue(p[k + 2].value)) {
            valid = true;
            return sgrIndexed | quint32(p[k + 2].value);
        }
        if (mode == 2 && count >= 4) {
            const qsizetype first = count >= 5 ? k + 3 : k + 2;
            const int r = p[first].value, g = p[first + 1].value, b = p[first + 2].value;
            if (byteValue(r) && byteValue(g) && byteValue(b)) {
                valid = true;
                return rgb(r, g, b);
            }
        }
        return sgrDefault;
    }
    // 38;5;n or 38;2;r;g;b: the values are the parameters that follow. A
    // mode the sequence does not complete ends the sequence.
    next = p.size();
    if (k + 1 >= p.size())
        return sgrDefault;
    const int mode = p[k + 1].value;
    if (mode == 5 && k + 2 < p.size()) {
        next = k + 3;
        valid = byteValue(p[k + 2].value);
        return valid ? sgrIndexed | quint32(p[k + 2].value) : sgrDefault;
    }
    if (mode == 2 && k + 4 < p.size()) {
        next = k + 5;
        const int r = p[k + 2].value, g = p[k + 3].value, b = p[k + 4].value;
        valid = byteValue(r) && byteValue(g) && byteValue(b);
        return valid ? rgb(r, g, b) : sgrDefault;
    }
    return sgrDefault;
}

void setAttribute(TSgrState& state, quint16 attribute, bool on)
{
    state.attributes = on ? quint16(state.attributes | attribute) : quint16(state.attributes & ~attribute);
}

inline bool isIntroducer(char16_t c) { return (c | 0x80) == kCsi; } // ESC or CSI

} // namespace

void ApplySgrParameters(QStringView parameters, TSgrState& state)
{
    const Parameters p = splitParameters(parameters);
    qsizetype k = 0;
    while (k < p.size()) {
        const int code = p[k].value;
        if (code == 38 || code == 48 || code == 58) {
            qsizetype next = k + 1;
            bool valid = false;
            const quint32 colour = extendedColour(p, k, next, valid);
            if (valid && code == 38)
                state.fg = colour;
            else if (valid && code == 48)
                state.bg = colour;
            k = next; // 58, the underline colour, is read and passed over
            continue;
        }
        const bool hasSub = k + 1 < p.size() && p[k + 1].sub;
        switch (code) {
        case 0: state = TSgrState{}; break;
        case 1: setAttribute(state, sgrBold, true); break;
        case 2: setAttribute(state, sgrFaint, true); break;
        case 3: setAttribute(state, sgrItalic, true); break;
        case 4: setAttribute(state, sgrUnderline, !(hasSub && p[k + 1].value == 0)); break; // 4:0 is off
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
        ++k;
        while (k < p.size() && p[k].sub)
            ++k;
    }
}

bool MayHaveSgr(QStringView line)
{
    for (QChar ch : line)
        if (isIntroducer(ch.unicode()))
            return true;
    return false;
}

QString StripSgr(const QString& line, TSgrState& state, QVector<TSgrRun>* runs)
{
    if (!MayHaveSgr(line)) {
        if (runs && !state.isDefault() && !line.isEmpty())
            runs->append({0, int(line.size()), state});
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
    while (i < n) {
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
    QStringList shown;
    shown.reserve(received.size());
    for (const QString& line : received) {
        const int index = lineCount_++;
        if (!active()) {
            if (!MayHaveSgr(line)) {
                shown.append(line);
                continue;
            }
            starts_.assign(size_t(index), TSgrState{});
        }
        starts_.push_back(end_);
        shown.append(StripSgr(line, end_));
    }
    return shown;
}

TSgrState TSgrLines::startState(int line) const
{
    return line >= 0 && size_t(line) < starts_.size() ? starts_[size_t(line)] : TSgrState{};
}

QVector<TSgrRun> TSgrLines::runs(int line, const QString& received) const
{
    QVector<TSgrRun> out;
    if (!active())
        return out;
    TSgrState state = startState(line);
    StripSgr(received, state, &out);
    return out;
}
