#pragma once
// The one main window of the process, for the page bridge and the download jobs.
// Set right after the window is shown; never cleared.

class MiniblinkDialog;

MiniblinkDialog *mainWindow();
void setMainWindow(MiniblinkDialog *window);
