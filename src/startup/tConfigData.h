#pragma once

#include "startup/ConfigRecords.h"
#include "startup/tDebugFile.h"
#include "startup/tMyCollection.h"

#include <QIODevice>
#include <QString>

#include <span>

namespace kaldoria::startup {

// The installation's configuration: the records of the configuration text and its
// languages, and the language last applied to the interface text table.
class tConfigData {
public:
    tMyCollection LanguageCollection; // one entry per language: its id, owning its collection
    QString LangName;                 // display name of the language last applied
    qint32 LangNum = 0;               // id of the language last applied
    tConfigRecord Config;
    tMainWindowRecord MainWindow;
    tSettingsWindowRecord SettingsWindow;
    tUpdateServersRecord UpdateServers;
    tGameProxysRecord ProxyServers;
    tDebugFile* debug_file = nullptr; // the debug log; not owned

    // Writes the decoded configuration stream of the program file's package resource
    // "blank" at `target`'s position, or leaves `target` untouched. Never reports the
    // failure except through the log; the result says whether anything was written.
    bool LoadConfig(QIODevice& target);

    // Reads the configuration text from the stream's position to its end into the records
    // and the language table. Malformed lines contribute nothing.
    void ParseConfig(QIODevice& stream);

    // An update server address as the base that file names are appended to: one "/" is
    // added when it ends in neither "/" nor "\" (the HTTP client turns a backslash into
    // "/"). An empty address stays empty: it names no server.
    static QString UpdateServerBase(const QString& address);

    // The id of the language whose display name is `name` (any case, trimmed); the first
    // language's id when there is no such language or its id is 0 or no number; 0 when
    // there are no languages.
    qint32 GetLanguageIdByName(const QString& name) const;

    // Chooses a language (`langid` when the user may choose, else the default language),
    // records it in LangNum and LangName, and writes its texts into `arr`. Entries the
    // language does not define keep their text. Nothing changes when there is no language.
    void SetLanguageArray(qint32 langid, std::span<QString> arr);

private:
    void parseHeader(const QString& line, QString& section, tMyCollection*& language);
    void storeValue(const QString& section, const QString& line);
};

} // namespace kaldoria::startup
