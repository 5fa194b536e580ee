#pragma once
// Opening the application connection where a failure is shown to the
// operator: the common data-access error box.

class Dialogs;

// OpenDatabase, showing the common data-access error box when it fails.
// Returns 0 or the error number, as OpenDatabase does.
int OpenDatabaseReporting(bool open, Dialogs &dialogs);

// Shows the common data-access error box for error `number`.
void ShowDataAccessError(Dialogs &dialogs, int number);
