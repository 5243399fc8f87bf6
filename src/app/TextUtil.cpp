#include "app/TextUtil.h"

QString InsertThousandSeparator(qint64 n)
{
    // Work on the magnitude as unsigned so that the smallest qint64 has one.
    const bool negative = n < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(n) : quint64(n);
    const QString digits = QString::number(magnitude);

    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 + 1);
    const qsizetype lead = digits.size() % 3;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i != 0 && (i - lead) % 3 == 0)
            grouped += QLatin1Char(',');
        grouped += digits.at(i);
    }
    return negative ? QLatin1Char('-') + grouped : grouped;
}
