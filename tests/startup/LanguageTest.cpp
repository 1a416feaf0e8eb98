#include "startup/InterfaceTexts.h"
#include "startup/tConfigData.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <array>

using namespace kaldoria::startup;

namespace {

const QByteArray kLanguages = "[lang=1033:English]\r\n"
                              "5=Launcher]\r\n"
                              "6=[Checking: ]\r\n"
                              "7=Fetching\r\n"
                              "7=Fetching list\r\n"
                              "101=x\r\n"
                              "-1=x\r\n"
                              "100=[last]\r\n"
                              "[lang=1031:Deutsch]\r\n"
                              "5=Starter\r\n"
                              "7=\r\n"
                              "hello\r\n"
                              "[lang=abc:Broken]\r\n"
                              "1=b\r\n";

struct Languages : ::testing::Test {
    void SetUp() override {
        QBuffer stream;
        stream.setData(kLanguages);
        stream.open(QIODevice::ReadOnly);
        data.ParseConfig(stream);
        data.Config.UserCan_ChangeLanguage = true;
    }
    tConfigData data;
    std::array<QString, 101> texts;
};

} // namespace

TEST_F(Languages, GetLanguageIdByNameFallsBackToTheFirstLanguage) {
    const struct {
        QString name;
        qint32 id;
    } cases[] = {
        {u"English"_qs, 1033},  {u"  deutsch "_qs, 1031}, {u"DEUTSCH"_qs, 1031},
        {u"Francais"_qs, 1033}, {u"Broken"_qs, 1033},     {QString(), 1033},
    };
    for (const auto& c : cases)
        EXPECT_EQ(data.GetLanguageIdByName(c.name), c.id) << c.name.toStdString();
    EXPECT_EQ(tConfigData().GetLanguageIdByName(u"English"_qs), 0);
}

TEST_F(Languages, SetLanguageArrayWritesTheChosenLanguage) {
    data.SetLanguageArray(1033, texts);
    EXPECT_EQ(data.LangNum, 1033);
    EXPECT_EQ(data.LangName, u"English"_qs);
    EXPECT_EQ(texts[5], u"Launcher"_qs);
    EXPECT_EQ(texts[6], u"Checking: "_qs);
    EXPECT_EQ(texts[7], u"Fetching list"_qs);
    EXPECT_EQ(texts[100], u"last"_qs);
    EXPECT_TRUE(texts[0].isEmpty());

    // Entries the next language leaves out or sets empty keep the previous text.
    data.SetLanguageArray(1031, texts);
    EXPECT_EQ(data.LangNum, 1031);
    EXPECT_EQ(data.LangName, u"Deutsch"_qs);
    EXPECT_EQ(texts[5], u"Starter"_qs);
    EXPECT_EQ(texts[6], u"Checking: "_qs);
    EXPECT_EQ(texts[7], u"Fetching list"_qs);
    EXPECT_EQ(texts[0], u"hello"_qs);
}

TEST_F(Languages, UnknownIdsAndFixedDefaultLanguage) {
    data.SetLanguageArray(9999, texts); // no such id: the first language
    EXPECT_EQ(data.LangName, u"English"_qs);

    data.Config.UserCan_ChangeLanguage = false;
    data.Config.DefaultLanguage = u"Deutsch"_qs;
    data.SetLanguageArray(1033, texts); // the argument is ignored
    EXPECT_EQ(data.LangName, u"Deutsch"_qs);

    data.Config.DefaultLanguage = u"Klingon"_qs;
    data.SetLanguageArray(1031, texts);
    EXPECT_EQ(data.LangName, u"English"_qs);

    // An id that is no number: LangNum 0, the texts still apply.
    data.Config.UserCan_ChangeLanguage = true;
    data.LanguageCollection.List.erase(data.LanguageCollection.List.begin(), data.LanguageCollection.List.begin() + 2);
    data.SetLanguageArray(0, texts);
    EXPECT_EQ(data.LangNum, 0);
    EXPECT_EQ(data.LangName, u"Broken"_qs);
    EXPECT_EQ(texts[1], u"b"_qs);
}

TEST_F(Languages, NoLanguagesChangeNothing) {
    tConfigData empty;
    empty.LangName = u"before"_qs;
    InterfaceTexts[3] = u"kept"_qs;
    empty.SetLanguageArray(1033, InterfaceTexts);
    EXPECT_EQ(empty.LangName, u"before"_qs);
    EXPECT_EQ(InterfaceTexts[3], u"kept"_qs);
    EXPECT_EQ(InterfaceTexts.size(), 101u);
}
