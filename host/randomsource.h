#ifndef KEYFOLD_RANDOMSOURCE_H
#define KEYFOLD_RANDOMSOURCE_H

// Where the password's randomness comes from.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // A single-precision value r with 0 <= r < 1, evenly distributed over 2^24 steps.
    virtual float draw() = 0;
};

// Draws from the operating system's cryptographically secure generator.
class SystemRandomSource : public RandomSource
{
public:
    float draw() override;
};

#endif
