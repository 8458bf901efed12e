#pragma once

// A spinner shows its largest value at the top, where a vertical scroll bar has its smallest
// position: within the range [min, max], a value and its position are each other's reflection.
constexpr int ReflectInSpinnerRange(int min, int max, int valueOrPosition) {
    return min + max - valueOrPosition;
}
