#pragma once

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct DefinitionModel;
struct RepositoryState;
class DbSession;
struct CwfTabDefinition;
struct TdsTabDefinition;
struct XmlTabDefinition;

// Creates every tab of the definitions file that the message set lacks: a
// REG_PLUGIN_MEMBER row and one M_ATTRIBUTE row per setting given. A tab
// already known by its name is left alone with a warning.
void createZEPtabs(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                   DbSession& db);

// Writes the plugin member row of a new tab; returns its member id.
int createWireFormatTab(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db,
                        int pluginKey, const char* tabName);

void createCWFtab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const CwfTabDefinition& tab);
void createTDStab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const TdsTabDefinition& tab);
void createXMLtab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const XmlTabDefinition& tab);

} // namespace norvak
