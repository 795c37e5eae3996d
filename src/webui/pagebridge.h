#pragma once
// The named native functions that page script calls.

class MiniblinkDialog;

// Binds every bridge function, in the order the pages rely on. The window is
// the user data of the functions that act on it directly.
void bindPageBridge(MiniblinkDialog *window);
