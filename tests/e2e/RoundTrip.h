#pragma once

// The round trip of a message set through norvakexport: exported, imported
// into an empty message set of a fresh repository (of the other database when
// that is available), exported again.

#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {

// How a program reaches a repository: its connection options and environment.
struct RepositoryAccess {
    std::vector<std::string> connection; // -n, -u, -p (and -h) with their values
    std::vector<std::string> environment;
};

RepositoryAccess accessOf(const TestRepository& repo);

// norvakexport of a message set, with more options after the connection's.
ProgramResult exportSet(const RepositoryAccess& access, const std::string& messageSet,
                        const std::vector<std::string>& more = {});
// The canonical rows of a message set (norvakexport --canonical); a failed
// export fails the test.
std::vector<std::string> canonicalRows(const RepositoryAccess& access, const std::string& messageSet);

// Success when the message set exports exactly, the export imports into an
// empty message set with the same language bindings in a fresh repository
// (`backend`), both hold the same canonical rows, and the copy exports to
// the same file.
::testing::AssertionResult roundTrips(const RepositoryAccess& access, const std::string& messageSet, Backend backend);

// The database the round trip of a test on `backend` copies into: the other
// one when it is available.
Backend copyBackend(Backend backend);

} // namespace norvak::test
