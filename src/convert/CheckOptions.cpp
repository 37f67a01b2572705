#include "convert/CheckOptions.h"

#include "translation/Checks.h"

namespace scrivlet::convert {

const char kCheckUsage[] =
    "\nQuality checks:\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--reference REF\n"
    "                   [--reference-encoding E1]] [--to-encoding E2] [--checks a,b,...]\n"
    "                   [--glossary G.csv|G.tbx] [--spelling LANG] [--placeholder REGEX]...\n"
    "                   --check INPUT\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet [same check options] --check\n"
    "  Prints one JSON line per problem {\"record\", \"field\", \"check\", \"detail\"} (with\n"
    "  \"file\" first for a project), sorted by record, field and check, then a summary\n"
    "  {\"fields\", \"problems\", \"by_check\", \"ignored\"} (problems ignored in the editor,\n"
    "  kept in the project or beside INPUT in INPUT.ignore, are left out and only counted).\n"
    "  Checks: too_long, not_storable, untranslated,\n"
    "  empty, placeholders, numbers, leading_space, trailing_space, line_breaks,\n"
    "  double_space, end_punctuation, inconsistent, glossary, spelling; without a reference\n"
    "  only too_long, not_storable, double_space and spelling run. --spelling en|de|pl|ru\n"
    "  turns spelling on; --placeholder adds a pattern of the game's own codes (repeatable);\n"
    "  --to-encoding E2 judges storability in E2. With --project, inconsistent compares\n"
    "  each original's translations across all files. Exit 0 also when problems are found.\n";

bool IsCheckValueOption(const QString& arg)
{
    return arg == QLatin1String("--checks") || arg == QLatin1String("--glossary") ||
           arg == QLatin1String("--spelling") || arg == QLatin1String("--placeholder");
}

bool TakeCheckOption(const QStringList& args, int& i, CheckRequest* request, QString* problem)
{
    const QString& arg = args[i];
    if (arg == QLatin1String("--check")) {
        request->check = true;
        return true;
    }
    if (!IsCheckValueOption(arg))
        return false;
    if (i + 1 >= args.size()) {
        *problem = QStringLiteral("%1 needs a value").arg(arg);
        return true;
    }
    const QString& value = args[++i];
    if (arg == QLatin1String("--checks"))
        request->checks = value.split(u',', Qt::SkipEmptyParts);
    else if (arg == QLatin1String("--glossary"))
        request->glossary = value;
    else if (arg == QLatin1String("--spelling"))
        request->spelling = value;
    else
        request->placeholders << value;
    return true;
}

QString CheckRequestProblem(const CheckRequest& r)
{
    if (!r.check) {
        if (!r.checks.isEmpty() || !r.glossary.isEmpty() || !r.spelling.isEmpty() ||
            !r.placeholders.isEmpty())
            return QStringLiteral(
                "--checks, --glossary, --spelling and --placeholder go with --check");
        return {};
    }
    for (const QString& name : r.checks) {
        if (!CheckNamed(name))
            return QStringLiteral("unknown check '%1'").arg(name);
    }
    if (r.checks.contains(QLatin1String("spelling")) && r.spelling.isEmpty())
        return QStringLiteral("the spelling check needs --spelling LANG");
    static const QStringList languages = {"en", "de", "pl", "ru"};
    if (!r.spelling.isEmpty() && !languages.contains(r.spelling))
        return QStringLiteral("--spelling must be en, de, pl or ru, not '%1'").arg(r.spelling);
    if (r.placeholders.contains(QString()))
        return QStringLiteral("--placeholder needs a pattern");
    return {};
}

}  // namespace scrivlet::convert
