#pragma once

#include <QString>

#include <array>

namespace kaldoria::startup {

// The interface text table: entries 0 to 100 holding the current language's texts.
// Only tConfigData::SetLanguageArray writes it.
extern std::array<QString, 101> InterfaceTexts;

// The entries of the table that the launcher shows, by role.
enum class TextEntry : int {
    NewsPage = 0,          // address of the main window's news page
    UnpackingPrefix = 1,   // status before the name of a file being unpacked
    CheckedPrefix = 2,     // status before the name of a file whose check is done
    NothingToUpdate = 3,   // the check found nothing to update
    DownloadingPrefix = 4, // status before the name of a file being downloaded
    UpdateFinished = 5,
    FullCheckFinished = 6,
    FetchingList = 7,
    CheckAllHint = 8,
    StartGameHint = 9,
    SettingsTitle = 12,
    LanguageLabel = 13,
    AutoCloseLabel = 14,
    NoUpdateServer = 15,
    NoGameServer = 18,
    GameServerLabel = 20,
    GameServerSilent = 21, // the chosen game server does not answer
    DiskTypeLabel = 22,
    CheckMethodLabel = 23,
    TotalPrefix = 24,         // before the total percentage
    LanguageFolderLabel = 25, // beside the client language box
    FilesFailed = 26,         // files could not be updated ("%1": how many)
    DiskFull = 27,            // the disk is full ("%1": needed, "%2": free)
    // What the player sees of fixed choices; the values stored in the user settings stay
    // the English ones. Each has an English default for languages that leave it out.
    OkButton = 28,
    AutomaticProxy = 29, // the game server choice "Auto"
    DiskHdd = 30,
    DiskSsd = 31,
    CheckHard = 32,
    CheckMedium = 33,
    CheckLight = 34,
    NewsPlaceholder = 35, // seen in the news panel until the news page arrives
    RetryButton = 36,     // the message panel's button that runs the update again
    RateLimitLabel = 37,  // the settings window's label of the download limit
    NoRateLimit = 38,     // what the download limit shows when there is none
};

// The current language's text of `entry`.
QString interfaceText(TextEntry entry);

// The current language's text of `entry`, or its English default when the language leaves
// it empty (the entries from OkButton on have one; the others default to empty).
QString interfaceTextOrDefault(TextEntry entry);

} // namespace kaldoria::startup
