#ifndef KEYFOLD_RANDOMSOURCE_H
#define KEYFOLD_RANDOMSOURCE_H

#include <QtGlobal>

#include <array>
#include <functional>

// Where the password's randomness comes from.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // A single-precision value r with 0 <= r < 1, evenly distributed over 2^24 steps.
    virtual float draw() = 0;
};

// Draws from the operating system's cryptographically secure generator, a block at a time so that
// a password costs at most one request to the system.
class SystemRandomSource : public RandomSource
{
public:
    using Block = std::array<quint32, 64>;
    using Refill = std::function<void(Block &)>;

    explicit SystemRandomSource(Refill refill = fillFromSystem);

    float draw() override;

private:
    static void fillFromSystem(Block &block);

    Refill refill;
    Block block{};
    Block::size_type next = block.size();
};

#endif
