#include "host/randomsource.h"

#include <QRandomGenerator>

float SystemRandomSource::draw()
{
    // 24 bits are exactly what a float's mantissa holds, so every value is representable
    // and the result can never round up to 1.
    constexpr float stepsPerUnit = 1 << 24;
    const quint32 bits = QRandomGenerator::system()->generate() >> 8;
    return static_cast<float>(bits) / stepsPerUnit;
}
