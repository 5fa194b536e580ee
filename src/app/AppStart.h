#pragma once
#include "app/BatchRunner.h"

// Starts the screens: completes the data folder, checks the settings files
// and shows the main screen. Returns the application's exit status.
int runScreens(int argc, char **argv, const CommandLine &cl);
