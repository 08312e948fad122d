// The lines of a definitions file that did not get through the import into a repository held in memory.
#include "tools/common/ScratchImportFailure.h"

#include "import/driver/ImportDriver.h"

namespace norvak {

bool reportScratchImportFailure(Output& report, const std::string& fileName, const ScratchImport& outcome,
                                const char* nothingWas) {
    report.print("%s", outcome.report.c_str());
    if (outcome.exitCode == exitConnectRefused) {
        report.print("*****Error - the definitions of %s could not be imported into a repository held in memory (is "
                     "the embedded database's ODBC driver installed?)\n",
                     fileName.c_str());
        return true;
    }
    report.print("*****Error - %s has errors the import would refuse it for (exit code %d) - nothing was %s\n",
                 fileName.c_str(), outcome.exitCode, nothingWas);
    return false;
}

} // namespace norvak
