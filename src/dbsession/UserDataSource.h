// The user's own embedded repository: a SQLite file under $XDG_DATA_HOME, registered as the user data source
// "norvak" in the user's odbc.ini through the driver manager's installer library.
#pragma once

#include <string>

namespace norvak {

// The name of the user data source of the embedded repository.
inline constexpr const char* userDataSourceName = "norvak";

// What became of the user data source.
struct UserDataSource {
    enum class Outcome {
        existing,   // a data source of that name was defined already: used as it is
        created,    // registered for a new repository file (the driver creates it as it connects)
        registered, // registered for a repository file that was there already
        failed,     // nothing registered: `problem` says why
    };
    Outcome outcome = Outcome::failed;
    std::string repositoryFile; // $XDG_DATA_HOME/norvak/repository.db
    std::string odbcIni;        // the user's odbc.ini as the driver manager names it
    std::string problem;
};

// The embedded repository's file: $XDG_DATA_HOME/norvak/repository.db, with
// XDG_DATA_HOME (when not set, empty or not an absolute path) taken as
// ~/.local/share; "" when there is no home folder either.
std::string userRepositoryFile();

// The user's odbc.ini, where the driver manager keeps user data sources:
// the file ODBCINI names, else .odbc.ini in the user's home folder (the one
// of the password database, as unixODBC takes it).
std::string userOdbcIni();

// Finds the data source "norvak" wherever the driver manager looks for data
// sources; when there is none, creates the folder of userRepositoryFile()
// and registers it in the user's odbc.ini with the SQLite3 ODBC driver of
// odbcinst.ini.
UserDataSource ensureUserDataSource();

} // namespace norvak
