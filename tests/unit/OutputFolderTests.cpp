// Tests of the names of the files norvakgen writes into a folder.
#include "tools/gen/OutputFolder.h"

#include <gtest/gtest.h>

namespace norvak {
namespace {

TEST(OutputFolder, StemsKeepSafeLettersAndNothingElse) {
    EXPECT_EQ(safeFileStem("PlaceOrder"), "PlaceOrder");
    EXPECT_EQ(safeFileStem("M-Msg_0.v2"), "M-Msg_0.v2");
    EXPECT_EQ(safeFileStem("a/b\\c:d*e?f\"g<h>i|j k"), "a_b_c_d_e_f_g_h_i_j_k");
    EXPECT_EQ(safeFileStem("\xC3\xBC"), "__") << "each byte beyond ASCII";
    EXPECT_EQ(safeFileStem("../up"), "_._up");
    EXPECT_EQ(safeFileStem(".hidden"), "_hidden");
    EXPECT_EQ(safeFileStem("trailing."), "trailing_");
    EXPECT_EQ(safeFileStem(""), "message");
    EXPECT_EQ(safeFileStem(std::string(300, 'x')).size(), 100u);
    for (const char* device : {"CON", "nul", "Com1", "LPT9", "aux.x"})
        EXPECT_EQ(safeFileStem(device), std::string(device) + "_") << device;
    EXPECT_EQ(safeFileStem("COM10"), "COM10");
    EXPECT_EQ(safeFileStem("console"), "console");
}

TEST(OutputFolder, NamesAreUniqueWhereLetterCaseDoesNotCountAndTakeTheTargetsExtension) {
    FolderFileNames names;
    EXPECT_EQ(names.next("Order", "copybook"), "Order.cpy");
    EXPECT_EQ(names.next("ORDER", "copybook"), "ORDER_2.cpy");
    EXPECT_EQ(names.next("a/b", "copybook"), "a_b.cpy");
    EXPECT_EQ(names.next("a:b", "copybook"), "a_b_2.cpy");
    FolderFileNames others;
    EXPECT_EQ(others.next("Order", "layout"), "Order.layout");
    EXPECT_EQ(others.next("Order", "c"), "Order.h");
    EXPECT_EQ(others.next("Order", "json-schema"), "Order.schema.json");
    EXPECT_EQ(others.next("Order", "xsd"), "Order.xsd");
}

} // namespace
} // namespace norvak
