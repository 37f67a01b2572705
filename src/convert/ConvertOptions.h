#pragma once

#include "convert/CheckOptions.h"

#include <QString>
#include <QStringList>

#include <optional>

// The converter's command line: what it asks for, read and checked before any file is touched.

namespace scrivlet {
class TranslationFileFormat;
}

namespace scrivlet::convert {

// What --set-state asks for.
struct StateRequest {
    int record = -1, field = -1;
    QString state;  // needs_work, translated or approved
    std::optional<QString> comment;
};

// What is wrong with a --set-state request; empty when nothing.
QString StateRequestProblem(const StateRequest& request);

extern const char kUsage[];

struct Options {
    QString language = QStringLiteral("en");
    QString catalogue;
    bool listFormats = false;
    bool dump = false;
    bool yes = false;
    bool help = false;
    QString format;
    std::optional<int> encoding;
    std::optional<int> toEncoding;
    std::optional<QString> find;
    std::optional<QString> replaceWith;
    quint32 searchFlags = 0;
    QStringList files;
    // Translation exchange, translation counts and the check before saving.
    QString exportPath, importPath;
    const TranslationFileFormat* exchangeFormat = nullptr;
    QString reference;
    std::optional<int> referenceEncoding;
    bool includeFuzzy = false, strict = false, stats = false;
    CheckRequest checkRequest;
    // A translation carried over from the original OLD to the new one (--reference).
    QString oldReference;
    bool update = false;
    bool propagate = false;
    // The fields' states and comments, kept beside INPUT.
    bool states = false, setState = false;
    StateRequest stateRequest;

    bool Exporting() const { return !exportPath.isEmpty(); }
    bool Importing() const { return !importPath.isEmpty(); }
    // The encoding OUTPUT is written in.
    int OutputEncoding() const { return toEncoding.value_or(*encoding); }
};

// Empty on success, else what is wrong with the command line.
QString ParseArguments(const QStringList& args, Options* options);

// The format of an --export-<name> or --import-<name> option, exporting set to which of the
// two it is; null for any other word. A document and a project take the same ones.
const TranslationFileFormat* ExchangeOption(const QString& arg, bool* exporting);
// "--export-<name>" or "--import-<name>".
QString ExchangeOptionName(const TranslationFileFormat& format, bool exporting);
// Every format's option of the kind, as the messages name them: "--import-po or --import-xliff".
QString ExchangeOptions(bool exporting);

}  // namespace scrivlet::convert
