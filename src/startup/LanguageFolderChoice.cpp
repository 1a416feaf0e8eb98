#include "startup/LanguageFolderChoice.h"

#include "platform/TextCodec.h"

namespace kaldoria::startup {

LanguageFolderChoice LanguageFolderChoice::choose(const QString& configLangFolder, const QString& savedName) {
    LanguageFolderChoice choice;
    choice.configLangFolder = configLangFolder;
    choice.langFolder = savedName;
    if (choice.configLangFolder.isEmpty()) {
        choice.configLangFolder = QStringLiteral("default;system");
        choice.enabled = false;
    }
    QString work = choice.configLangFolder;
    while (!work.isEmpty()) {
        // The display name is the text before the first ";", empty when there is none.
        const qsizetype semicolon = work.indexOf(u';');
        const QString name = semicolon < 0 ? QString() : platform::TextCodec::trimControls(work.left(semicolon));
        choice.items.append(name);
        work.remove(0, semicolon + 1);
        if (name == choice.langFolder) {
            choice.selected = choice.items.size() - 1;
            choice.langFolder = name;
        }
        const qsizetype bar = work.indexOf(u'|');
        work = bar < 0 ? QString() : work.mid(bar + 1);
    }
    if (choice.selected < 0) {
        choice.selected = 0;
        choice.langFolder = choice.items.first();
        if (choice.items.size() < 2)
            choice.enabled = false;
    }
    return choice;
}

} // namespace kaldoria::startup
