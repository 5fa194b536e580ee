#pragma once
// Correcting the delivered quantity (and, for tag-issue requests, the
// selling price) of one slip line.

#include <QtGlobal>

class Database;

// Rewrites ONSURY, ONBTNK, ONGENJ, ONBAIJ of line `indexNoBd` for
// `quantity` whole pieces at `price` yen (0 keeps the current price), and
// sets the change marker to "corrected". Returns 0, 6 when a value does not
// fit its field, 13 when a stored price is not a number, or the engine's
// error number. Runs inside the caller's transaction and does not commit;
// on an error nothing was written.
qint32 UpdateDeliveredQuantity(Database &db, qint32 indexNoBd, qint32 quantity, qint32 price);
