#include "convert/BoxOptions.h"

#include <algorithm>
#include <iterator>

namespace scrivlet::convert {

const char kBoxUsage[] =
    "\nText boxes:\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --set-box FORMAT_INDEX FIELD --font FILE\n"
    "                   --size PX --width PX --lines N [--break space|anywhere]\n"
    "                   [--file RELPATH]\n"
    "  Keeps the game's text box of a format's text field (or of one file's, with --file) in\n"
    "  the project and prints {\"format\", \"field\", \"font\", \"size\", \"width\", \"lines\",\n"
    "  \"break\"}. FILE is a TrueType or OpenType font or a BMFont text file (.fnt). --check\n"
    "  then reports too_wide (more lines than the box holds, or a word wider than it) and\n"
    "  missing_glyph (characters the font lacks). The single-file --check takes\n"
    "  --box FIELD:FONT:SIZE:WIDTH:LINES[:BREAK] (repeatable).\n";

namespace {

const char* const kValueOptions[] = {"--font", "--size", "--width", "--lines", "--break"};

// Positive numbers: pixels and lines.
std::optional<double> Positive(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && value > 0 ? std::optional<double>(value) : std::nullopt;
}

std::optional<int> Whole(const QString& text, int from = 1)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= from ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

bool IsBoxValueOption(const QString& arg)
{
    return std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                       [&](const char* name) { return arg == QLatin1String(name); });
}

bool TakeBoxOption(const QStringList& args, int& i, BoxRequest* request, QString* problem)
{
    const QString& arg = args[i];
    if (arg == QLatin1String("--set-box")) {
        if (i + 2 >= args.size())
            *problem = QStringLiteral("--set-box needs a format and a field");
        else
            request->setBox.emplace(args[i + 1], args[i + 2]), i += 2;
        return true;
    }
    if (!IsBoxValueOption(arg))
        return false;
    if (i + 1 >= args.size()) {
        *problem = QStringLiteral("%1 needs a value").arg(arg);
        return true;
    }
    const QString& value = args[++i];
    QString* const targets[] = {&request->font, &request->size, &request->width, &request->lines,
                                &request->breaks};
    *targets[std::distance(
        std::begin(kValueOptions),
        std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                     [&](const char* name) { return arg == QLatin1String(name); }))] = value;
    return true;
}

QString BoxRequestProblem(const BoxRequest& r)
{
    if (!r.setBox) {
        if (!r.font.isEmpty() || !r.size.isEmpty() || !r.width.isEmpty() || !r.lines.isEmpty() ||
            !r.breaks.isEmpty())
            return QStringLiteral("--font, --size, --width, --lines and --break go with --set-box");
        return {};
    }
    if (!Whole(r.setBox->first, 0) || !Whole(r.setBox->second, 0))
        return QStringLiteral("--set-box takes a format and a field (numbers from 0)");
    if (r.font.isEmpty())
        return QStringLiteral("--set-box needs --font FILE");
    if (!Positive(r.size) || !Whole(r.width) || !Whole(r.lines))
        return QStringLiteral("--size, --width and --lines take numbers above 0");
    if (!r.breaks.isEmpty() && !BoxBreakNamed(r.breaks))
        return QStringLiteral("--break takes space or anywhere, not '%1'").arg(r.breaks);
    return {};
}

std::optional<std::pair<int, TextBox>> ParseBoxArgument(const QString& argument, QString* problem)
{
    QStringList parts = argument.split(u':');
    TextBox box;
    if (parts.size() >= 6 && BoxBreakNamed(parts.back()))
        box.breaks = *BoxBreakNamed(parts.takeLast());
    const std::optional<int> field = parts.size() >= 5 ? Whole(parts.front(), 0) : std::nullopt;
    if (!field) {
        *problem = QStringLiteral("--box takes FIELD:FONT:SIZE:WIDTH:LINES[:BREAK], not '%1'")
                       .arg(argument);
        return std::nullopt;
    }
    const std::optional<double> size = Positive(parts[parts.size() - 3]);
    const std::optional<int> width = Whole(parts[parts.size() - 2]), lines = Whole(parts.back());
    box.font = parts.mid(1, parts.size() - 4).join(u':');
    if (!size || !width || !lines || box.font.isEmpty()) {
        *problem = QStringLiteral(
                       "--box takes FIELD:FONT:SIZE:WIDTH:LINES[:BREAK] with numbers "
                       "above 0, not '%1'")
                       .arg(argument);
        return std::nullopt;
    }
    box.size = *size, box.width = *width, box.lines = *lines;
    return std::pair{*field, box};
}

TextBox RequestedBox(const BoxRequest& request)
{
    return TextBox{request.font, *Positive(request.size), *Whole(request.width),
                   *Whole(request.lines), BoxBreakNamed(request.breaks).value_or(BoxBreak::Spaces)};
}

}  // namespace scrivlet::convert
