#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QXmlStreamWriter>

#include <functional>
#include <vector>

// TMX 1.4, the exchange format of translation memories: one <tu> per pair, one <tuv> per
// language.

class QFileDevice;

namespace scrivlet {

// A pair as a TMX unit holds it.
struct TmxPair {
    QString source, target;
    QString origin;   // our own property "x-origin"; empty when the unit has none
    qint64 time = 0;  // creationdate, seconds since 1970 (UTC); 0 when missing
};

// The primary subtag of a BCP 47 code, in lower case: "pt" for "pt-BR" and "PT_br".
QString PrimaryLanguage(QStringView code);

struct TmxLimits {
    // A unit whose segments hold more characters is left out: one huge segment would be held
    // whole in memory and compared with every later lookup.
    qsizetype maxUnitText = 64 * 1024;
};

// What a read handed over and left out, and the languages the file's units are in.
struct TmxNotes {
    static constexpr size_t kLinesKept = 5;
    qint64 taken = 0;
    qint64 tooLarge = 0;
    std::vector<qint64> tooLargeLines;  // where the first few begin
    QStringList languages;              // primary subtags, in the order they came
};

// How far a read is, in bytes of the file; its false stops the read with a failure.
using TmxProgress = std::function<bool(qint64 read, qint64 size)>;

// Hands every unit that has both languages, each with a non-empty text, to take (languages
// compared by their primary subtag; the first <tuv> of a language counts). Inline codes are
// left out, highlighted text kept; a unit over the limit is left out and noted. A document type
// that declares anything (more than naming its DTD), nesting deeper than any tool writes or a
// root other than <tmx> fails the read, as does a failure take returns.
Result ReadTmx(const QString& path, const QString& sourceLanguage, const QString& targetLanguage,
               const std::function<Result(TmxPair&&)>& take, TmxNotes* notes = nullptr,
               const TmxLimits& limits = {}, const TmxProgress& progress = {});

// Writes a TMX document to a device, which the caller then commits.
class TmxWriter {
public:
    TmxWriter(QFileDevice* device, const QString& sourceLanguage);
    // A pair whose texts XML cannot hold (control characters) is left out and counted.
    void Add(const QString& sourceLanguage, const QString& targetLanguage, const TmxPair& pair);
    Result Finish();
    qint64 Written() const { return written_; }
    qint64 LeftOut() const { return leftOut_; }

private:
    QFileDevice* device_;
    QXmlStreamWriter xml_;
    qint64 written_ = 0, leftOut_ = 0;
};

}  // namespace scrivlet
