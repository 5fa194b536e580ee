#pragma once
#include "app/BatchRunner.h"

class Dialogs;

// Starts the screens: completes the data folder, checks the settings files
// and shows the main screen. Returns the application's exit status.
int runScreens(int argc, char **argv, const CommandLine &cl);

// The start-up check of Conf.ini and Gyoum.ini: opens the settings screens
// for the missing ones; false (after the message) when one is still missing.
bool checkSettingsFiles(Dialogs &dialogs);

// Takes the data folder as this program's window: false (after a message
// naming the window that has it) when another window holds the folder.
// Batch commands beside a window hold the folder for use only.
bool claimWindow(Dialogs &dialogs);
