// The version file and version order: lines carry no line end, reading
// always moves on, the three fields are the first three lines, and the
// comparison is an order (antisymmetric and transitive), so no pair of
// releases can each count as newer than the other.
#include "FuzzCheck.h"
#include "settings/ColourText.h"
#include "shell/VersionCheck.h"

namespace {

int sign(int n) { return (n > 0) - (n < 0); }

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::Bytes(data, size);
    const QString text = QString::fromUtf8(body);

    QStringList lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype before = pos;
        const QString line = ReadVersionLine(text, pos);
        FUZZ_CHECK(pos > before && pos <= text.size());
        FUZZ_CHECK(text.mid(before, line.size()) == line);
        for (QChar c : line)
            FUZZ_CHECK(!isLineEnd(c));
        for (qsizetype i = before + line.size(); i < pos; ++i)
            FUZZ_CHECK(isLineEnd(text.at(i)));
        lines << line;
    }
    FUZZ_CHECK(ReadVersionLine(text, pos).isEmpty() && pos == text.size());

    try {
        const TVersionInfo info = ParseVersionFile(body);
        // A file that begins with a line end has an empty version.
        const QStringList& fields = lines;
        FUZZ_CHECK(info.Version == fields.value(0) && info.Date == fields.value(1));
        FUZZ_CHECK(fields.value(2).isEmpty() ? info.Size == 0 : info.Size == StrToInt(fields.value(2)));
        FUZZ_CHECK(UpdateAvailableText(info, QUrl()).contains(info.Version));
    } catch (const EConvertError&) {
    }

    const QStringList versions = fuzz::Texts(data, size);
    const QString a = versions.value(0), b = versions.value(1), c = versions.value(2);
    FUZZ_CHECK(CompareVersions(a, a) == 0);
    FUZZ_CHECK(sign(CompareVersions(a, b)) == -sign(CompareVersions(b, a)));
    const int ab = CompareVersions(a, b), bc = CompareVersions(b, c), ac = CompareVersions(a, c);
    if (ab <= 0 && bc <= 0)
        FUZZ_CHECK(ac <= 0);
    if (ab == 0 && bc == 0)
        FUZZ_CHECK(ac == 0);
    return 0;
}
