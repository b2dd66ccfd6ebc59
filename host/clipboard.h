#ifndef KEYFOLD_CLIPBOARD_H
#define KEYFOLD_CLIPBOARD_H

class QString;

// The system clipboard, as far as the program writes to it.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    virtual void clear() = 0;
    virtual void setText(const QString &text) = 0;
};

class SystemClipboard : public Clipboard
{
public:
    void clear() override;
    void setText(const QString &text) override;
};

#endif
