#include "archive/archivestore.h"

struct ArchiveStore::Connection
{
};

ArchiveStore::ArchiveStore(std::unique_ptr<Connection> connection) : db(std::move(connection)) {}

ArchiveStore::~ArchiveStore() = default;
