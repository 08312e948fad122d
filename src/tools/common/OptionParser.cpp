// The command-line parser of our own tools, on getopt_long: exact option names, values as the next argument.
#include "tools/common/OptionParser.h"

#include "dbsession/Columns.h"

#include <getopt.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace norvak {

namespace {

// getopt_long's code of an option without a short form: past every character.
constexpr int longOnlyCode = 1000;
constexpr int helpCode = 990;
constexpr int versionCode = 991;

// An argument of one "-" and more than one letter: never an option of
// ours ("-output.xml" is no "-o utput.xml"), nor a value, which does not
// begin with "-".
bool gluedShortOption(const char* argument) {
    return argument[0] == '-' && argument[1] != '-' && argument[1] != '\0' && argument[2] != '\0';
}

class OptionWalk {
  public:
    OptionWalk(Output& out, int argc, const char* const* argv, std::span<const OptionSpec> options,
               ToolOptions& values)
        : out_(out), options_(options), values_(values) {
        argv_.push_back(argc > 0 ? argv[0] : "");
        for (int i = 1; i < argc; ++i) {
            if (gluedShortOption(argv[i]))
                fail(formatText("*****Error - unrecognized command line parameter %s (a value follows its option as "
                                "the next argument: -%c VALUE)\n",
                                argv[i], argv[i][1]));
            else
                argv_.push_back(argv[i]);
        }
        argv_.push_back(nullptr);
        buildTables();
    }

    bool run() {
        const int argc = static_cast<int>(argv_.size()) - 1;
        char** argv = const_cast<char**>(argv_.data()); // getopt_long takes them so; "+" keeps their order
        optind = 0;                                      // a fresh walk, whatever walked before
        opterr = 0;
        for (;;) {
            const int at = optind == 0 ? 1 : optind;
            int code = getopt_long(argc, argv, shortOptions_.c_str(), longOptions_.data(), nullptr);
            if (code == -1)
                break;
            take(code, argv_[static_cast<std::size_t>(at)]);
        }
        for (int i = optind; i < argc; ++i)
            fail(formatText("*****Error - stray argument %s: every value follows its option, as in -o FILE\n",
                            argv_[static_cast<std::size_t>(i)]));
        return ok_;
    }

  private:
    void buildTables() {
        shortOptions_ = "+:";
        for (const OptionSpec& option : options_) {
            bool valued = option.value != nullptr;
            if (option.letter != 0) {
                shortOptions_ += option.letter;
                if (valued)
                    shortOptions_ += ':';
            }
            int code = option.letter != 0 ? option.letter : longOnlyCode + static_cast<int>(longOptions_.size());
            longOptions_.push_back({option.name, valued ? required_argument : no_argument, nullptr, code});
        }
        longOptions_.push_back({"help", no_argument, nullptr, helpCode});
        longOptions_.push_back({"version", no_argument, nullptr, versionCode});
        longOptions_.push_back({nullptr, 0, nullptr, 0});
    }

    const OptionSpec* specOf(int code) const {
        for (std::size_t i = 0; i < options_.size(); ++i) {
            const OptionSpec& option = options_[i];
            if (option.letter != 0 ? code == option.letter : code == longOnlyCode + static_cast<int>(i))
                return &option;
        }
        return nullptr;
    }

    // getopt_long takes a long option by any unambiguous beginning ("--lock"
    // for "--lock-timeout"); ours are taken by their whole names only.
    static bool writtenExactly(const OptionSpec* option, int code, std::string_view written) {
        if (written.substr(0, 2) != "--")
            return true;
        std::string_view name = written.substr(2);
        name = name.substr(0, name.find('='));
        const char* expected = code == helpCode ? "help" : code == versionCode ? "version" : option->name;
        return name == expected;
    }

    void take(int code, const char* written) {
        if (code == '?') {
            fail(formatText("*****Error - unrecognized command line parameter %s\n", written));
            return;
        }
        const OptionSpec* option = specOf(code == ':' ? optopt : code);
        if (!writtenExactly(option, code == ':' ? optopt : code, written)) {
            fail(formatText("*****Error - unrecognized command line parameter %s\n", written));
            return;
        }
        if (code == ':') {
            missing(option);
            return;
        }
        if (option == nullptr) // --help, --version: answered before the walk
            return;
        if (option->flag != nullptr) {
            values_.*option->flag = true;
            return;
        }
        takeValue(*option, optarg, written);
    }

    void takeValue(const OptionSpec& option, const char* value, const char* written) {
        values_.*option.value = value;
        if (option.value == &ToolOptions::lockTimeoutText) {
            if (!settleLockTimeout(value))
                missing(&option);
            return;
        }
        // An option after an option is no value of it ("-o -s Orders"); "-" alone is.
        bool attached = std::strncmp(written, "--", 2) == 0 && std::strchr(written, '=') != nullptr;
        if (!attached && value[0] == '-' && value[1] != '\0') {
            values_.*option.value = std::string();
            --optind;
            missing(&option);
            return;
        }
        if (option.emptyIsMissing && value[0] == '\0')
            missing(&option);
    }

    // Checks a lock timeout by the rule every program shares.
    bool settleLockTimeout(const std::string& text) {
        std::string argument = "--lock-timeout=" + text;
        const char* arguments[] = {argument.c_str()};
        int at = 0;
        std::string taken;
        return takeLockTimeoutArgument(1, arguments, at, values_.lockTimeoutSeconds, taken) ==
               LockTimeoutArgument::taken;
    }

    void missing(const OptionSpec* option) {
        if (option != nullptr && option->value == &ToolOptions::lockTimeoutText)
            fail(formatText(lockTimeoutErrorLine, values_.lockTimeoutText.c_str()));
        else if (option != nullptr && option->missingMessage != nullptr)
            fail(option->missingMessage);
        else
            fail("*****Error - an option's value is missing\n");
    }

    void fail(const std::string& line) {
        out_.print("%s", line.c_str());
        out_.flush();
        ok_ = false;
    }

    Output& out_;
    std::span<const OptionSpec> options_;
    ToolOptions& values_;
    std::vector<const char*> argv_;
    std::string shortOptions_;
    std::vector<option> longOptions_;
    bool ok_ = true;
};

} // namespace

bool parseToolOptions(Output& out, int argc, const char* const* argv, std::span<const OptionSpec> options,
                      ToolOptions& values) {
    bool ok = OptionWalk(out, argc, argv, options, values).run();
    int errSw = 0;
    settleSchemaPrefix(out, errSw, values);
    return ok && errSw == 0;
}

} // namespace norvak
