#pragma once
// The program entry: sets up the application, creates the windows and runs
// the message loop until the main window closes.
int RunApplication(int argc, char** argv);
