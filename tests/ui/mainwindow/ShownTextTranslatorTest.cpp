#include "ui/mainwindow/ShownTextTranslator.h"

#include <gtest/gtest.h>

namespace kaldoria::mainwindow {

using startup::InterfaceTexts;
using startup::TextEntry;

namespace {

void setText(TextEntry entry, const char* text) {
    InterfaceTexts.at(static_cast<size_t>(entry)) = QString::fromUtf8(text);
}

} // namespace

TEST(ShownTextTranslatorTest, StatusLinesAreRewrittenFromTheSameTextOfTheNewLanguage) {
    InterfaceTexts.fill(QString());
    setText(TextEntry::UpdateFinished, "Update");
    setText(TextEntry::NothingToUpdate, "Update finished");
    setText(TextEntry::DownloadingPrefix, "Downloading ");
    setText(TextEntry::TotalPrefix, "Total: ");
    setText(TextEntry::FilesFailed, "%1 of %2 files failed");
    setText(TextEntry::DiskFull, "Disk full");
    setText(TextEntry::LanguageLabel, "Language");
    ShownTextTranslator translator;
    translator.remember();

    setText(TextEntry::UpdateFinished, "Aktualisiert");
    setText(TextEntry::NothingToUpdate, "Fertig");
    setText(TextEntry::DownloadingPrefix, "Lade ");
    setText(TextEntry::TotalPrefix, "Gesamt: ");
    setText(TextEntry::FilesFailed, "%2 Dateien, %1 fehlgeschlagen");
    setText(TextEntry::LanguageLabel, "Sprache");
    // Disk full: the new language leaves it out, the old text stays in the table.

    const std::pair<const char*, const char*> cases[] = {
        {"Update finished", "Fertig"}, // the longest text that makes the line wins
        {"Update", "Aktualisiert"},
        {"Downloading data/a.pak", "Lade data/a.pak"},
        {"Total: 42%", "Gesamt: 42%"},
        {"3 of 7 files failed", "7 Dateien, 3 fehlgeschlagen"},
        {"Disk full: 2 MB", "Disk full: 2 MB"},
        {"Language", "Language"}, // not a status text
        {"", ""},
    };
    for (const auto& [shown, expected] : cases)
        EXPECT_EQ(translator.translate(QString::fromUtf8(shown)), QString::fromUtf8(expected)) << shown;
}

} // namespace kaldoria::mainwindow
