// The user's own embedded repository: a SQLite file under $XDG_DATA_HOME, registered as the user data source
// "norvak" in the user's odbc.ini through the driver manager's installer library.
#include "dbsession/UserDataSource.h"

#include <odbcinst.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace norvak {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// The home folder of the password database.
std::string passwordHome() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? std::string(entry->pw_dir) : std::string();
}

bool sameName(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// The section names of one of the driver manager's files ("odbc.ini" in the
// current configuration mode, "odbcinst.ini").
std::vector<std::string> sectionsOf(const char* file) {
    std::vector<char> buffer(65536);
    int length = SQLGetPrivateProfileString(nullptr, nullptr, "", buffer.data(), static_cast<int>(buffer.size()), file);
    std::vector<std::string> sections;
    // The names follow one another, each ended by a zero byte.
    for (int at = 0; length > 0 && at < length && buffer[static_cast<std::size_t>(at)] != '\0';) {
        std::string name = buffer.data() + at;
        at += static_cast<int>(name.size()) + 1;
        sections.push_back(name);
    }
    return sections;
}

std::string settingOf(const std::string& section, const char* key, const char* file) {
    char value[4096] = {};
    int length = SQLGetPrivateProfileString(section.c_str(), key, "", value, static_cast<int>(sizeof value), file);
    return length > 0 ? std::string(value) : std::string();
}

bool namesSqlite3Library(std::string library) {
    for (char& c : library)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return library.find("sqlite3odbc") != std::string::npos;
}

// The name under which odbcinst.ini registers the SQLite3 ODBC driver:
// "SQLite3" when it is there, else the first section whose library is the
// driver's; "" when none is.
std::string sqlite3DriverName() {
    std::vector<std::string> drivers = sectionsOf("odbcinst.ini");
    for (const std::string& driver : drivers)
        if (driver == "SQLite3")
            return driver;
    for (const std::string& driver : drivers)
        if (namesSqlite3Library(settingOf(driver, "Driver", "odbcinst.ini")))
            return driver;
    return {};
}

// The driver manager's message about the last failed installer call.
std::string installerError() {
    DWORD code = 0;
    char message[512] = {};
    WORD length = 0;
    if (SQLInstallerError(1, &code, message, sizeof message, &length) == SQL_SUCCESS && message[0] != '\0')
        return message;
    return "the driver manager gave no reason";
}

bool dataSourceExists() {
    SQLSetConfigMode(ODBC_BOTH_DSN);
    for (const std::string& section : sectionsOf("odbc.ini"))
        if (sameName(section, userDataSourceName))
            return true;
    return false;
}

bool writeSetting(const char* key, const std::string& value) {
    return SQLWritePrivateProfileString(userDataSourceName, key, value.c_str(), "odbc.ini") != 0;
}

} // namespace

std::string userRepositoryFile() {
    std::string data = environmentValue("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/') {
        std::string home = environmentValue("HOME");
        if (home.empty())
            home = passwordHome();
        if (home.empty())
            return {};
        data = home + "/.local/share";
    }
    return data + "/norvak/repository.db";
}

std::string userOdbcIni() {
    std::string file = environmentValue("ODBCINI");
    if (!file.empty())
        return file;
    std::string home = passwordHome();
    return home.empty() ? std::string("~/.odbc.ini") : home + "/.odbc.ini";
}

UserDataSource ensureUserDataSource() {
    UserDataSource result;
    result.repositoryFile = userRepositoryFile();
    result.odbcIni = userOdbcIni();
    if (dataSourceExists()) {
        result.outcome = UserDataSource::Outcome::existing;
        return result;
    }
    if (result.repositoryFile.empty()) {
        result.problem = "there is no home folder (HOME is not set) to keep the repository in; set XDG_DATA_HOME";
        return result;
    }
    std::filesystem::path file(result.repositoryFile);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        result.problem = "the folder " + file.parent_path().string() + " cannot be created: " + error.message();
        return result;
    }
    std::string driver = sqlite3DriverName();
    if (driver.empty()) {
        result.problem = "no SQLite3 ODBC driver is registered in odbcinst.ini: install the package libsqliteodbc";
        return result;
    }
    bool existed = std::filesystem::exists(file, error);
    // Into the user's odbc.ini, whatever the system's files hold.
    SQLSetConfigMode(ODBC_USER_DSN);
    bool written = writeSetting("Description", "Norvak embedded repository") && writeSetting("Driver", driver) &&
                   writeSetting("Database", result.repositoryFile);
    if (!written)
        result.problem = "the data source " + std::string(userDataSourceName) + " cannot be written to " +
                         result.odbcIni + ": " + installerError();
    SQLSetConfigMode(ODBC_BOTH_DSN);
    if (written)
        result.outcome = existed ? UserDataSource::Outcome::registered : UserDataSource::Outcome::created;
    return result;
}

} // namespace norvak
