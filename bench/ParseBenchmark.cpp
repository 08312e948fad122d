// Measures how long reading and checking a large definitions file takes: the
// text is generated in memory (types of 32 elements each, every element with
// a physical format, a tag and a value), parsed as norvakload parses it, and
// its references resolved and its identifiers and types checked.
//
//   norvak_bench_parse [elements] [repetitions]
//   norvak_bench_parse --write FILE [elements]   (writes the text, for bench/import.sh)
//
// Prints the element count, the best wall-clock times of the repetitions and
// the peak resident memory of the process.

#include "import/driver/ImportRun.h"
#include "import/model/ConsistencyChecks.h"
#include "import/reader/TagWalker.h"
#include "support/Output.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

std::string generateDefinitions(int elements) {
    std::string text = "<?xml version=\"1.0\"?>\n<ZEPImport ZEP_DB=\"bench\" messageSet=\"Bench\"/>\n";
    text += "<CWFTab name=\"cwf\" ident=\"CWF1\"/>\n";
    const int perType = 32;
    for (int first = 0; first < elements; first += perType) {
        text += "<Type ident=\"Type" + std::to_string(first / perType) + "\" composition=\"sequence\">\n";
        for (int e = first; e < elements && e < first + perType; ++e) {
            std::string id = std::to_string(e);
            text += "  <Element ident=\"Field" + id + "\" name=\"Field number " + id +
                    "\" type=\"string\" length=\"12\" physicalType=\"fixed\" padChar=\"SPACE\" tag=\"T" + id +
                    "\" xmlName=\"field" + id + "\">\n";
            text += "    <Value ident=\"Default" + id + "\" type=\"string\" value=\"v" + id +
                    "\" role=\"DEFAULT\"/>\n  </Element>\n";
        }
        text += "</Type>\n";
    }
    text += "<Message ident=\"BenchMessage\" type=\"Type0\"/>\n";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--write") == 0) {
        std::ofstream(argv[2], std::ios::binary) << generateDefinitions(argc > 3 ? std::atoi(argv[3]) : 64000);
        return 0;
    }
    int elements = argc > 1 ? std::atoi(argv[1]) : 64000;
    int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
    std::string definitions = generateDefinitions(elements);

    double best = 1e300;
    double bestChecks = 1e300;
    for (int r = 0; r < repetitions; ++r) {
        norvak::Output out;
        norvak::ImportRun run(out);
        if (!run.allocateTables())
            return 2;
        std::vector<char> text(definitions.begin(), definitions.end());
        text.push_back('\0');
        auto start = std::chrono::steady_clock::now();
        norvak::parseXMLfile(run.diagnostics(), run.options(), run.model(), run.state(), text.data());
        auto stop = std::chrono::steady_clock::now();
        if (run.errSw || run.elements.count() != elements) {
            std::fprintf(stderr, "parse failed:\n%s", out.text().c_str());
            return 1;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());

        start = std::chrono::steady_clock::now();
        norvak::resolveReferences(run, run, run);
        norvak::checkDupIdents(run, run);
        norvak::checkRecursion(run, run);
        stop = std::chrono::steady_clock::now();
        if (run.errSw) {
            std::fprintf(stderr, "checks failed:\n%s", out.text().c_str());
            return 1;
        }
        bestChecks = std::min(bestChecks, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("elements %d  text %zu bytes  parse %.1f ms  checks %.1f ms (best of %d)  peak memory %ld MiB\n",
                elements, definitions.size(), best, bestChecks, repetitions, usage.ru_maxrss / 1024);
    return 0;
}
