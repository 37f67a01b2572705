#include "exchange/Glossary.h"

#include "base/UiText.h"
#include "exchange/ExchangeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

namespace scrivlet {
namespace {

// Terms by source text, so that lines of one term gather their targets.
class TermCollector {
public:
    explicit TermCollector(std::vector<GlossaryTerm>* terms) : terms_(terms) { terms_->clear(); }
    void Add(const QString& source, const QStringList& targets, const QString& note)
    {
        auto it = bySource_.constFind(source);
        if (it == bySource_.cend()) {
            it = bySource_.insert(source, terms_->size());
            terms_->push_back({source, {}, note});
        }
        GlossaryTerm& term = (*terms_)[*it];
        for (const QString& target : targets) {
            if (!target.isEmpty() && !term.targets.contains(target))
                term.targets << target;
        }
        if (term.note.isEmpty())
            term.note = note;
    }

private:
    std::vector<GlossaryTerm>* terms_;
    QHash<QString, size_t> bySource_;
};

// One record of CSV text from `at`; false at the end. Sets *unclosed for a quote that runs to
// the end of the text.
bool NextCsvRecord(QStringView text, qsizetype& at, QStringList* fields, int* lines, bool* unclosed)
{
    fields->clear();
    if (at >= text.size())
        return false;
    QString field;
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (quoted) {
            if (c == u'"' && at + 1 < text.size() && text[at + 1] == u'"')
                field += c, ++at;
            else if (c == u'"')
                quoted = false;
            else
                field += c, *lines += c == u'\n' ? 1 : 0;
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            *fields << field, field.clear();
        } else if (c == u'\n' || c == u'\r') {
            at += (c == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n') ? 2 : 1;
            break;
        } else {
            field += c;
        }
    }
    *unclosed = quoted;
    *fields << field;
    ++*lines;
    return true;
}

bool IsHeader(const QStringList& fields)
{
    return fields.size() >= 2 && fields[0].trimmed().compare(u"source", Qt::CaseInsensitive) == 0 &&
           fields[1].trimmed().compare(u"target", Qt::CaseInsensitive) == 0;
}

bool LanguageMatches(const QString& language, const QString& wanted)
{
    return language.compare(wanted, Qt::CaseInsensitive) == 0 ||
           language.startsWith(wanted + u'-', Qt::CaseInsensitive) ||
           language.startsWith(wanted + u'_', Qt::CaseInsensitive);
}

// One entry's terms by language, in the order the languages came.
struct TbxEntry {
    QStringList languages;
    QList<QStringList> terms;
    QString note;
};

void AddTbxEntry(const TbxEntry& entry, const QString& targetLanguage, TermCollector& out)
{
    if (entry.languages.size() < 2 || entry.terms[0].isEmpty())
        return;
    QStringList targets;
    for (qsizetype i = 1; i < entry.languages.size(); ++i) {
        if (!targetLanguage.isEmpty() && LanguageMatches(entry.languages[i], targetLanguage))
            targets = entry.terms[i];
    }
    if (targets.isEmpty()) {
        for (qsizetype i = 1; i < entry.languages.size(); ++i)
            targets << entry.terms[i];
    }
    for (const QString& source : entry.terms[0])
        out.Add(source, targets, entry.note);
}

bool IsName(QStringView name, const char* a, const char* b)
{
    return name == QLatin1StringView(a) || name == QLatin1StringView(b);
}

}  // namespace

Result ParseGlossaryCsv(const QByteArray& bytes, std::vector<GlossaryTerm>* terms)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (decoder.hasError())
        return Result::Failure(UiText("glossary.csvUtf8"));
    TermCollector out(terms);
    QStringList fields;
    qsizetype at = 0;
    int lines = 0;
    bool unclosed = false;
    for (bool first = true;; first = false) {
        const int line = lines + 1;  // where the record starts
        if (!NextCsvRecord(text, at, &fields, &lines, &unclosed))
            break;
        if (unclosed)
            return Result::Failure(UiText("glossary.csvQuote").arg(line));
        if (fields.size() == 1 && fields[0].trimmed().isEmpty())
            continue;
        if (first && IsHeader(fields))
            continue;
        if (fields.size() < 2 || fields[0].trimmed().isEmpty() || fields[1].trimmed().isEmpty())
            return Result::Failure(UiText("glossary.csvColumns").arg(line));
        // No text of a term holds one; stored, it would cut the term short in other tools.
        if (std::any_of(fields.cbegin(), fields.cend(),
                        [](const QString& field) { return field.contains(QChar::Null); }))
            return Result::Failure(UiText("glossary.csvNul").arg(line));
        out.Add(fields[0].trimmed(), {fields[1].trimmed()}, fields.value(2).trimmed());
    }
    return {};
}

