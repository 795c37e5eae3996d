#include "database.h"

std::unique_ptr<Database> openPostgres(const std::string &)
{
    return nullptr;
}
