#include "convert/ConvertOptions.h"

#include "documents/Encodings.h"
#include "exchange/Exchange.h"
#include "search/Search.h"
#include "translation/FieldStates.h"

namespace scrivlet::convert {

const char kUsage[] =
    "Usage:\n"
    "  scrivlet-convert [COMMON] --list-formats\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--yes] --dump INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2] [--yes]\n"
    "                   [--strict] INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--yes] --find TEXT [MATCH]\n"
    "                   INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2] [--yes]\n"
    "                   --find TEXT [MATCH] --replace-with R INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--yes] [--reference REF\n"
    "                   [--reference-encoding E2]] --export-po|--export-xliff OUT INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2] [--yes]\n"
    "                   [--include-fuzzy] [--strict] --import-po|--import-xliff IN\n"
    "                   INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2]\n"
    "                   [--reference REF [--reference-encoding E3]] --stats INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--reference-encoding E1]\n"
    "                   --old-reference OLD --reference NEW --update INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--reference-encoding E1]\n"
    "                   --reference REF --propagate INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--reference REF] --states INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--reference REF] --set-state\n"
    "                   --record R --field F --state needs_work|translated|approved\n"
    "                   [--comment TEXT] INPUT\n"
    "\n"
    "COMMON:\n"
    "  --language en|de|pl|ru  interface language of the messages and the catalogue\n"
    "                          (default en: formats.en.ini beside this program)\n"
    "  --catalogue FILE        read the formats from FILE instead\n"
    "\n"
    "  --list-formats   print the catalogue as a JSON array\n"
    "  --format N|auto  format index in the catalogue, or detect it from INPUT's path\n"
    "  --encoding E     encoding of INPUT: 0 English, 1 German, 2 Polish (Kestrel 2),\n"
    "                   3 Russian, 4 Unicode\n"
    "  --to-encoding E2 encoding of OUTPUT (default: E)\n"
    "  --yes            open a file whose size is no whole number of records\n"
    "  --dump           print each record of INPUT as a JSON array of its cell texts\n"
    "  --find TEXT      print each match in INPUT as a JSON line {\"record\": R, \"field\": F,\n"
    "                   \"start\": S, \"length\": L}: record and field counted from 0 (field\n"
    "                   counts the text fields), start and length in UTF-16 units\n"
    "  --replace-with R replace every match, write OUTPUT and print {\"replaced\": N,\n"
    "                   \"records\": M, \"skipped_too_long\": K}; a field whose text with all\n"
    "                   its replacements would be longer than the field stays as it is\n"
    "  --export-po OUT, --export-xliff OUT\n"
    "                   write every non-empty text field of INPUT as a translation entry\n"
    "                   named \"record:field\"; with --reference the source texts are REF's\n"
    "                   and INPUT's differing texts the translations (REF is read in E2,\n"
    "                   default E, in INPUT's format)\n"
    "  --import-po IN, --import-xliff IN\n"
    "                   put the translations of IN into INPUT's fields, write OUTPUT and\n"
    "                   print {\"imported\": N, \"unchanged\": U, \"fuzzy_skipped\": F,\n"
    "                   \"too_long\": L, \"unknown\": K, \"not_storable\": S,\n"
    "                   \"duplicate\": D}; a translation longer than its field or not\n"
    "                   storable in the output's encoding, an unknown name, a later entry\n"
    "                   for a field already given (a duplicate) and (unless\n"
    "                   --include-fuzzy) a fuzzy entry are left out; --strict fails when a\n"
    "                   translation cannot be stored in the output's encoding\n"
    "  --strict         fail (status 1) instead of saving characters OUTPUT's encoding\n"
    "                   changes, and list them (with an import: see above)\n"
    "  --stats          print INPUT's translation counts as one JSON object {\"records\",\n"
    "                   \"fields\", \"empty\", \"same_as_reference\" (with --reference),\n"
    "                   \"translated\", \"too_long\", \"not_storable\"}; not storable in\n"
    "                   E2 when given, else in E\n"
    "  --reference REF  the original INPUT is compared with (INPUT's format; encoding\n"
    "                   --reference-encoding, default E), for --stats and the exports\n"
    "  --update         carry INPUT, the translation of OLD, over to NEW (both read in E1,\n"
    "                   default E): records equal in OLD and NEW keep their translation,\n"
    "                   rewritten ones keep it where their text stayed, new ones take NEW's\n"
    "                   texts; write OUTPUT (not INPUT), print {\"record\": R, \"field\": F,\n"
    "                   \"reason\": \"changed\"|\"new\"} for each field to review, then\n"
    "                   {\"records\", \"kept\", \"moved\", \"changed\", \"new\", \"removed\"}\n"
    "                   (and \"fallback\": true where a long stretch was paired by position)\n"
    "  --propagate      give each untranslated field of INPUT (empty, or equal to REF's) the\n"
    "                   translation the other fields with the same REF text have, where they\n"
    "                   all have the same one and it fits; write OUTPUT and print\n"
    "                   {\"groups\": G, \"filled\": F, \"conflicting\": C}: G originals with\n"
    "                   translated and untranslated fields, C of them left alone because\n"
    "                   their translations differ\n"
    "  --states         print {\"file\", \"record\", \"field\", \"state\", \"comment\"} for each\n"
    "                   field of INPUT with a state or a comment, kept in INPUT.states\n"
    "  --set-state      set one field's state (and comment) in INPUT.states; translated\n"
    "                   is kept only for a text the same as REF's\n"
    "MATCH: --match-case, --whole-word, --regex (then $1 to $9 and $& in R insert the\n"
    "       groups and the match, $$ a '$'). Without --match-case the case is ignored.\n"
    "Files ending in .edt (any case) are record files, all others text files.\n"
    "Exit status: 0 success (also when nothing matched), 1 failed load or save, a\n"
    "refused translation file or (--strict) a text not storable, 2 usage error or\n"
    "invalid pattern.\n";

namespace {

// Words that stand alone and set a flag.
struct Switch {
    QLatin1StringView name;
    bool Options::*member;
};

const Switch kSwitches[] = {
    {QLatin1StringView("--help"), &Options::help},
    {QLatin1StringView("-h"), &Options::help},
    {QLatin1StringView("--list-formats"), &Options::listFormats},
    {QLatin1StringView("--dump"), &Options::dump},
    {QLatin1StringView("--yes"), &Options::yes},
    {QLatin1StringView("--include-fuzzy"), &Options::includeFuzzy},
    {QLatin1StringView("--strict"), &Options::strict},
    {QLatin1StringView("--stats"), &Options::stats},
    {QLatin1StringView("--update"), &Options::update},
    {QLatin1StringView("--propagate"), &Options::propagate},
    {QLatin1StringView("--states"), &Options::states},
    {QLatin1StringView("--set-state"), &Options::setState},
};

struct SearchSwitch {
    QLatin1StringView name;
    quint32 flag;
};

const SearchSwitch kSearchSwitches[] = {
    {QLatin1StringView("--match-case"), kSearchMatchCase},
    {QLatin1StringView("--whole-word"), kSearchWholeWord},
    {QLatin1StringView("--regex"), kSearchRegex},
};

std::optional<int> ParseEncoding(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value >= kEncodingCount)
        return std::nullopt;
    return value;
}

// Options that take the next word. missing (with %1 the option) is told when there is none;
// apply takes the word and says what is wrong with it.
struct ValueOption {
    QLatin1StringView name;
    const char* missing;
    QString (*apply)(Options* options, const QString& arg, const QString& value);
};

QString SetEncoding(std::optional<int>* target, const QString& arg, const QString& value)
{
    *target = ParseEncoding(value);
    return *target ? QString() : QStringLiteral("%1 must be 0 to 4, not '%2'").arg(arg, value);
}

QString SetNumber(int* target, const QString& arg, const QString& value)
{
    bool ok = false;
    *target = value.toInt(&ok);
    return ok && *target >= 0 ? QString() : QStringLiteral("%1 takes a number from 0").arg(arg);
}

const ValueOption kValueOptions[] = {
    {QLatin1StringView("--record"), "%1 needs a number",
     [](Options* o, const QString& a, const QString& v) {
         return SetNumber(&o->stateRequest.record, a, v);
     }},
    {QLatin1StringView("--field"), "%1 needs a number",
     [](Options* o, const QString& a, const QString& v) {
         return SetNumber(&o->stateRequest.field, a, v);
     }},
    {QLatin1StringView("--state"), "%1 needs a value",
     [](Options* o, const QString&, const QString& v) {
         return o->stateRequest.state = v, QString();
     }},
    {QLatin1StringView("--comment"), "%1 needs a text",
     [](Options* o, const QString&, const QString& v) {
         return o->stateRequest.comment = v, QString();
     }},
    {QLatin1StringView("--find"), "%1 needs a text",
     [](Options* o, const QString&, const QString& v) { return o->find = v, QString(); }},
    {QLatin1StringView("--replace-with"), "%1 needs a text",
     [](Options* o, const QString&, const QString& v) { return o->replaceWith = v, QString(); }},
    {QLatin1StringView("--language"), "%1 needs a value",
     [](Options* o, const QString&, const QString& v) { return o->language = v, QString(); }},
    {QLatin1StringView("--catalogue"), "%1 needs a file",
     [](Options* o, const QString&, const QString& v) { return o->catalogue = v, QString(); }},
    {QLatin1StringView("--format"), "%1 needs an index or auto",
     [](Options* o, const QString&, const QString& v) { return o->format = v, QString(); }},
    {QLatin1StringView("--encoding"), "%1 needs a value",
     [](Options* o, const QString& a, const QString& v) {
         return SetEncoding(&o->encoding, a, v);
     }},
    {QLatin1StringView("--to-encoding"), "%1 needs a value",
     [](Options* o, const QString& a, const QString& v) {
         return SetEncoding(&o->toEncoding, a, v);
     }},
    {QLatin1StringView("--reference"), "%1 needs a file",
     [](Options* o, const QString&, const QString& v) { return o->reference = v, QString(); }},
    {QLatin1StringView("--old-reference"), "%1 needs a file",
     [](Options* o, const QString&, const QString& v) { return o->oldReference = v, QString(); }},
    {QLatin1StringView("--reference-encoding"), "%1 must be 0 to 4",
     [](Options* o, const QString& a, const QString& v) {
         o->referenceEncoding = ParseEncoding(v);
         return o->referenceEncoding ? QString() : QStringLiteral("%1 must be 0 to 4").arg(a);
     }},
};

// Takes args[i] (and its value, moving i past it).
QString ParseOne(const QStringList& args, int& i, Options* options)
{
    const QString& arg = args[i];
    if (QString problem; TakeCheckOption(args, i, &options->checkRequest, &problem))
        return problem;
    for (const Switch& option : kSwitches) {
        if (arg == option.name)
            return options->*option.member = true, QString();
    }
    for (const SearchSwitch& option : kSearchSwitches) {
        if (arg == option.name)
            return options->searchFlags |= option.flag, QString();
    }
    const ValueOption* valueOption = nullptr;
    for (const ValueOption& option : kValueOptions) {
        if (arg == option.name)
            valueOption = &option;
    }
    bool exporting = false;
    const TranslationFileFormat* exchange = ExchangeOption(arg, &exporting);
    if (!valueOption && !exchange) {
        if (arg.startsWith(QLatin1String("--")))
            return QStringLiteral("unknown option %1").arg(arg);
        options->files.append(arg);
        return {};
    }
    if (i + 1 >= args.size())
        return QString::fromLatin1(valueOption ? valueOption->missing : "%1 needs a file").arg(arg);
    const QString& value = args[++i];
    if (valueOption)
        return valueOption->apply(options, arg, value);
    (exporting ? options->exportPath : options->importPath) = value;
    options->exchangeFormat = exchange;
    return {};
}

QLatin1StringView ExchangePrefix(bool exporting)
{
    return QLatin1StringView(exporting ? "--export-" : "--import-");
}

QString CheckSearch(const Options& o)
{
    if (o.format.isEmpty())
        return QStringLiteral("--format is missing");
    if (!o.encoding)
        return QStringLiteral("--encoding is missing");
    if (o.find && o.find->isEmpty())
        return QStringLiteral("--find needs a text");
    if (!o.find && (o.replaceWith || o.searchFlags))
        return QStringLiteral(
            "--replace-with, --match-case, --whole-word and --regex go with "
            "--find");
    if (o.find && o.dump)
        return QStringLiteral("--find does not go with --dump");
    return {};
}

QString CheckExchange(const Options& o)
{
    if ((o.Exporting() || o.Importing()) &&
        (o.find || o.dump || o.stats || (o.Exporting() && o.Importing())))
        return QStringLiteral(
            "one of --dump, --find, --stats, --export-* and --import-* at a time");
    if ((!o.reference.isEmpty() || o.referenceEncoding) && !o.Exporting() && !o.stats &&
        !o.update && !o.propagate && !o.checkRequest.check && !o.states && !o.setState)
        return QStringLiteral(
                   "--reference and --reference-encoding go with --stats, --update, --propagate, "
                   "--check, ") +
               ExchangeOptions(true);
    if (o.referenceEncoding && o.reference.isEmpty())
        return QStringLiteral("--reference-encoding goes with --reference");
    if (o.includeFuzzy && !o.Importing())
        return QStringLiteral("--include-fuzzy goes with ") + ExchangeOptions(false);
    if (o.strict && o.Exporting())
        return QStringLiteral("--strict does not go with ") + ExchangeOptions(true);
    if (o.stats && (o.find || o.dump || o.strict))
        return QStringLiteral("--stats goes with none of --find, --dump and --strict");
    return {};
}

QString CheckUpdate(const Options& o)
{
    if (!o.update)
        return o.oldReference.isEmpty() ? QString()
                                        : QStringLiteral("--old-reference goes with --update");
    if (o.oldReference.isEmpty() || o.reference.isEmpty())
        return QStringLiteral("--update needs --old-reference OLD and --reference NEW");
    if (o.find || o.dump || o.stats || o.Exporting() || o.Importing() || o.strict)
        return QStringLiteral("--update goes with none of the other modes");
    if (o.files.size() != 2)
        return QStringLiteral("--update takes INPUT and OUTPUT");
    return {};
}

QString CheckPropagate(const Options& o)
{
    if (!o.propagate)
        return {};
    if (o.reference.isEmpty())
        return QStringLiteral("--propagate needs --reference REF");
    if (o.find || o.dump || o.stats || o.Exporting() || o.Importing() || o.update ||
        o.checkRequest.check)
        return QStringLiteral("--propagate goes with none of the other modes");
    return {};
}

QString CheckChecks(const Options& o)
{
    if (const QString problem = CheckRequestProblem(o.checkRequest); !problem.isEmpty())
        return problem;
    if (!o.checkRequest.check)
        return {};
    if (o.find || o.dump || o.stats || o.strict || o.Exporting() || o.Importing())
        return QStringLiteral("--check goes with none of the other modes");
    // --to-encoding names the encoding storability is judged in.
    return o.files.size() == 1 ? QString() : QStringLiteral("--check takes one INPUT");
}

QString CheckStates(const Options& o)
{
    const StateRequest& request = o.stateRequest;
    if (!o.setState &&
        (request.record >= 0 || request.field >= 0 || !request.state.isEmpty() || request.comment))
        return QStringLiteral("--record, --field, --state and --comment go with --set-state");
    if (!o.states && !o.setState)
        return {};
    if (o.states && o.setState)
        return QStringLiteral("one of --states and --set-state at a time");
    if (o.find || o.dump || o.stats || o.strict || o.Exporting() || o.Importing() || o.update ||
        o.propagate || o.checkRequest.check)
        return QStringLiteral("--states and --set-state go with none of the other modes");
    if (o.files.size() != 1)
        return QStringLiteral("%1 takes one INPUT").arg(o.states ? "--states" : "--set-state");
    return o.setState ? StateRequestProblem(request) : QString();
}

QString CheckFiles(const Options& o)
{
    if (o.checkRequest.check || o.states || o.setState)
        return {};
    if (o.stats) {
        // --to-encoding names the encoding the counts judge storability in.
        return o.files.size() == 1 ? QString() : QStringLiteral("--stats takes one INPUT");
    }
    if (o.Exporting() && (o.files.size() != 1 || o.toEncoding))
        return QStringLiteral("an export takes one INPUT");
    // Listing the matches reads INPUT only, like --dump.
    const bool readOnly = o.dump || o.Exporting() || (o.find && !o.replaceWith);
    if (readOnly && o.files.size() != 1)
        return QStringLiteral("%1 takes one INPUT").arg(o.dump ? "--dump" : "--find");
    if (!readOnly && o.files.size() != 2)
        return QStringLiteral("give INPUT and OUTPUT");
    if (readOnly && o.toEncoding)
        return QStringLiteral("--to-encoding needs an OUTPUT");
    if (readOnly && o.strict)
        return QStringLiteral("--strict needs an OUTPUT");
    return {};
}

}  // namespace

