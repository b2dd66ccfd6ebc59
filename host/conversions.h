#ifndef KEYFOLD_CONVERSIONS_H
#define KEYFOLD_CONVERSIONS_H

#include <QtGlobal>

#include <optional>

class QString;

// The decimal number at the start of the text, in any locale: optional spaces or tabs, a sign,
// digits with an optional "." part and an optional exponent. Anything after it is ignored;
// a text that does not start with such a number gives 0. Too large a number gives an infinity.
double parseLeadingNumber(const QString &text);

// The nearest 32-bit integer, halves to the even neighbour (6.5 gives 6);
// nothing for a value outside the 32-bit range or not a number.
std::optional<qint32> roundToInt32(double value);

// The text without leading and trailing spaces; tabs and other white space stay.
QString trimSpaces(const QString &text);

#endif
