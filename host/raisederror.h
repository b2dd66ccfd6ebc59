#ifndef KEYFOLD_RAISEDERROR_H
#define KEYFOLD_RAISEDERROR_H

#include <QString>

#include <stdexcept>

// A numbered failure with a description for the user, as the program reports it.
class RaisedError : public std::runtime_error
{
public:
    RaisedError(int number, const QString &description);

    // "number: description", the way a failure is shown to the user.
    const QString &message() const { return text; }

private:
    QString text;
};

// The exception being handled, as a numbered failure: out of memory is 7, anything that was not
// raised as a numbered failure is 51. Call only inside a catch block.
RaisedError currentError();

#endif
