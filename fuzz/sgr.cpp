// ANSI SGR sequences: taking them out only ever removes text, whatever the
// bytes; the runs lie inside the shown text, in order; a line cut in two
// and stripped piece by piece with the state carried over gives the same
// text and end state as the whole line; a limit gives a prefix of the
// whole; and a reply's lines taken in two appends agree with one append.
#include "FuzzCheck.h"
#include "results/SgrParser.h"

namespace {

// Whether `shown` is `line` with some characters taken out, in order.
bool isSubsequence(QStringView shown, QStringView line)
{
    qsizetype i = 0;
    for (QChar c : line)
        if (i < shown.size() && shown[i] == c)
            ++i;
    return i == shown.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines = fuzz::Lines(fuzz::Text(data, size));

    TSgrState carried;
    for (const QString& line : lines) {
        TSgrState start = carried;
        QVector<TSgrRun> runs;
        const QString shown = StripSgr(line, carried, &runs);
        FUZZ_CHECK(shown.size() <= line.size());
        FUZZ_CHECK(isSubsequence(shown, line));
        if (!MayHaveSgr(line))
            FUZZ_CHECK(shown == line && carried == start);

        int previousEnd = 0;
        for (const TSgrRun& run : runs) {
            FUZZ_CHECK(run.start >= previousEnd && run.length > 0);
            FUZZ_CHECK(run.start + run.length <= shown.size());
            FUZZ_CHECK(!run.state.isDefault());
            previousEnd = run.start + run.length;
        }

        // Stripping what is left stops nowhere new: the text is plain now.
        TSgrState again = carried;
        const QString twice = StripSgr(shown, again);
        FUZZ_CHECK(twice.size() <= shown.size());

        // A limit gives a prefix of the whole shown text.
        for (qsizetype limit : {qsizetype(0), qsizetype(1), shown.size() / 2}) {
            TSgrState cut = start;
            const QString part = StripSgr(line, cut, nullptr, limit);
            FUZZ_CHECK(shown.startsWith(part));
            FUZZ_CHECK(part.size() >= qMin(limit, shown.size()));
        }
    }

    // The whole reply at once, and in two appends, give the same lines and
    // the same start states.
    TSgrLines whole;
    const QStringList shownWhole = whole.append(lines);
    FUZZ_CHECK(shownWhole.size() == lines.size());
    TSgrLines parts;
    const qsizetype half = lines.size() / 2;
    QStringList shownParts = parts.append(lines.mid(0, half));
    shownParts += parts.append(lines.mid(half));
    FUZZ_CHECK(shownParts == shownWhole);
    for (int i = 0; i < int(lines.size()); ++i)
        FUZZ_CHECK(parts.startState(i) == whole.startState(i));
    return 0;
}
