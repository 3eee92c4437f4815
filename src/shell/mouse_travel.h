#pragma once
// When a mouse movement ends the run. Screen coordinates in pixels.

// Mouse travel (|dx| + |dy| from the reference point) that is still taken for jitter.
constexpr int kMouseMoveThreshold = 4;

// True when the cursor at (x, y) is more than kMouseMoveThreshold pixels of travel away
// from the reference point (referenceX, referenceY).
bool IsMouseBeyondJitter(int referenceX, int referenceY, int x, int y);
