#include "startup/tConfigData.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace kaldoria::startup;

namespace {

void parse(tConfigData& data, const QByteArray& text) {
    QBuffer stream;
    stream.setData(text);
    stream.open(QIODevice::ReadOnly);
    data.ParseConfig(stream);
}

QStringList languageLines(const tConfigData& data, std::size_t i) {
    QStringList lines;
    for (const auto& entry : data.LanguageCollection.List.at(i).object->List)
        lines.append(entry.text);
    return lines;
}

} // namespace

TEST(ParseConfig, FullConfigurationFillsEveryRecord) {
    tConfigData data;
    parse(data, "url=http://ignored.before.any.section/\r\n"
                "[config]\r\n"
                "  instance = MyServer  \r\n"
                "trayhint=[ Launcher ]\r\n"
                "defaultlanguage=English\r\n"
                "usercan_changelanguage=TRUE\r\n"
                "defaultautoclose= true \r\n"
                "usercan_changeautoclose=true\n"
                "usercan_changeproxy=yes\n"
                "usercan_changedrivetype=1\n"
                "UserCan_ChangeCheckMethod=True\r"
                "language_folder=English;system|Deutsch;system_de\r\n"
                "[mainwindow]\r\ncaption=Welcome]\r\nfadeeffect=true\r\n"
                "[settingwindow]\r\nfadeeffect=true\r\n"
                "[updateservers]\r\nuseping=true\r\nrandomselect=false\r\n"
                "url=[ http://a.example/ ]\r\nurl=http://b.example/\r\n"
                "[gameproxys]\r\nuseproxy=true\r\nport=abc\r\nport=7777\r\n"
                "proxy=One|10.0.0.1|one.ini\r\nproxy=Two|10.0.0.2|two.ini\r\n"
                "unknownkey=1\r\n[unknown]\r\ninstance=Other\r\n");
    EXPECT_EQ(data.Config.Instance, u"MyServer"_qs);
    EXPECT_EQ(data.Config.TrayHint, u" Launcher "_qs);
    EXPECT_EQ(data.Config.DefaultLanguage, u"English"_qs);
    EXPECT_TRUE(data.Config.UserCan_ChangeLanguage);
    EXPECT_TRUE(data.Config.DefaultAutoClose);
    EXPECT_TRUE(data.Config.UserCan_ChangeAutoClose);
    EXPECT_FALSE(data.Config.UserCan_ChangeProxy);
    EXPECT_FALSE(data.Config.UserCan_ChangeDriveType);
    EXPECT_TRUE(data.Config.UserCan_ChangeCheckMethod);
    EXPECT_EQ(data.Config.LangFolder, u"English;system|Deutsch;system_de"_qs);
    EXPECT_EQ(data.MainWindow.Caption, u"Welcome]"_qs);
    EXPECT_TRUE(data.MainWindow.FadeEffect);
    EXPECT_TRUE(data.SettingsWindow.FadeEffect);
    EXPECT_TRUE(data.UpdateServers.UsePing);
    EXPECT_FALSE(data.UpdateServers.RandomSelect);
    EXPECT_EQ(data.UpdateServers.Servers, (QStringList{u"http://a.example/"_qs, u"http://b.example/"_qs}));
    EXPECT_TRUE(data.ProxyServers.UseProxy);
    EXPECT_EQ(data.ProxyServers.Port, 7777);
    EXPECT_EQ(data.ProxyServers.Servers, (QStringList{u"One|10.0.0.1|one.ini"_qs, u"Two|10.0.0.2|two.ini"_qs}));
}

TEST(ParseConfig, SectionHeaderForms) {
    const struct {
        QByteArray header;
        bool opensConfig;
    } cases[] = {
        {"[Config]", true}, {"[ config ]", true}, {"[config=anything]", true}, {"  [CONFIG]  ", true},
        {"[config", false}, {"[]", false},        {"[configs]", false},        {"[=config]", false},
    };
    for (const auto& c : cases) {
        tConfigData data;
        parse(data, c.header + "\r\ninstance=x\r\n");
        EXPECT_EQ(data.Config.Instance, c.opensConfig ? u"x"_qs : QString()) << c.header.constData();
    }
}

