#include "host/connect/DataConnection.h"

IFederatedSQLConnection::~IFederatedSQLConnection() = default;
IDataConnection::~IDataConnection() = default;
