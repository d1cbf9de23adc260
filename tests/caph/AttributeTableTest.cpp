#include "caph/AttributeTable.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>

namespace pinweave {
namespace {

TEST(AttributeTableTest, LookupMissLeavesTheOutParameterAsItWas)
{
    CAttributeTable table;
    table.SetAt("NAME", "W1");
    std::string strValue = "earlier";
    EXPECT_FALSE(table.Lookup("name", strValue)); // keys are case-sensitive
    EXPECT_EQ(strValue, "earlier");
    EXPECT_TRUE(table.Lookup("NAME", strValue));
    EXPECT_EQ(strValue, "W1");
}

TEST(AttributeTableTest, KeysAndValuesAreExactBytes)
{
    CAttributeTable table;
    const std::string strKeyWithNul("A\0B", 3);
    table.SetAt("", "empty key");
    table.SetAt("NAME ", "trailing blank");
    table.SetAt(strKeyWithNul, std::string("v\0w", 3));
    table.SetAt("NAME||3", "literal suffix");
    EXPECT_EQ(table.GetCount(), 4u);
    EXPECT_EQ(table.Find(""), "empty key");
    EXPECT_EQ(table.Find("NAME "), "trailing blank");
    EXPECT_FALSE(table.Find("NAME"));
    EXPECT_FALSE(table.Find("A"));
    EXPECT_EQ(table.Find(strKeyWithNul), "v"); // a value ends at a control byte, as in the text
}

TEST(AttributeTableTest, SetAtReplacesAndRemoveAllEmpties)
{
    CAttributeTable table;
    table.SetAt("K", "1");
    table.SetAt("K", "a much longer value than before");
    EXPECT_EQ(table.GetCount(), 1u);
    EXPECT_EQ(table.Find("K"), "a much longer value than before");
    table.RemoveAll();
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_FALSE(table.Find("K"));
    table.SetAt("K", "again");
    EXPECT_EQ(table.Find("K"), "again");
}

// The table switches from a linear search to a hash index as it grows; a
// random mix of inserts and replacements, small and large, must always agree
// with a plain map.
TEST(AttributeTableTest, AgreesWithAReferenceMapAtEverySize)
{
    std::mt19937 rng(12345);
    for (const int nOperations : {3, 9, 17, 200, 5000}) {
        CAttributeTable table;
        std::map<std::string, std::string> mapReference;
        for (int i = 0; i < nOperations; ++i) {
            const std::string strKey = "K" + std::to_string(rng() % static_cast<unsigned>(nOperations));
            const std::string strValue(rng() % 200, static_cast<char>('a' + rng() % 26));
            table.SetAt(strKey, strValue);
            mapReference[strKey] = strValue;
        }
        ASSERT_EQ(table.GetCount(), mapReference.size()) << nOperations;
        for (const auto& [strKey, strValue] : mapReference) {
            std::string strFound;
            ASSERT_TRUE(table.Lookup(strKey, strFound)) << strKey;
            ASSERT_EQ(strFound, strValue) << strKey;
        }
        std::string strUnchanged = "x";
        EXPECT_FALSE(table.Lookup("absent", strUnchanged));

        // Several keys at once, present and absent ones mixed, the same key
        // twice: each answer as Find gives it.
        const std::string strNeverStored = "K" + std::to_string(nOperations);
        const std::string_view arrKeys[] = {
            mapReference.rbegin()->first, "K", "absent", mapReference.begin()->first, strNeverStored,
            mapReference.rbegin()->first};
        std::string_view arrValues[std::size(arrKeys)];
        table.FindValues(arrKeys, arrValues, std::size(arrKeys));
        for (std::size_t i = 0; i < std::size(arrKeys); ++i) {
            EXPECT_EQ(arrValues[i], table.Find(arrKeys[i]).value_or("")) << nOperations << " " << arrKeys[i];
        }

        CAttributeTable moved(std::move(table));
        EXPECT_EQ(moved.GetCount(), mapReference.size());
        table = std::move(moved);
        EXPECT_EQ(table.Find(mapReference.begin()->first), mapReference.begin()->second);
        EXPECT_EQ(moved.GetCount(), 0u);
    }
}

} // namespace
} // namespace pinweave
