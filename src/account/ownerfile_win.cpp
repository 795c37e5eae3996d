#include "account/ownerfile.h"

void restrictToOwner(QFileDevice &)
{
    // The per-user application data folder already carries an owner-only ACL,
    // and new files inherit it.
}