TEST(ParseConfig, ValueReadings) {
    const struct {
        QByteArray line;
        QString instance;
        bool usePing;
        qint32 port;
    } cases[] = {
        {"useping=TRUE", {}, true, 0},      {"useping= true ", {}, true, 0},       {"useping=[ true ]", {}, true, 0},
        {"useping=yes", {}, false, 0},      {"useping=1", {}, false, 0},           {"port=abc", {}, false, 0},
        {"port=$10", {}, false, 16},        {"port= -5", {}, false, -5},           {"port=[42]", {}, false, 42},
        {"instance=[x", u"x"_qs, false, 0}, {"instance=a=b", u"a=b"_qs, false, 0}, {"instance", {}, false, 0},
        {"=value", {}, false, 0},
    };
    for (const auto& c : cases) {
        tConfigData data;
        // Every key below is read in its own section; the others stay untouched.
        parse(data, "[config]\r\n" + c.line + "\r\n[updateservers]\r\n" + c.line + "\r\n[gameproxys]\r\n" + c.line);
        EXPECT_EQ(data.Config.Instance, c.instance) << c.line.constData();
        EXPECT_EQ(data.UpdateServers.UsePing, c.usePing) << c.line.constData();
        EXPECT_EQ(data.ProxyServers.Port, c.port) << c.line.constData();
    }
}

TEST(ParseConfig, LanguageSectionsKeepTheirLinesAndHeaderTextAsWritten) {
    tConfigData data;
    parse(data, "[lang=1033:English]\r\n"
                "  5=Launcher]  \r\n"
                "hello\r\n"
                "[config]\r\ninstance=I\r\n6=not a language line\r\n"
                "[lang = 1031 : Deutsch]\r\n6=Fertig\r\n"
                "[lang=nocolon]\r\n"
                "[lang=7:unterminated\r\n");
    ASSERT_EQ(data.LanguageCollection.List.size(), 4u);
    EXPECT_EQ(data.LanguageCollection.List[0].text, u"1033"_qs);
    EXPECT_EQ(data.LanguageCollection.List[0].object->Item, u"English"_qs);
    EXPECT_EQ(languageLines(data, 0), (QStringList{u"5=Launcher]"_qs, u"hello"_qs}));
    EXPECT_EQ(data.LanguageCollection.List[1].text, u" 1031 "_qs);
    EXPECT_EQ(data.LanguageCollection.List[1].object->Item, u" Deutsch"_qs);
    EXPECT_EQ(languageLines(data, 1), QStringList{u"6=Fertig"_qs});
    EXPECT_EQ(data.LanguageCollection.List[2].text, QString());
    EXPECT_EQ(data.LanguageCollection.List[2].object->Item, u"nocolon"_qs);
    EXPECT_EQ(data.LanguageCollection.List[3].text, u"7"_qs);
    EXPECT_EQ(data.LanguageCollection.List[3].object->Item, QString());
    EXPECT_EQ(data.Config.Instance, u"I"_qs);
    EXPECT_TRUE(data.LanguageCollection.Item.isEmpty());
}

TEST(ParseConfig, EncodingsAndEmptyText) {
    tConfigData utf16;
    parse(utf16, QByteArray::fromHex("fffe") +
                     QByteArray("[\0c\0o\0n\0f\0i\0g\0]\0\n\0i\0n\0s\0t\0a\0n\0c\0e\0=\0\xe9\0", 38));
    EXPECT_EQ(utf16.Config.Instance, u"\u00e9"_qs);

    tConfigData utf8;
    parse(utf8, QByteArray::fromHex("efbbbf") + "[config]\rinstance=\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(utf8.Config.Instance, u"\u00e9t\u00e9"_qs);

    tConfigData empty;
    parse(empty, QByteArray());
    EXPECT_TRUE(empty.Config.Instance.isEmpty());
    EXPECT_TRUE(empty.LanguageCollection.List.empty());
}

TEST(ParseConfig, ReadsFromTheStreamPositionToTheEnd) {
    tConfigData data;
    QBuffer stream;
    stream.setData("instance=skipped\r\n[config]\r\ninstance=kept");
    stream.open(QIODevice::ReadOnly);
    stream.seek(18);
    data.ParseConfig(stream);
    EXPECT_EQ(data.Config.Instance, u"kept"_qs);
}

TEST(ParseConfig, UpdateServerAddressesEndWithASeparator) {
    const struct {
        QByteArray line;
        QString stored;
    } cases[] = {
        {"url=http://a.example/client", u"http://a.example/client/"_qs},
        {"url=[ https://a.example:8443/client ]", u"https://a.example:8443/client/"_qs},
        {"url=http://a.example/client/", u"http://a.example/client/"_qs},
        // A final backslash already separates: the HTTP client turns it into "/".
        {"url=http://a.example/client\\", u"http://a.example/client\\"_qs},
        {"url=", QString()},
        {"url=[ ]", QString()},
    };
    for (const auto& c : cases) {
        tConfigData data;
        parse(data, "[updateservers]\r\n" + c.line + "\r\n[gameproxys]\r\nproxy=One|10.0.0.1|one.ini\r\n");
        EXPECT_EQ(data.UpdateServers.Servers, QStringList{c.stored}) << c.line.constData();
        EXPECT_EQ(data.ProxyServers.Servers, QStringList{u"One|10.0.0.1|one.ini"_qs}) << c.line.constData();
    }
}
