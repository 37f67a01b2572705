#include "store/MemoryFeed.h"

#include "exchange/Exchange.h"

#include <algorithm>

namespace scrivlet {

QString FieldOrigin(const QString& file, int record, int field)
{
    // Joined rather than arg()-ed: a save may name a hundred thousand fields.
    return file + u':' + QString::number(record) + u':' + QString::number(field);
}

MemoryLanguages LanguagesOfEncodings(int originalEncoding, int translationEncoding)
{
    MemoryLanguages languages{LanguageOfEncoding(originalEncoding),
                              LanguageOfEncoding(translationEncoding)};
    return languages.IsEmpty() ? MemoryLanguages{} : languages;
}

namespace {

bool Confirmed(QStringView source, QStringView target)
{
    return !source.isEmpty() && !target.isEmpty() && source != target;
}

}  // namespace

void CollectConfirmed(const EdtDocument& translation, const EdtDocument& reference, int first,
                      int last, const std::function<bool(int, int)>& pending, const QString& file,
                      qint64 time, std::vector<MemoryUnit>* units)
{
    last = std::min({last, translation.RecordCount() - 1, reference.RecordCount() - 1});
    const int fields = std::min(translation.TextFieldCount(), reference.TextFieldCount());
    for (int record = std::max(first, 0); record <= last; ++record) {
        for (int field = 0; field < fields; ++field) {
            const QStringView source = reference.FieldText(record, field);
            const QStringView target = translation.FieldText(record, field);
            if (Confirmed(source, target) && !(pending && pending(record, field)))
                units->push_back(
                    {source.toString(), target.toString(), FieldOrigin(file, record, field), time});
        }
    }
}

std::vector<MemoryUnit> RemovedUnits(const Alignment& alignment, const EdtDocument& oldOriginal,
                                     const EdtDocument& input, const QString& file, qint64 time)
{
    std::vector<MemoryUnit> units;
    for (const int record : alignment.removed)
        CollectConfirmed(input, oldOriginal, record, record, {}, file, time, &units);
    return units;
}

Result FeedMemory(const QString& location, const MemoryLanguages& fallback,
                  std::span<const MemoryUnit> units, FeedReport* report)
{
    *report = {};
    if (units.empty())
        return {};
    std::unique_ptr<TranslationMemory> memory;
    if (Result opened = OpenMemory(location, &memory); !opened)
        return opened;
    MemoryLanguages languages;
    if (Result read = memory->Languages(&languages); !read)
        return read;
    if (languages.IsEmpty())
        languages = fallback;
    if (languages.IsEmpty()) {
        report->noLanguages = true;
        return {};
    }
    return memory->Add(languages, units, &report->counts);
}

}  // namespace scrivlet
