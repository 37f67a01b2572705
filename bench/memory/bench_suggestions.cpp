// Times the Suggestions panel over a memory made by bench_memory: from asking about a field's
// source to the matches on show (the thread hop and the rendering included), and how long the
// asking holds the GUI thread, which typing shares. The yardstick is the memory's own look-up
// of the same text in the same run. The queries are stored sources with one character taken
// out (fuzzy matches in the 90s), and stored sources as they are.
// Usage: bench_suggestions MEMORY.db [queries]

#include "shell/SuggestionsPanel.h"
#include "store/Memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

using namespace scrivlet;

namespace {

std::vector<QString> StoredSources(const QString& db, int count)
{
    std::vector<QString> sources;
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(db).constData(), &raw, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK)
        return sources;
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(raw, "SELECT source FROM tm_unit WHERE id % 997 = 3 LIMIT ?1", -1, &select,
                       nullptr);
    sqlite3_bind_int(select, 1, count);
    while (sqlite3_step(select) == SQLITE_ROW)
        sources.push_back(QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(select, 0)),
            sqlite3_column_bytes(select, 0)));
    sqlite3_finalize(select);
    sqlite3_close(raw);
    return sources;
}

double Percentile(std::vector<double> values, int percent)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * static_cast<size_t>(percent) / 100];
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_suggestions MEMORY.db [queries]\n");
        return 2;
    }
    const QString db = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    std::vector<QString> queries;
    for (const QString& source : StoredSources(db, count)) {
        queries.push_back(source);
        queries.push_back(QString(source).remove(source.size() / 2, 1));
    }
    if (queries.empty()) {
        std::fprintf(stderr, "no sources in %s\n", argv[1]);
        return 1;
    }

    std::unique_ptr<TranslationMemory> memory;
    MemoryLanguages languages;
    if (!OpenMemory(db, &memory) || !memory->Languages(&languages))
        return 1;
    std::vector<double> direct;
    std::vector<MemoryMatch> matches;
    for (const QString& query : queries) {
        QElapsedTimer clock;
        clock.start();
        (void)memory->Suggest(languages, query, SuggestionsPanel::kMinScore,
                              SuggestionsPanel::kMaxMatches, &matches);
        direct.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    memory.reset();

    SuggestionsPanel panel;
    panel.resize(420, 600);
    panel.show();
    panel.SetLocation(db);
    std::vector<double> shown, held;
    int empty = 0;
    for (const QString& query : queries) {
        QEventLoop loop;
        QObject::connect(&panel, &SuggestionsPanel::MatchesShown, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        panel.Lookup(query);
        held.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        loop.exec();
        app.processEvents();  // the page laid out and painted
        shown.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        empty += panel.Matches().empty();
    }
    std::printf("%-28s %9s %9s %9s\n", "step", "p50", "p95", "yardstick p95");
    std::printf("%-28s %7.2f ms %7.2f ms %7.2f ms   (%zu queries, %d without a match)\n",
                "ask -> matches on show", Percentile(shown, 50), Percentile(shown, 95),
                Percentile(direct, 95), queries.size(), empty);
    std::printf("%-28s %7.3f ms %7.3f ms   (the GUI thread held by the asking)\n",
                "ask, GUI thread", Percentile(held, 50), Percentile(held, 95));
    return 0;
}
