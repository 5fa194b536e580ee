#pragma once
// The few application-wide values shared between screens and operations.

namespace AppState {

// Set to 1 by the retention deletion when its delete has run; read when the
// main screen unloads, which then runs the compaction screen first.
inline int CompactionRequest = 0;

// Set to 0 when a print run starts and to 1 when the operator cancels it;
// output dates are stamped only when it is still 0.
inline int PrintCancelled = 0;

} // namespace AppState
