#include "startup/tConfigData.h"

#include "platform/IntegerText.h"
#include "platform/ProgramResources.h"
#include "platform/TextCodec.h"
#include "startup/ConfigLine.h"
#include "startup/ConfigPackage.h"

#include <functional>

namespace kaldoria::startup {

using platform::integer32Or0;
using platform::TextCodec;

namespace {

// The three readings of a value: as written, as an integer, as a Boolean.
struct ConfigValue {
    QString text;
    qint32 number = 0;
    bool flag = false;
};

struct ConfigKey {
    QStringView section;
    QStringView key;
    std::function<void(tConfigData&, const ConfigValue&)> store;
};

const ConfigKey kConfigKeys[] = {
    {u"config", u"instance", [](tConfigData& d, const ConfigValue& v) { d.Config.Instance = v.text; }},
    {u"config", u"trayhint", [](tConfigData& d, const ConfigValue& v) { d.Config.TrayHint = v.text; }},
    {u"config", u"defaultlanguage", [](tConfigData& d, const ConfigValue& v) { d.Config.DefaultLanguage = v.text; }},
    {u"config", u"usercan_changelanguage",
     [](tConfigData& d, const ConfigValue& v) { d.Config.UserCan_ChangeLanguage = v.flag; }},
    {u"config", u"defaultautoclose", [](tConfigData& d, const ConfigValue& v) { d.Config.DefaultAutoClose = v.flag; }},
    {u"config", u"usercan_changeautoclose",
     [](tConfigData& d, const ConfigValue& v) { d.Config.UserCan_ChangeAutoClose = v.flag; }},
    {u"config", u"usercan_changeproxy",
     [](tConfigData& d, const ConfigValue& v) { d.Config.UserCan_ChangeProxy = v.flag; }},
    {u"config", u"usercan_changedrivetype",
     [](tConfigData& d, const ConfigValue& v) { d.Config.UserCan_ChangeDriveType = v.flag; }},
    {u"config", u"usercan_changecheckmethod",
     [](tConfigData& d, const ConfigValue& v) { d.Config.UserCan_ChangeCheckMethod = v.flag; }},
    {u"config", u"language_folder", [](tConfigData& d, const ConfigValue& v) { d.Config.LangFolder = v.text; }},
    {u"mainwindow", u"caption", [](tConfigData& d, const ConfigValue& v) { d.MainWindow.Caption = v.text; }},
    {u"mainwindow", u"fadeeffect", [](tConfigData& d, const ConfigValue& v) { d.MainWindow.FadeEffect = v.flag; }},
    {u"settingwindow", u"fadeeffect",
     [](tConfigData& d, const ConfigValue& v) { d.SettingsWindow.FadeEffect = v.flag; }},
    {u"updateservers", u"useping", [](tConfigData& d, const ConfigValue& v) { d.UpdateServers.UsePing = v.flag; }},
    {u"updateservers", u"randomselect",
     [](tConfigData& d, const ConfigValue& v) { d.UpdateServers.RandomSelect = v.flag; }},
    {u"updateservers", u"url",
     [](tConfigData& d, const ConfigValue& v) {
         d.UpdateServers.Servers.append(tConfigData::UpdateServerBase(TextCodec::trimControls(v.text)));
     }},
    {u"gameproxys", u"useproxy", [](tConfigData& d, const ConfigValue& v) { d.ProxyServers.UseProxy = v.flag; }},
    {u"gameproxys", u"port", [](tConfigData& d, const ConfigValue& v) { d.ProxyServers.Port = v.number; }},
    {u"gameproxys", u"proxy",
     [](tConfigData& d, const ConfigValue& v) { d.ProxyServers.Servers.append(TextCodec::trimControls(v.text)); }},
};

} // namespace

bool tConfigData::LoadConfig(QIODevice& target) {
    if (debug_file)
        debug_file->WriteErr(QStringLiteral("  try load config"));
    const auto decoded =
        ConfigPackage::decode(platform::ProgramResources::readOwn(QStringLiteral("blank")), debug_file);
    if (!decoded)
        return false;
    return target.write(*decoded) == decoded->size();
}

void tConfigData::ParseConfig(QIODevice& stream) {
    QString section;
    tMyCollection* language = nullptr;
    for (const QString& raw : TextCodec::decodeLines(stream.readAll())) {
        const QString line = TextCodec::trimControls(raw);
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'['))
            parseHeader(line, section, language);
        else if (section == u"lang") {
            if (language)
                language->List.push_back({line, nullptr});
        } else
            storeValue(section, line);
    }
}

