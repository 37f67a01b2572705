#include "convert/CheckOptions.h"

#include "convert/BoxOptions.h"
#include "translation/Checks.h"

#include <algorithm>
#include <iterator>

namespace scrivlet::convert {

const char kCheckUsage[] =
    "\nQuality checks:\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--reference REF\n"
    "                   [--reference-encoding E1]] [--to-encoding E2] [--checks a,b,...]\n"
    "                   [--glossary G.csv|G.tbx] [--spelling LANG] [--placeholder REGEX]...\n"
    "                   [--tag REGEX]... [--length-ratio N] [--no-start-case N:F]...\n"
    "                   [--box FIELD:FONT:SIZE:WIDTH:LINES[:BREAK]]... --check INPUT\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet [same check options] --check\n"
    "  Prints one JSON line per problem {\"record\", \"field\", \"check\", \"detail\"} (with\n"
    "  \"file\" first for a project), sorted by record, field and check, then a summary\n"
    "  {\"fields\", \"problems\", \"by_check\", \"ignored\"} (problems ignored in the editor,\n"
    "  kept in the project or beside INPUT in INPUT.ignore, are left out and only counted).\n"
    "  Checks: too_long, not_storable, untranslated, empty, placeholders, tags, numbers,\n"
    "  brackets, leading_space, trailing_space, line_breaks, double_space, repeated_word,\n"
    "  end_punctuation, start_case, length_ratio, inconsistent, glossary, spelling, and where\n"
    "  a text box is set too_wide and missing_glyph; without a reference only too_long,\n"
    "  not_storable, too_wide, missing_glyph, double_space, repeated_word and spelling run.\n"
    "  --spelling en|de|pl|ru turns spelling on; --placeholder adds a pattern of the game's own\n"
    "  codes, --tag one of its markup tags (both repeatable); --length-ratio N reports\n"
    "  translations longer than N times or shorter than 1/N of an original of 10 characters or\n"
    "  more (3 by default); --no-start-case N:F lets text field F of format N start in lower\n"
    "  case (repeatable); --to-encoding E2 judges storability in E2; --box lays text field\n"
    "  FIELD into the game's box (see Text boxes, repeatable). With --project, the\n"
    "  project's word list, patterns, length ratio, fields and boxes set in the editor count\n"
    "  too, and inconsistent compares each original's translations across all files. Exit 0\n"
    "  also when problems are found.\n";

namespace {

const char* const kValueOptions[] = {"--checks",        "--glossary", "--spelling",
                                     "--placeholder",   "--tag",      "--length-ratio",
                                     "--no-start-case", "--box"};

bool SetRatio(const QString& value, double* ratio)
{
    bool ok = false;
    *ratio = value.toDouble(&ok);
    return ok && *ratio > 1;
}

}  // namespace

bool IsCheckValueOption(const QString& arg)
{
    return std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                       [&](const char* name) { return arg == QLatin1String(name); });
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
    else if (arg == QLatin1String("--tag"))
        request->tags << value;
    else if (arg == QLatin1String("--no-start-case"))
        request->startCaseOff << value;
    else if (arg == QLatin1String("--placeholder"))
        request->placeholders << value;
    else if (arg == QLatin1String("--box"))
        request->boxes << value;
    else if (!SetRatio(value, &request->lengthRatio))
        *problem = QStringLiteral("--length-ratio must be a number above 1, not '%1'").arg(value);
    return true;
}

QString CheckRequestProblem(const CheckRequest& r)
{
    if (!r.check) {
        if (!r.checks.isEmpty() || !r.glossary.isEmpty() || !r.spelling.isEmpty() ||
            !r.placeholders.isEmpty() || !r.tags.isEmpty() || r.lengthRatio > 0 ||
            !r.startCaseOff.isEmpty() || !r.boxes.isEmpty())
            return QStringLiteral(
                "--checks, --glossary, --spelling, --placeholder, --tag, --length-ratio, "
                "--no-start-case and --box go with --check");
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
    if (r.tags.contains(QString()))
        return QStringLiteral("--tag needs a pattern");
    for (const QString& field : r.startCaseOff) {
        if (!FormatFieldNamed(field))
            return QStringLiteral("--no-start-case takes FORMAT:FIELD (numbers), not '%1'")
                .arg(field);
    }
    for (const QString& argument : r.boxes) {
        if (QString problem; !ParseBoxArgument(argument, &problem))
            return problem;
    }
    return {};
}

}  // namespace scrivlet::convert
