#pragma once
// Deleting every slip, tag, PB master and billing row ("全ての明細を削除").

class Database;
class Dialogs;

// After a question: empties the working tables and restarts the numbering.
// 0 done, 1 declined. All statements apply together or not at all. The
// question preselects Cancel (Enter must not empty the database) and the
// end says how many slips and lines went.
int deleteAllData(Database &db, Dialogs &dialogs);
