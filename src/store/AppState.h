#pragma once
// The few application-wide values shared between screens and operations.

namespace AppState {

// Set to 1 by the retention deletion when its delete has run; read when the
// main screen unloads, which then runs the compaction screen first.
inline int CompactionRequest = 0;

} // namespace AppState
