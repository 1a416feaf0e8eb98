#include "ui/skinapply/SkinParams.h"

#include <gtest/gtest.h>

using namespace kaldoria::skin;

TEST(SkinParams, IntegerLookups) {
    struct Case {
        QStringList list;
        qint32 left;
    } cases[] = {
        {{u"  Left =  12  \t"_qs}, 12},
        {{u"Left=5"_qs, u"Left=9"_qs}, 5},
        {{u"left=12"_qs}, 0},
        {{u"Left"_qs, u"Left 7"_qs, u"Left=3"_qs}, 3}, // entries without "=" never match
        {{u"Left=$10"_qs}, 16},
        {{u"Left=0x10"_qs}, 16},
        {{u"Left=x10"_qs}, 16},
        {{u"Left=12px"_qs}, 0},
        {{u"Left=-5"_qs}, -5},
        {{u"Left=4294967306"_qs}, 10}, // 2^32 + 10: only the low 32 bits count
        {{u"Left="_qs}, 0},
        {{}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lowBits(GetParamInt(c.list, u"Left"_qs)), c.left) << c.list.join(u'|').toStdString();
    EXPECT_EQ(GetParamInt({u"Left=4294967306"_qs}, u"Left"_qs), 4294967306LL);
}

TEST(SkinParams, TextAndBooleanLookups) {
    const QStringList list{u"\x01 Name = a = b \r"_qs, u"Visible=True"_qs, u"Enabled=true"_qs, u"Bold= true "_qs};
    EXPECT_EQ(GetParamText(list, u"Name"_qs), u"a = b"_qs);
    EXPECT_EQ(GetParamText(list, u"Missing"_qs), QString());
    EXPECT_FALSE(GetParamBool(list, u"Visible"_qs));
    EXPECT_TRUE(GetParamBool(list, u"Enabled"_qs));
    EXPECT_TRUE(GetParamBool(list, u"Bold"_qs));
    EXPECT_FALSE(GetParamBool(list, u"Missing"_qs));
}
