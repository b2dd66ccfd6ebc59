#include "host/conversions.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>

double parseLeadingNumber(const QString &text)
{
    static const QRegularExpression leadingNumber(
        QStringLiteral(R"(^[ \t]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?))"));
    const QRegularExpressionMatch match = leadingNumber.match(text);
    if (!match.hasMatch())
        return 0;
    // QString's conversion ignores the user's locale and yields an infinity on overflow.
    return match.capturedView(1).toDouble();
}

std::optional<qint32> roundToInt32(double value)
{
    // The bounds are the halves that still round into range; NaN fails both comparisons.
    const bool inRange = value >= -2147483648.5 && value < 2147483647.5;
    if (!inRange)
        return std::nullopt;
    return static_cast<qint32>(std::nearbyint(value));
}

QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == QLatin1Char(' '))
        ++first;
    while (end > first && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}
