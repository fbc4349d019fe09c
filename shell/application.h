#pragma once
// Start-up: the application object, the global instances in their fixed
// order, the main window shown maximised, and the release at the end.

// The program's fonts and icon; needs the application object.
void prepareApplication();

// Creates the main window and DataModule6 and readies Form2 .. Form11, in
// start-up order; each of those is made the first time it is used. Opens no
// table, runs no query and leaves the mouse pointer where it is.
void createGlobalInstances();

// Shows the main window maximised.
void showMainWindow();

// Releases the global instances (the main window first, with every dialog it
// owns; the data module last) and clears their variables.
void releaseGlobalInstances();

// The whole program: returns the exit code of the event loop.
int runApplication(int& argc, char** argv);
