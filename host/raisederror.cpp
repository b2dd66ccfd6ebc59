#include "host/raisederror.h"

#include <new>

RaisedError::RaisedError(int number, const QString &description)
    : std::runtime_error(description.toStdString()),
      text(QStringLiteral("%1: %2").arg(number).arg(description))
{}

RaisedError currentError()
{
    try {
        throw;
    } catch (const RaisedError &error) {
        return error;
    } catch (const std::bad_alloc &) {
        return {7, QStringLiteral("Out of memory")};
    } catch (...) {
        return {51, QStringLiteral("Internal error")};
    }
}
