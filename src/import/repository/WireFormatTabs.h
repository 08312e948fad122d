#pragma once

namespace norvak {

struct ImportRun;
class DbSession;
struct CwfTabDefinition;
struct TdsTabDefinition;
struct XmlTabDefinition;

// Creates every tab of the definitions file that the message set lacks: a
// REG_PLUGIN_MEMBER row and one M_ATTRIBUTE row per setting given. A tab
// already known by its name is left alone with a warning.
void createZEPtabs(ImportRun& run, DbSession& db);

// Writes the plugin member row of a new tab; returns its member id.
int createWireFormatTab(ImportRun& run, DbSession& db, int pluginKey, const char* tabName);

void createCWFtab(ImportRun& run, DbSession& db, const CwfTabDefinition& tab);
void createTDStab(ImportRun& run, DbSession& db, const TdsTabDefinition& tab);
void createXMLtab(ImportRun& run, DbSession& db, const XmlTabDefinition& tab);

} // namespace norvak