const TranslationFileFormat* ExchangeOption(const QString& arg, bool* exporting)
{
    for (const bool out : {true, false}) {
        if (arg.startsWith(ExchangePrefix(out))) {
            *exporting = out;
            return TranslationFormatNamed(QStringView(arg).mid(ExchangePrefix(out).size()));
        }
    }
    return nullptr;
}

QString ExchangeOptionName(const TranslationFileFormat& format, bool exporting)
{
    return ExchangePrefix(exporting) + format.Name();
}

QString ExchangeOptions(bool exporting)
{
    QStringList names;
    for (const TranslationFileFormat* format : TranslationFileFormats())
        names << ExchangeOptionName(*format, exporting);
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QString ParseArguments(const QStringList& args, Options* options)
{
    for (int i = 1; i < args.size(); ++i) {
        if (const QString problem = ParseOne(args, i, options); !problem.isEmpty())
            return problem;
    }
    if (options->help)
        return {};
    if (options->listFormats) {
        if (!options->files.isEmpty() || options->dump)
            return QStringLiteral("--list-formats takes no files");
        return {};
    }
    for (auto check : {CheckUpdate, CheckPropagate, CheckSearch, CheckChecks, CheckExchange,
                       CheckStates, CheckFiles}) {
        if (const QString problem = check(*options); !problem.isEmpty())
            return problem;
    }
    return {};
}

QString StateRequestProblem(const StateRequest& request)
{
    if (request.record < 0 || request.field < 0)
        return QStringLiteral("--set-state needs --record R and --field F (from 0)");
    if (!StoredStateNamed(request.state))
        return QStringLiteral("--state takes needs_work, translated or approved, not '%1'")
            .arg(request.state);
    return {};
}

}  // namespace scrivlet::convert
