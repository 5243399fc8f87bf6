// pxreg's import text: whatever imports, exports back to a text that imports
// to the same keys and values; and any name, text or key path, exported,
// imports unchanged.
#include "FuzzCheck.h"
#include "SettingsText.h"

namespace {

bool sameEntries(const QList<SettingEntry>& a, const QList<SettingEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].isInteger != b[i].isInteger)
            return false;
        if (a[i].isInteger ? a[i].integer != b[i].integer : a[i].text != b[i].text)
            return false;
    }
    return true;
}

QString exported(const QList<SettingsSection>& sections)
{
    QString text = QLatin1String(kSettingsTextHeader) + QLatin1Char('\n');
    for (const SettingsSection& section : sections)
        text += FormatSection(section);
    return text;
}

void checkRoundTrip(const QList<SettingsSection>& sections)
{
    QList<SettingsSection> back;
    QString error;
    FUZZ_CHECK(ParseSettingsText(exported(sections), back, error));
    FUZZ_CHECK(back.size() == sections.size());
    for (qsizetype i = 0; i < back.size(); ++i)
        FUZZ_CHECK(back[i].path == sections[i].path && sameEntries(back[i].entries, sections[i].entries));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = fuzz::Text(data, size);
    QList<SettingsSection> sections;
    QString error;
    if (ParseSettingsText(text, sections, error))
        checkRoundTrip(sections);
    else
        FUZZ_CHECK(!error.isEmpty());

    // The same text as a key path, a value name and a string value.
    const QStringList parts = fuzz::Texts(data, size);
    SettingsSection section;
    section.path = parts.value(0);
    SettingEntry entry;
    entry.name = parts.value(1, text);
    entry.text = parts.value(2, text);
    section.entries << entry;
    SettingEntry number;
    number.name = parts.value(0);
    number.isInteger = true;
    number.integer = qint32(size * 2654435761u);
    section.entries << number;
    checkRoundTrip({section});
    return 0;
}
