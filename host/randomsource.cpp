#include "host/randomsource.h"

#include <QRandomGenerator>

#include <utility>

SystemRandomSource::SystemRandomSource(Refill refill) : refill(std::move(refill))
{}

float SystemRandomSource::draw()
{
    if (next == block.size()) {
        refill(block);
        next = 0;
    }
    // 24 bits are exactly what a float's mantissa holds, so every value is representable and the
    // result never rounds up to 1. A used word is wiped so that no drawn value lingers.
    constexpr float stepsPerUnit = 1 << 24;
    const quint32 bits = std::exchange(block[next++], 0) >> 8;
    return static_cast<float>(bits) / stepsPerUnit;
}

void SystemRandomSource::fillFromSystem(Block &block)
{
    QRandomGenerator::system()->fillRange(block.data(), qsizetype(block.size()));
}
