#pragma once

#include <QMultiMap>
#include <QString>
#include <QStringList>

namespace kaldoria::pack {

// The arguments of one subcommand: positional words, options that take a value ("-o FILE",
// "--skin DIR") and options that stand alone ("--chunks"). Anything else that starts with
// "-" is an error, as is an option without its value; "--help" or "-h" sets `help`.
struct CommandArguments {
    QStringList positional;
    QMultiMap<QString, QString> options;
    QStringList flags;
    bool help = false;
    QString error;

    static CommandArguments parse(const QStringList& args, const QStringList& valueOptions,
                                  const QStringList& flagOptions = {});

    // The single value of a required option, or an empty string after setting `error`.
    QString required(const QString& option);
};

} // namespace kaldoria::pack
