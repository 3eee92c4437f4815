#include "shell/mouse_travel.h"

#include <cstdlib>

bool IsMouseBeyondJitter(int referenceX, int referenceY, int x, int y) {
    // In 64 bits, so that no pair of 32-bit coordinates can overflow the sum.
    const long long travel = std::llabs(static_cast<long long>(x) - referenceX) +
                             std::llabs(static_cast<long long>(y) - referenceY);
    return travel > kMouseMoveThreshold;
}
