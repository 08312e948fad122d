// Tests of the ZEPImport element's settings and capacities.
#include "unit/TestRun.h"

#include "import/reader/ImportOptions.h"
#include "support/PasswordMask.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <string>

namespace norvak::test {
namespace {

TEST(ImportOptions, TextSettingsTakeValuesUpToTheirLongestLengthAndRefuseLongerOnes) {
    struct {
        const char* attrName;
        std::string ImportRun::*setting;
        std::size_t longest;
        const char* label;
    } const settings[] = {
        {"msgPrefix", &ImportRun::msgPrefix, 14, "message prefix"},
        {"msgSuffix", &ImportRun::msgSuffix, 14, "message suffix"},
        {"elemPrefix", &ImportRun::elemPrefix, 14, "element prefix"},
        {"elemSuffix", &ImportRun::elemSuffix, 14, "element suffix"},
        {"typePrefix", &ImportRun::typePrefix, 14, "type prefix"},
        {"typeSuffix", &ImportRun::typeSuffix, 14, "type suffix"},
        {"valuePrefix", &ImportRun::valuePrefix, 14, "value prefix"},
        {"valueSuffix", &ImportRun::valueSuffix, 14, "value suffix"},
        {"ZEP_DB", &ImportRun::databaseName, 126, "database name"},
        {"DBUser", &ImportRun::dbUserId, 62, "database user id"},
        {"DBPw", &ImportRun::dbPassword, 62, "database password"},
        {"schema", &ImportRun::schemaPrefix, 62, "database schema name"},
        {"messageSet", &ImportRun::messageSetName, 127, "message set"}, // as norvakinit and -s take it
    };
    for (const auto& s : settings) {
        TestRun t;
        std::string longest(s.longest, 'v'), tooLong(s.longest + 1, 'w');
        getAttrValueZEPImport(t.run, t.run, t.run, s.attrName, longest.c_str());
        EXPECT_EQ(t.run.*s.setting, longest) << s.attrName;
        EXPECT_EQ(t.output() + std::to_string(t.run.errSw), "0") << s.attrName;
        getAttrValueZEPImport(t.run, t.run, t.run, s.attrName, tooLong.c_str());
        std::string shown = s.setting == &ImportRun::dbPassword ? "********" : tooLong;
        EXPECT_EQ(t.output(),
                  std::string("*****Error - ") + s.label + " parameter on ZEPImport is too long " + shown + "\n");
        EXPECT_EQ(t.run.errSw, 1) << s.attrName;
        EXPECT_EQ(t.run.*s.setting, longest) << s.attrName;
        getAttrValueZEPImport(t.run, t.run, t.run, s.attrName, ""); // the last value met wins, also an empty one
        EXPECT_EQ(t.run.*s.setting, "") << s.attrName;
    }
    EXPECT_STREQ(maskedPassword("secret"), "********");
    EXPECT_STREQ(maskedPassword(""), "");
}

TEST(ImportOptions, CapacitiesBelowTheirMinimumWarnAndOthersReplaceTheTable) {
    struct {
        const char* attrName;
        int minimum;
        const char* plural;
        int defaultCapacity;
        int (*capacity)(ImportRun&);
    } const settings[] = {
        {"MaxElement", 4096, "elements", 8192, [](ImportRun& r) { return r.elements.capacity(); }},
        {"MaxType", 1024, "types", 4096, [](ImportRun& r) { return r.types.capacity(); }},
        {"MaxAttribute", 512, "attributes", 8192, [](ImportRun& r) { return r.attributes.capacity(); }},
        {"MaxValue", 1024, "values", 8192, [](ImportRun& r) { return r.values.capacity(); }},
        {"MaxTypeMember", 2048, "type members", 16384, [](ImportRun& r) { return r.typeMembers.capacity(); }},
        {"MaxMemberAttribute", 512, "member attributes", 8192,
         [](ImportRun& r) { return r.memberAttributes.capacity(); }},
        {"MaxValueMember", 8192, "value members", 8192, [](ImportRun& r) { return r.valueMembers.capacity(); }},
    };
    for (const auto& s : settings) {
        TestRun t;
        std::string below = std::to_string(s.minimum - 1), minimum = std::to_string(s.minimum);
        getAttrValueZEPImport(t.run, t.run, t.run, s.attrName, below.c_str());
        EXPECT_EQ(t.output(), "*****Warning - Maximum " + std::string(s.plural) + " (" + below +
                                  ") value lower than minimum\nand will be ignored\n");
        EXPECT_EQ(s.capacity(t.run), s.defaultCapacity) << s.attrName;
        t.out.clear();
        getAttrValueZEPImport(t.run, t.run, t.run, s.attrName, minimum.c_str());
        EXPECT_EQ(t.output(), "Maximum " + std::string(s.plural) + " set to " + minimum + "\n");
        EXPECT_EQ(s.capacity(t.run), s.minimum) << s.attrName;
        EXPECT_EQ(t.run.errSw, 0) << s.attrName;
    }
    // The number is read from the front of the value; none, or one beyond 32 bits, reads as 0.
    for (const char* value : {"abc", "4294971392"}) {
        TestRun t;
        getAttrValueZEPImport(t.run, t.run, t.run, "MaxElement", value);
        EXPECT_EQ(t.output(), "*****Warning - Maximum elements (0) value lower than minimum\nand will be ignored\n")
            << value;
        EXPECT_EQ(t.run.elements.capacity() + t.run.errSw, 8192);
    }
    TestRun t;
    getAttrValueZEPImport(t.run, t.run, t.run, "MaxType", "  +5000xyz");
    EXPECT_EQ(t.output(), "Maximum types set to 5000\n");
}

TEST(ImportOptions, CapacityGivenAfterEntriesExistKeepsThoseEntries) {
    TestRun t;
    for (const char* ident : {"A", "B", "C"})
        createElementEntry(t.run, t.run, insertName(t.run, t.run, ident), 0);
    getAttrValueZEPImport(t.run, t.run, t.run, "MaxElement", "4096");
    EXPECT_EQ(t.output(), "Maximum elements set to 4096\n");
    EXPECT_EQ(t.run.elements.count(), 3);
    EXPECT_EQ(t.text(t.run.elements[2].ident), "B");
    EXPECT_EQ(createElementEntry(t.run, t.run, insertName(t.run, t.run, "C"), 0), 3);
    for (int i = 4; i <= 4097; ++i)
        ASSERT_EQ(createElementEntry(t.run, t.run, insertName(t.run, t.run, "E" + std::to_string(i)), 0), i);
    EXPECT_EQ(t.run.elements.capacity(), 8192);
    EXPECT_EQ(t.text(t.run.elements[1].ident), "A");
}

TEST(ImportOptions, UnknownNamesAreErrorsAndTraceHidesThePassword) {
    TestRun t;
    getAttrValueZEPImport(t.run, t.run, t.run, "maxelement", "5000");
    EXPECT_EQ(t.output(), "*****Error - unrecognized attribute maxelement found\n"
                          "  did you mean MaxElement instead of maxelement?\n");
    EXPECT_EQ(t.run.errSw, 1);
    EXPECT_EQ(t.run.elements.capacity(), 8192);

    TestRun u;
    u.run.traceSw = 1;
    getAttrValueZEPImport(u.run, u.run, u.run, "DBUser", "admin");
    getAttrValueZEPImport(u.run, u.run, u.run, "DBPw", "s3cret");
    getAttrValueZEPImport(u.run, u.run, u.run, "DBPw", "");
    getAttrValueZEPImport(u.run, u.run, u.run, "Schema", "X");
    EXPECT_EQ(u.output(), "==> getAttrValueZEPImport attrName DBUser value admin\n"
                          "<== getAttrValueZEPImport attrFound 1\n"
                          "==> getAttrValueZEPImport attrName DBPw value ********\n"
                          "<== getAttrValueZEPImport attrFound 1\n"
                          "==> getAttrValueZEPImport attrName DBPw value \n"
                          "<== getAttrValueZEPImport attrFound 1\n"
                          "==> getAttrValueZEPImport attrName Schema value X\n"
                          "*****Error - unrecognized attribute Schema found\n"
                          "  did you mean schema instead of Schema?\n"
                          "<== getAttrValueZEPImport attrFound 0\n");
}

TEST(ImportOptions, TableThatCannotBeAllocatedRaisesTheStorageError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits do not work with the address sanitizer";
#endif
    TestRun t;
    long long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    ASSERT_TRUE(statm != nullptr && std::fscanf(statm, "%lld", &pages) == 1);
    std::fclose(statm);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit limited{static_cast<rlim_t>(pages * 4096 + (64 << 20)), saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    bool thrown = false;
    try {
        getAttrValueZEPImport(t.run, t.run, t.run, "MaxElement", "100000000");
    } catch (const TableStorageError&) {
        thrown = true;
    }
    setrlimit(RLIMIT_AS, &saved);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.run.elements.capacity(), 8192);
}

} // namespace
} // namespace norvak::test
