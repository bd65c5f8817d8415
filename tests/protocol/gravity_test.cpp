#include "protocol/gravity.h"

#include "protocol/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

TEST(Gravity, TableRowsInOrderWithTheirDisplayForm)
{
    const char* const expected[33] = {
        "广东-韶关[9.7894]", "西藏[9.7799]",   "云南省[9.7836]", "海南省[9.7863]",
        "贵州省[9.7868]",    "广西[9.7877]",   "广东[9.7883]",   "福建省[9.7891]",
        "台湾[9.79]",        "湖南省[9.7915]", "青海省[9.7911]", "四川省[9.7913]",
        "重庆市[9.7914]",    "浙江省[9.7936]", "江西省[9.792]",  "甘肃省[9.7926]",
        "陕西省[9.7944]",    "湖北省[9.7936]", "安徽省[9.7947]", "宁夏[9.7961]",
        "河南省[9.7966]",    "江苏省[9.7949]", "山西省[9.797]",  "山东省[9.7988]",
        "内蒙古[9.8066]",    "河北省[9.7997]", "新疆[9.8015]",   "天津市[9.8011]",
        "辽宁省[9.8035]",    "北京市[9.8015]", "吉林省[9.8048]", "上海市[9.7946]",
        "黑龙江省[9.8066]",
    };
    ASSERT_EQ(kGravityTable.size(), 33u);
    for (size_t i = 0; i < kGravityTable.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FormatPlaceAndGravity(kGravityTable[i].place, kGravityTable[i].gravity),
                  expected[i]);
    }
    EXPECT_EQ(kGravityTable[0].place, "广东-韶关"); // ASCII hyphen-minus

    const auto [lo, hi] = std::minmax_element(
        kGravityTable.begin(), kGravityTable.end(),
        [](const GravityTableRow& a, const GravityTableRow& b) { return a.gravity < b.gravity; });
    EXPECT_EQ(lo->gravity, 97799);
    EXPECT_EQ(hi->gravity, 98066);
}

TEST(Gravity, NamesByValue)
{
    EXPECT_EQ(PlaceNamesForGravity(97894), "广东-韶关");
    EXPECT_EQ(PlaceNamesForGravity(97936), "浙江省\\湖北省");
    EXPECT_EQ(PlaceNamesForGravity(98015), "新疆\\北京市");
    EXPECT_EQ(PlaceNamesForGravity(98066), "内蒙古\\黑龙江省");
    EXPECT_EQ(PlaceNamesForGravity(97800), "自定义");
    EXPECT_EQ(PlaceNamesForGravity(0), "自定义");
    EXPECT_EQ(PlaceNamesForGravity(-97894), "自定义");

    // Every other value names exactly its own row.
    for (const GravityTableRow& row : kGravityTable) {
        const std::string names = PlaceNamesForGravity(row.gravity);
        if (names.find('\\') == std::string::npos) {
            EXPECT_EQ(names, row.place);
        }
    }
}

TEST(Gravity, DisplayForm)
{
    EXPECT_EQ(FormatGravity(97894), "9.7894");
    EXPECT_EQ(FormatGravity(97900), "9.79");
    EXPECT_EQ(FormatGravity(97920), "9.792");
    EXPECT_EQ(FormatGravity(97970), "9.797");
    EXPECT_EQ(FormatGravity(100000), "10");
    EXPECT_EQ(FormatGravity(0), "0");
    EXPECT_EQ(FormatPlaceAndGravity(PlaceNamesForGravity(12345), 12345), "自定义[1.2345]");
}

TEST(Gravity, Formula)
{
    struct Case {
        double degrees, minutes, seconds, altitude;
        const char* shown;
    };
    const Case cases[] = {
        {0, 0, 0, 0, "9.7803"},      {90, 0, 0, 0, "9.8321"},
        {45, 0, 0, 1000, "9.8031"},  {39, 54, 27, 44, "9.8015"}, // the value of 北京市
        {23, 8, 0, 0, "9.7883"},                                 // the value of 广东
        {0, 0, 0, 8848, "9.7532"},   {30, 0, 0, 0, "9.7933"},
        {0, 1800, 0, 0, "9.7933"},                              // minutes and seconds at face value
        {0, 0, 108000, 0, "9.7933"}, {-23, -8, 0, 0, "9.7883"}, // the sine squared: south as north
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.degrees << " " << c.minutes << " " << c.seconds << " " << c.altitude);
        const double g = GravityAtLatitude(c.degrees, c.minutes, c.seconds, c.altitude);
        EXPECT_EQ(FormatGeneral(g), c.shown);
        EXPECT_EQ(g, std::nearbyint(g * 10000.0) / 10000.0) << "already rounded to four decimals";
    }
}

// These altitudes make g x 10000 exactly a half in IEEE double arithmetic
// (found by search): the half goes to the even neighbour.
TEST(Gravity, FormulaRoundsHalvesToEven)
{
    EXPECT_EQ(FormatGeneral(GravityAtLatitude(0, 0, 0, 16.28535021427524)), "9.7802"); // 97802.5
    EXPECT_EQ(FormatGeneral(GravityAtLatitude(0, 0, 0, 114.00007413976709)), "9.78");  // 97799.5
}
