#include "startup/LanguageFolderChoice.h"

#include <gtest/gtest.h>

using kaldoria::startup::LanguageFolderChoice;

TEST(LanguageFolderChoice, ItemsSelectionAndEnabledState) {
    const struct {
        QString config;
        QString saved;
        QStringList items;
        qsizetype selected;
        bool enabled;
        QString langFolder;
    } cases[] = {
        {u"English;system|Deutsch;system_de"_qs, u"Deutsch"_qs, {u"English"_qs, u"Deutsch"_qs}, 1, true, u"Deutsch"_qs},
        {u"English;system|Deutsch;system_de"_qs,
         u"Francais"_qs,
         {u"English"_qs, u"Deutsch"_qs},
         0,
         true,
         u"English"_qs},
        {u"English;system|Deutsch;system_de"_qs, u"deutsch"_qs, {u"English"_qs, u"Deutsch"_qs}, 0, true, u"English"_qs},
        {QString(), u"default"_qs, {u"default"_qs}, 0, false, u"default"_qs},
        {QString(), u"Other"_qs, {u"default"_qs}, 0, false, u"default"_qs},
        {u"Only;x"_qs, u"Only"_qs, {u"Only"_qs}, 0, true, u"Only"_qs},
        {u"Only;x"_qs, u"Else"_qs, {u"Only"_qs}, 0, false, u"Only"_qs},
        {u"B;b|NoSemicolon"_qs, u"B"_qs, {u"B"_qs, QString()}, 0, true, u"B"_qs},
        {u"NoSemicolon|B;b"_qs, u"B"_qs, {u"NoSemicolon|B"_qs}, 0, false, u"NoSemicolon|B"_qs},
        {u" Spaced ;a|;b|"_qs, u"Spaced"_qs, {u"Spaced"_qs, QString()}, 0, true, u"Spaced"_qs},
    };
    for (const auto& c : cases) {
        const LanguageFolderChoice choice = LanguageFolderChoice::choose(c.config, c.saved);
        const std::string what = (c.config + u" / "_qs + c.saved).toStdString();
        EXPECT_EQ(choice.items, c.items) << what;
        EXPECT_EQ(choice.selected, c.selected) << what;
        EXPECT_EQ(choice.enabled, c.enabled) << what;
        EXPECT_EQ(choice.langFolder, c.langFolder) << what;
    }
    EXPECT_EQ(LanguageFolderChoice::choose(QString(), u"x"_qs).configLangFolder, u"default;system"_qs);
}
