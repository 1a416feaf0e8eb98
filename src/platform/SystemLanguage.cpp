#include "platform/SystemLanguage.h"

#include <QLocale>
#include <QString>

namespace kaldoria::platform {

namespace {

struct LanguageId {
    const char* name; // locale name, or language alone for its default country
    int id;
};

const LanguageId kIds[] = {
    {"en_US", 1033}, {"en_GB", 2057}, {"en", 1033}, {"de_AT", 3079}, {"de_CH", 2055}, {"de", 1031},    {"fr_BE", 2060},
    {"fr_CA", 3084}, {"fr_CH", 4108}, {"fr", 1036}, {"es_MX", 2058}, {"es", 3082},    {"pt_BR", 1046}, {"pt", 2070},
    {"it", 1040},    {"nl", 1043},    {"pl", 1045}, {"ru", 1049},    {"uk", 1058},    {"cs", 1029},    {"sk", 1051},
    {"hu", 1038},    {"ro", 1048},    {"bg", 1026}, {"el", 1032},    {"tr", 1055},    {"sv", 1053},    {"da", 1030},
    {"fi", 1035},    {"nb", 1044},    {"ja", 1041}, {"ko", 1042},    {"zh_TW", 1028}, {"zh", 2052},
};

} // namespace

int systemLanguageId() {
    const QString full = QLocale::system().name();
    const QString language = full.section(QLatin1Char('_'), 0, 0);
    for (const LanguageId& entry : kIds) {
        if (full == QLatin1String(entry.name))
            return entry.id;
    }
    for (const LanguageId& entry : kIds) {
        if (language == QLatin1String(entry.name))
            return entry.id;
    }
    return 1033;
}

} // namespace kaldoria::platform
