// Times the project's glossary at the sizes a game's translation reaches: importing a CSV of
// 10,000 terms into a project file and reading them back, the Glossary panel taking them
// (its index built once) and then following one selected field after another over a
// document of 100,000 records, and the checks of that document indexing the new glossary.
// Run with QT_QPA_PLATFORM=offscreen. Usage: bench_glossary [records] [terms]
#include "BenchFormat.h"
#include "shell/GlossaryPanel.h"
#include "store/ProjectFile.h"
#include "store/ProjectGlossary.h"
#include "translation/DocumentChecks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

using namespace scrivlet;

namespace {

const char* const kWords[] = {
    "the",    "lamp",   "went",    "dark",   "at",     "midnight", "someone", "climbed", "stairs",
    "before", "saw",    "lantern", "on",     "water",  "moving",   "against", "tide",    "boat",
    "that",   "rows",   "without", "oars",   "bring",  "your",     "coat",    "fog",     "over",
    "bites",  "harder", "than",    "wind",   "master", "logbook",  "has",     "page",    "torn",
    "out",    "ninth",  "of",      "keeper", "sword",  "shield",   "gold",    "coins",   "left"};
constexpr int kWordCount = static_cast<int>(std::size(kWords));

QString Word(int i)
{
    return QString::fromLatin1(kWords[i % kWordCount]);
}

// Every word alone, every pair of words, then made-up names; two targets each now and then,
// and a note with a comma that the CSV must quote.
QByteArray GlossaryFile(int terms)
{
    QByteArray csv = "source,target,note\n";
    for (int i = 0; i < terms; ++i) {
        const QString source = i < kWordCount ? Word(i)
                               : i < kWordCount * (kWordCount + 1)
                                   ? Word(i / kWordCount - 1) + u' ' + Word(i)
                                   : QStringLiteral("name%1").arg(i);
        const QByteArray line = source.toUtf8() + ",ziel" + QByteArray::number(i);
        csv += line + (i % 7 == 0 ? ",\"a note, quoted\"\n" : "\n");
        if (i % 5 == 0)
            csv += line + "b\n";
    }
    return csv;
}

QString Sentence(QRandomGenerator& random)
{
    QString text;
    const int words = 4 + static_cast<int>(random.bounded(10));
    for (int w = 0; w < words; ++w)
        text += (w ? QStringLiteral(" ") : QString()) +
                Word(static_cast<int>(random.bounded(kWordCount)));
    return text + u'.';
}

double Ms(qint64 ns)
{
    return static_cast<double>(ns) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int termCount = argc > 2 ? std::atoi(argv[2]) : 10000;
    QTemporaryDir dir;
    QFile csv(dir.filePath(QStringLiteral("terms.csv")));
    if (!csv.open(QIODevice::WriteOnly) || csv.write(GlossaryFile(termCount)) < 0)
        return 1;
    csv.close();

    QElapsedTimer timer;
    ProjectFile project;
    if (!project.Create(dir.filePath(QStringLiteral("p.scrivlet")), {"en", "de", 0, 0}))
        return 1;
    timer.start();
    GlossaryImport counts;
    if (Result read = ImportProjectGlossary(project, csv.fileName(), &counts); !read) {
        std::fprintf(stderr, "%s\n", qPrintable(read.Error()));
        return 1;
    }
    const qint64 import = timer.nsecsElapsed();
    timer.restart();
    const std::vector<GlossaryTerm> terms = ProjectGlossaryTerms(project);
    const qint64 load = timer.nsecsElapsed();
    std::printf("import: %lld pairs (%zu terms) in %.1f ms; read back in %.1f ms\n", counts.added,
                terms.size(), Ms(import), Ms(load));

    constexpr int kSizes[] = {128};
    const EdtFormat format = BenchFormat(kSizes, true);
    EdtDocument original(format), translation(format);
    QRandomGenerator random(20261207);
    for (int r = 0; r < records; ++r) {
        const QString text = Sentence(random);
        original.AddLoadedText(text);
        original.EndLoadedRecord();
        translation.AddLoadedText(text.toUpper());
        translation.EndLoadedRecord();
    }

    GlossaryPanel panel;
    panel.show();
    timer.restart();
    panel.SetGlossary(true, terms);
    const qint64 index = timer.nsecsElapsed();

    // One selection after another, as arrow keys move through the grid.
    constexpr int kSelections = 2000;
    std::vector<qint64> times;
    qint64 rows = 0;
    for (int i = 0; i < kSelections; ++i) {
        const QString source = original.Text(static_cast<int>(random.bounded(records)), 1);
        timer.restart();
        panel.ShowTermsOf(source);
        times.push_back(timer.nsecsElapsed());
        rows += panel.List()->topLevelItemCount();
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "panel: index of %zu terms %.1f ms; per selection (%d, %.1f rows on average) median "
        "%.3f ms, 95th %.3f ms, max %.3f ms\n",
        terms.size(), Ms(index), kSelections, static_cast<double>(rows) / kSelections,
        Ms(times[times.size() / 2]), Ms(times[times.size() * 95 / 100]), Ms(times.back()));

    CheckSettings settings;
    DocumentChecks checks(translation, settings, &original);
    settings.glossary = terms;
    timer.restart();
    checks.GlossaryChanged();
    std::printf(
        "checks: %d records re-checked with the new glossary in %.0f ms (glossary "
        "problems %lld)\n",
        records, Ms(timer.nsecsElapsed()), checks.CountOf(Check::Glossary));
    return 0;
}
