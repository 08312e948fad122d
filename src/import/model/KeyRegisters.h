#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace norvak {

struct Diagnostics;
struct DefinitionModel;

// The keys registered so far for one kind of repository row; a key met a
// second time is a duplicate. Registers grow as far as a run needs.
class KeyRegister {
  public:
    // True when the key was new and is now registered.
    bool registerKey(std::string_view key) { return keys_.emplace(key).second; }
    bool contains(std::string_view key) const { return keys_.count(std::string(key)) != 0; }
    std::size_t size() const { return keys_.size(); }

  private:
    std::unordered_set<std::string> keys_;
};

struct KeyRegisters {
    KeyRegister elementKeys;
    KeyRegister typeKeys;
    KeyRegister valueKeys;
    KeyRegister memberAttrKeys;
    KeyRegister attrKeys;
};

// Each registers a key of its kind; a duplicate is reported and sets errSw.
void registerElementKey(Diagnostics& diag, DefinitionModel& model, std::string_view key);
void registerTypeKey(Diagnostics& diag, DefinitionModel& model, std::string_view key);
void registerValueKey(Diagnostics& diag, DefinitionModel& model, std::string_view key);
void registerMemberAttrKey(Diagnostics& diag, DefinitionModel& model, std::string_view key);
void registerAttrKey(Diagnostics& diag, DefinitionModel& model, std::string_view key);

} // namespace norvak