// Reads token by token, without readElementText, which recurses once per nested element.
Result ParseGlossaryTbx(const QByteArray& bytes, const QString& targetLanguage,
                        std::vector<GlossaryTerm>* terms)
{
    constexpr int kMaxDepth = 256;
    QXmlStreamReader xml(bytes);
    TermCollector out(terms);
    TbxEntry entry;
    int depth = 0, textDepth = 0;  // textDepth: of the open term or note, 0 outside one
    QString text, *into = nullptr;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::DTD:
                if (depth > 0 || !exchange::NamesExternalDtdOnly(xml))
                    return Result::Failure(UiText("glossary.doctype"));
                break;
            case QXmlStreamReader::StartElement: {
                const QStringView name = xml.name();
                if (++depth > kMaxDepth)
                    return Result::Failure(UiText("xchg.xmlDepth").arg(kMaxDepth));
                if (depth == 1 && !IsName(name, "martif", "tbx"))
                    return Result::Failure(UiText("glossary.tbxRoot"));
                if (textDepth > 0)
                    break;  // inline markup inside a term: its text counts
                if (IsName(name, "termEntry", "conceptEntry")) {
                    entry = TbxEntry();
                } else if (IsName(name, "langSet", "langSec")) {
                    entry.languages
                        << xml.attributes().value(QLatin1StringView("xml:lang")).toString();
                    entry.terms << QStringList();
                } else if ((name == u"term" && !entry.terms.isEmpty()) ||
                           (IsName(name, "note", "descrip") && entry.note.isEmpty())) {
                    textDepth = depth;
                    text.clear();
                    into = name == u"term" ? nullptr : &entry.note;
                }
                break;
            }
            case QXmlStreamReader::Characters:
                if (textDepth > 0)
                    text += xml.text();
                break;
            case QXmlStreamReader::EndElement:
                if (depth-- == textDepth) {
                    textDepth = 0;
                    if (into)
                        *into = text.trimmed();
                    else if (!text.trimmed().isEmpty())
                        entry.terms.back() << text.trimmed();
                } else if (IsName(xml.name(), "termEntry", "conceptEntry")) {
                    AddTbxEntry(entry, targetLanguage, out);
                }
                break;
            default:
                break;
        }
    }
    // An empty file ends in an error too: "premature end of document".
    return xml.hasError() ? Result::Failure(xml.errorString()) : Result();
}

Result ReadGlossary(const QString& path, const QString& targetLanguage,
                    std::vector<GlossaryTerm>* terms)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"csv" && suffix != u"tbx")
        return Result::Failure(UiText("glossary.unknownType"));
    if (Result usable = exchange::CheckImportFile(path); !usable)
        return usable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::Failure(UiText(str::OpenFailed).arg(path) + u' ' + file.errorString());
    const QByteArray bytes = file.readAll();
    return suffix == u"csv" ? ParseGlossaryCsv(bytes, terms)
                            : ParseGlossaryTbx(bytes, targetLanguage, terms);
}

}  // namespace scrivlet