// '[name]', '[name=anything]', or '[lang=ID:NAME]', which also declares a language.
void tConfigData::parseHeader(const QString& line, QString& section, tMyCollection*& language) {
    section = ConfigLine::headerSection(line);
    if (section != u"lang")
        return;
    QString rest = line.mid(ConfigLine::headerNameEnd(line) + 1);
    const qsizetype colon = rest.indexOf(u':');
    const QString id = colon < 0 ? QString() : rest.left(colon);
    rest.remove(0, colon + 1);
    const qsizetype close = rest.indexOf(u']');
    auto collection = std::make_unique<tMyCollection>();
    collection->Item = close < 0 ? QString() : rest.left(close);
    language = collection.get();
    LanguageCollection.List.push_back({id, std::move(collection)});
}

void tConfigData::storeValue(const QString& section, const QString& line) {
    const std::optional<ConfigEntry> entry = ConfigLine::entry(line);
    if (!entry)
        return; // no key: nothing in any section matches it
    const QString& value = entry->value;
    const ConfigValue reading{value, integer32Or0(value), TextCodec::trimControls(value).toLower() == u"true"};
    for (const ConfigKey& k : kConfigKeys) {
        if (k.section == section && k.key == entry->key) {
            k.store(*this, reading);
            return;
        }
    }
}

QString tConfigData::UpdateServerBase(const QString& address) {
    if (address.isEmpty() || address.endsWith(u'/') || address.endsWith(u'\\'))
        return address;
    return address + u'/';
}

qint32 tConfigData::GetLanguageIdByName(const QString& name) const {
    const QString wanted = TextCodec::trimControls(name).toLower();
    qint32 result = 0;
    for (const tMyCollection::Entry& language : LanguageCollection.List) {
        if (language.object->Item.toLower() == wanted) {
            result = integer32Or0(language.text);
            break;
        }
    }
    if (result == 0 && !LanguageCollection.List.empty())
        return integer32Or0(LanguageCollection.List.front().text);
    return result;
}

void tConfigData::SetLanguageArray(qint32 langid, std::span<QString> arr) {
    const auto& languages = LanguageCollection.List;
    if (languages.empty())
        return;
    const QString idText =
        QString::number(Config.UserCan_ChangeLanguage ? langid : GetLanguageIdByName(Config.DefaultLanguage));
    auto chosen = std::find_if(languages.begin(), languages.end(),
                               [&](const tMyCollection::Entry& language) { return language.text == idText; });
    if (chosen == languages.end())
        chosen = languages.begin();
    LangNum = integer32Or0(chosen->text);
    LangName = chosen->object->Item;

    for (const tMyCollection::Entry& entry : chosen->object->List) {
        const QString& line = entry.text;
        const qsizetype eq = line.indexOf(u'=');
        const qint32 index = eq < 0 ? 0 : integer32Or0(TextCodec::trimControls(line.left(eq)));
        if (index < 0 || std::size_t(index) >= arr.size())
            continue;
        QString value = TextCodec::trimControls(line.mid(eq + 1));
        if (value.isEmpty())
            continue;
        if (value.startsWith(u'['))
            value.remove(0, 1);
        if (value.endsWith(u']'))
            value.chop(1);
        arr[std::size_t(index)] = value;
    }
}

} // namespace kaldoria::startup
