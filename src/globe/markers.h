#pragma once
// Storm markers: an icon per storm of the storm table, standing on the turning globe at
// the storm's place (Win32 and OpenGL; user-interface thread, rendering context current,
// the globe scene built).
#include "storms/storm_table.h"

// Draws every storm of the table, in table order, tinted red and blended over the globe
// through the icons' alpha; afterwards blending is off, the current colour opaque white
// and the model-view matrix the identity. Call only once ReadFetchState has reported the
// feed done: it reads `count` and `records` without the lock.
void DrawStormMarkers();
