#include "account/ownerfile.h"

#include <QFileDevice>

void restrictToOwner(QFileDevice &file)
{
    // New files get 0666 minus the umask, usually world-readable.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
