#pragma once
// The globe turn: the fraction of a revolution by which the map is scrolled over the
// fixed half-sphere (the texture's s is shifted by -turn). The storm markers are rotated
// by the same turn, so they move with the map.

constexpr float kInitialGlobeTurn = 0.5f;
constexpr float kGlobeTurnPerFrame = 0.0005f; // one revolution every 2000 frames

// The turn after one more frame. For a turn in (0, 1] the result is in (0, 1] too: 1.0
// itself is kept, anything above it wraps.
constexpr float AdvanceGlobeTurn(float turn) {
    const float next = turn + kGlobeTurnPerFrame;
    return next > 1.0f ? next - 1.0f : next;
}
