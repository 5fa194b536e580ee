#include "ui/DataAccessError.h"

#include "store/Connection.h"
#include "store/Dialogs.h"

int OpenDatabaseReporting(bool open, Dialogs &dialogs)
{
    const int result = OpenDatabase(open);
    if (result != 0)
        ShowDataAccessError(dialogs, result);
    return result;
}

void ShowDataAccessError(Dialogs &dialogs, int number)
{
    dialogs.message(dataAccessErrorText(number), applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
}
