#pragma once
// Deleting every slip, tag, PB master and billing row ("全ての明細を削除").

class Database;
class Dialogs;

// After a question and a backup of both database files: empties the
// working tables and restarts the numbering. 0 done, 1 declined, else the
// number of the error that stopped it (a backup that could not be made:
// nothing deleted). All statements apply together or not at all.
int deleteAllData(Database &db, Dialogs &dialogs);
