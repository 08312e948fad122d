#pragma once

#include "e2e/TestRepository.h"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace norvak::test {

// Fixture of the tests of what norvakgen writes of a stored set: a
// definitions file loaded into a set of its own, and a target's JSON
// document beside the layouts of the same messages.
class GeneratedTargetTest : public RepositoryTest {
  protected:
    void load(const std::string& file, const std::string& set);
    // The member `member` of norvakgen's document for `target` (which must
    // end with `exitCode`) and the layouts, of the source options given.
    std::pair<nlohmann::json, nlohmann::json> generated(const std::vector<std::string>& source, const char* target,
                                                        const char* member, int exitCode);
};

} // namespace norvak::test
