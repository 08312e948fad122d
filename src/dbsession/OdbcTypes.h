#pragma once

// The ODBC types and codes that the layers above use with the session and
// the statement layer (SQLSMALLINT keys, SQL_C_ column types, return codes).
// Only this layer includes the ODBC headers themselves.
#include <sql.h>
#include <sqlext.h>
