#include "translation/BmFont.h"

#include "base/ReadableFile.h"
#include "base/UiText.h"

#include <QFile>

#include <cmath>

namespace scrivlet {
namespace {

// Bigger than any font file a game ships.
constexpr qint64 kMaxFontBytes = qint64{64} << 20;

// A line's "key=value" pairs (values may be quoted and hold spaces); by hand, as no library
// reads the format and it is this simple.
QHash<QByteArray, QByteArray> Pairs(const QByteArray& line, QByteArray* tag)
{
    QHash<QByteArray, QByteArray> pairs;
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
    };
    skipSpaces();
    const qsizetype tagStart = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
        ++i;
    *tag = line.mid(tagStart, i - tagStart);
    while (i < line.size()) {
        skipSpaces();
        const qsizetype keyStart = i;
        while (i < line.size() && line[i] != '=' && line[i] != ' ')
            ++i;
        const QByteArray key = line.mid(keyStart, i - keyStart);
        if (i >= line.size() || line[i] != '=')
            continue;
        ++i;
        qsizetype valueStart = i;
        if (i < line.size() && line[i] == '"') {
            valueStart = ++i;
            while (i < line.size() && line[i] != '"')
                ++i;
            pairs.insert(key, line.mid(valueStart, i - valueStart));
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                ++i;
            pairs.insert(key, line.mid(valueStart, i - valueStart));
        }
    }
    return pairs;
}

quint64 PairKey(char32_t first, char32_t second)
{
    return (quint64{first} << 32) | second;
}

}  // namespace

Result BmFont::Read(const QString& path, double pixelSize)
{
    QFile file(path);
    if (CheckReadableFile(path, kMaxFontBytes) != FileCheck::Readable ||
        !file.open(QIODevice::ReadOnly))
        return Result::Failure(UiText("box.cannotReadFont").arg(path, file.errorString()));
    return Parse(file.readAll(), path, pixelSize);
}

Result BmFont::Parse(const QByteArray& text, const QString& path, double pixelSize)
{
    double scale = 1;
    bool any = false;
    int number = 0;
    for (const QByteArray& raw : text.split('\n')) {
        ++number;
        QByteArray tag;
        const QHash<QByteArray, QByteArray> pairs = Pairs(raw.trimmed(), &tag);
        bool ok = true;
        if (tag == "info") {
            // A negative size is the same size "matching the character height".
            const double made = std::abs(pairs.value("size").toDouble());
            if (made > 0 && pixelSize > 0)
                scale = pixelSize / made;
        } else if (tag == "common") {
            lineHeight_ = pairs.value("lineHeight").toDouble() * scale;
        } else if (tag == "char") {
            bool idOk = false;
            const qint64 id = pairs.value("id").toLongLong(&idOk);
            const double advance = pairs.value("xadvance").toDouble(&ok);
            ok = ok && idOk && id >= 0 && id <= 0x10ffff;
            if (ok && id < kTable)
                table_[static_cast<size_t>(id)] = advance * scale;
            else if (ok)
                others_.insert(static_cast<char32_t>(id), advance * scale);
            any = any || ok;
        } else if (tag == "kerning") {
            bool firstOk = false, secondOk = false;
            const qint64 first = pairs.value("first").toLongLong(&firstOk);
            const qint64 second = pairs.value("second").toLongLong(&secondOk);
            const double amount = pairs.value("amount").toDouble(&ok);
            ok = ok && firstOk && secondOk && first >= 0 && second >= 0;
            if (ok)
                kerning_.insert(
                    PairKey(static_cast<char32_t>(first), static_cast<char32_t>(second)),
                    amount * scale);
        }
        if (!ok)
            return Result::Failure(UiText("box.badFontLine").arg(path).arg(number));
    }
    if (!any)
        return Result::Failure(UiText("box.notBmFont").arg(path));
    return {};
}

double BmFont::Advance(char32_t c) const
{
    if (c < kTable)
        return std::max(table_[c], 0.0);
    return others_.value(c, 0);
}

bool BmFont::Has(char32_t c) const
{
    return c < kTable ? table_[c] >= 0 : others_.contains(c);
}

double BmFont::Kerning(char32_t first, char32_t second) const
{
    return kerning_.value(PairKey(first, second), 0);
}

void BmFont::Edges(QStringView line, std::vector<double>* edges) const
{
    const qsizetype n = line.size();
    edges->resize(static_cast<size_t>(n) + 1);
    double* x = edges->data();
    x[0] = 0;
    const bool kerns = !kerning_.isEmpty();
    const auto at = [&](qsizetype i, qsizetype* width) -> char32_t {
        if (line[i].isHighSurrogate() && i + 1 < n && line[i + 1].isLowSurrogate()) {
            *width = 2;
            return QChar::surrogateToUcs4(line[i], line[i + 1]);
        }
        *width = 1;
        return line[i].unicode();
    };
    qsizetype width = 1;
    char32_t c = n > 0 ? at(0, &width) : 0;
    for (qsizetype i = 0; i < n;) {
        const qsizetype next = i + width;
        qsizetype nextWidth = 1;
        const char32_t following = next < n ? at(next, &nextWidth) : 0;
        double advance = Advance(c);
        if (kerns && next < n)
            advance += Kerning(c, following);
        if (width == 2)
            x[i + 1] = x[i];
        x[next] = x[i] + advance;
        i = next, c = following, width = nextWidth;
    }
}

}  // namespace scrivlet
