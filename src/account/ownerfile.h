#pragma once
// Keeps a file that holds credentials out of other local users' reach.

class QFileDevice;

// Restricts an open file to its owner where the platform's own defaults do not
// already do so.
void restrictToOwner(QFileDevice &file);
