#pragma once

#include "base/Result.h"
#include "translation/Checks.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Glossary files read as plain terms for the glossary check: CSV ("source,target[,note]" per
// line) and TBX. Lines of one source term add its targets to one term.

namespace scrivlet {

// By the file's suffix, .csv or .tbx (any case). For TBX the first language of each entry is
// the source; the targets are the other languages' terms, only targetLanguage's ("de" also
// takes "de-DE") when it is given and the entry has it.
Result ReadGlossary(const QString& path, const QString& targetLanguage,
                    std::vector<GlossaryTerm>* terms);

// UTF-8 text as RFC 4180 has it (quoted fields, "" for a quote, line breaks inside quotes), an
// optional header line "source,target..." and an optional byte order mark.
Result ParseGlossaryCsv(const QByteArray& bytes, std::vector<GlossaryTerm>* terms);
// TBX-Basic (martif, termEntry, langSet, tig) or TBX 3 (tbx, conceptEntry, langSec,
// termSec); no DOCTYPE, nesting bounded, as the XLIFF reader.
Result ParseGlossaryTbx(const QByteArray& bytes, const QString& targetLanguage,
                        std::vector<GlossaryTerm>* terms);

}  // namespace scrivlet
