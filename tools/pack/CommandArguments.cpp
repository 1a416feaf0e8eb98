#include "CommandArguments.h"

namespace kaldoria::pack {

CommandArguments CommandArguments::parse(const QStringList& args, const QStringList& valueOptions,
                                         const QStringList& flagOptions) {
    CommandArguments result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--help" || arg == u"-h") {
            result.help = true;
        } else if (valueOptions.contains(arg)) {
            if (i + 1 >= args.size()) {
                result.error = u"option %1 needs a value"_qs.arg(arg);
                return result;
            }
            result.options.insert(arg, args[++i]);
        } else if (flagOptions.contains(arg)) {
            result.flags.append(arg);
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            result.error = u"unknown option %1"_qs.arg(arg);
            return result;
        } else {
            result.positional.append(arg);
        }
    }
    return result;
}

QString CommandArguments::required(const QString& option) {
    const QStringList values = options.values(option);
    if (values.size() == 1 && !values.first().isEmpty())
        return values.first();
    if (error.isEmpty())
        error = values.isEmpty() ? u"option %1 is required"_qs.arg(option)
                                 : u"option %1 given more than once"_qs.arg(option);
    return {};
}

} // namespace kaldoria::pack
