// Times the quality checks (all but spelling, a glossary of 200 terms) over a generated
// translation of 1,000,000 fields with its reference, next to the translation counts over the
// same pair, and with and without the shape checks; re-checking after one edit, next to the
// edit alone; and spelling in words per second, next to splitting the same texts into words;
// and the document's background spelling end to end; and the checks with a game's text box
// (a generated bitmap font with kerning) on every field against the same checks without.
// Usage: bench_checks [fields]
#include "BenchFormat.h"
#include "session/LayoutFont.h"
#include "translation/BmFont.h"
#include "translation/DocumentChecks.h"
#include "translation/Spelling.h"
#include "translation/TranslationStatus.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTextLayout>
#include <QThreadPool>
#include <QtConcurrent>

#include <cstdio>
#include <ctime>

using namespace scrivlet;

namespace {

constexpr int kDefaultFields = 1000000;
constexpr int kFieldSizes[] = {64, 128, 256};
const char* const kWords[] = {
    "the",    "lamp",   "went",    "dark",   "at",     "midnight", "someone", "climbed", "stairs",
    "before", "saw",    "lantern", "on",     "water",  "moving",   "against", "tide",    "boat",
    "that",   "rows",   "without", "oars",   "bring",  "your",     "coat",    "fog",     "over",
    "bites",  "harder", "than",    "wind",   "master", "logbook",  "has",     "page",    "torn",
    "out",    "ninth",  "of",      "keeper", "sword",  "shield",   "gold",    "coins",   "left"};
const char* const kCodes[] = {"%d", "%s", "{0}", "%1", "{name}"};
const char* const kEnds[] = {".", "!", "?", "...", ":", ""};

QString Sentence(QRandomGenerator& random, int maxLength)
{
    QString text;
    const int words = 3 + static_cast<int>(random.bounded(10));
    for (int w = 0; w < words; ++w) {
        const quint32 kind = random.bounded(20);
        QString word =
            kind == 0 ? QString::fromLatin1(kCodes[random.bounded(5)])
            : kind == 1
                ? QString::number(random.bounded(1000))
                : QString::fromLatin1(kWords[random.bounded(static_cast<int>(std::size(kWords)))]);
        if (text.size() + word.size() + 4 > maxLength)
            break;
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return text + QString::fromLatin1(kEnds[random.bounded(6)]);
}

// A tenth of the translations empty, a tenth the original's, the rest the original in capitals
// with a code or a mark lost now and then; the originals repeat, so groups form.
void Fill(EdtDocument& original, EdtDocument& translation, int records)
{
    QRandomGenerator random(20261207);
    std::vector<QString> pool[3];
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 50000; ++i)
            pool[k].push_back(Sentence(random, kFieldSizes[k]));
    }
    for (int r = 0; r < records; ++r) {
        for (int k = 0; k < 3; ++k) {
            const QString& text = pool[k][random.bounded(50000)];
            original.AddLoadedText(text);
            const quint32 kind = random.bounded(20);
            QString translated = text.toUpper();
            if (kind == 3)
                translated.chop(1);
            translation.AddLoadedText(kind < 2 ? QString() : kind == 2 ? text : translated);
        }
        original.EndLoadedRecord();
        translation.EndLoadedRecord();
    }
}

std::vector<GlossaryTerm> Glossary()
{
    std::vector<GlossaryTerm> terms;
    for (int i = 0; i < 200; ++i)
        terms.push_back({QStringLiteral("term%1").arg(i), {QStringLiteral("ziel%1").arg(i)}, {}});
    for (const char* word : {"sword", "shield", "lantern", "keeper", "logbook"})
        terms.push_back({QString::fromLatin1(word), {QString::fromLatin1(word).toUpper()}, {}});
    return terms;
}

// Processor time of all threads: the machine is shared, so wall time alone says little.
qint64 CpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double Ms(qint64 ns)
{
    return static_cast<double>(ns) / 1e6;
}

// Every check with spelling over the whole document: how long the calling thread is held (all
// other checks and the copy of the texts), and how long until the spelling has arrived.
void BenchBackgroundSpelling(const EdtDocument& original, const EdtDocument& translation)
{
    SpellingDictionary dictionary;
    if (!dictionary.Load(QStringLiteral("en"))) {
        std::printf("background spelling: no English dictionary\n");
        return;
    }
    CheckSettings settings;
    settings.enabled = kAllChecks;
    settings.speller = &dictionary;
    settings.glossary = Glossary();
    QElapsedTimer timer;
    timer.start();
    DocumentChecks checks(translation, settings, &original);
    const qint64 held = timer.nsecsElapsed();
    checks.WaitForSpelling();
    const qint64 all = timer.nsecsElapsed();
    // The words the run looked up: those of every text but the empty ones and the copies.
    qint64 words = 0;
    std::vector<TextSpan> marks;
    for (int r = 0; r < translation.RecordCount(); ++r) {
        for (int k = 0; k < translation.TextFieldCount(); ++k) {
            const QStringView text = translation.FieldText(r, k);
            if (text.isEmpty() || text == original.FieldText(r, k))
                continue;
            marks.clear();
            settings.placeholders.Find(text, nullptr, &marks);
            words += static_cast<qint64>(SpellingWords(text, marks).size());
        }
    }
    std::printf(
        "background spelling: %lld words, %lld fields misspelled; calling thread held %.0f ms, "
        "spelling in %.0f ms after it (%.0f words/s), end to end %.0f ms (%.0f words/s)\n",
        words, checks.CountOf(Check::Spelling), Ms(held), Ms(all - held),
        words / ((all - held) / 1e9), Ms(all), words / (all / 1e9));
}

// The checks of a document run twice, the faster kept: its wall and processor time, and its
// counts of all problems, too_wide and missing_glyph.
struct Timed {
    qint64 wall = 0, cpu = 0;
    qint64 counts[3] = {};
};
Timed TimeChecks(const EdtDocument& original, const EdtDocument& translation,
                 const CheckSettings& settings)
{
    Timed timed;
    for (int round = 0; round < 2; ++round) {
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuBefore = CpuNs();
        DocumentChecks checks(translation, settings, &original);
        const qint64 took = timer.nsecsElapsed(), cpuTook = CpuNs() - cpuBefore;
        if (round == 0 || took < timed.wall)
            timed.wall = took, timed.cpu = cpuTook;
        timed.counts[0] = checks.Count();
        timed.counts[1] = checks.CountOf(Check::TooWide);
        timed.counts[2] = checks.CountOf(Check::MissingGlyph);
    }
    return timed;
}

// The checks as they were before the shape checks (tags, brackets, repeated words, start case,
// length ratio) came, and all of them: each run twice, the faster kept, in the same process.
void BenchShapeChecks(const EdtDocument& original, const EdtDocument& translation)
{
    const CheckMask shape = Bit(Check::Tags) | Bit(Check::Brackets) | Bit(Check::RepeatedWord) |
                            Bit(Check::StartCase) | Bit(Check::LengthRatio);
    const CheckMask allButSpelling = kAllChecks & ~Bit(Check::Spelling);
    const std::pair<const char*, CheckMask> runs[] = {
        {"16 checks, without the shape checks", allButSpelling & ~shape},
        {"21 checks, all but spelling", allButSpelling}};
    std::printf("%-38s %10s %10s %10s\n", "checks", "wall ms", "cpu ms", "problems");
    for (const auto& [name, enabled] : runs) {
        CheckSettings settings;
        settings.enabled = enabled;
        settings.glossary = Glossary();
        const Timed run = TimeChecks(original, translation, settings);
        std::printf("%-38s %10.0f %10.0f %10lld\n", name, Ms(run.wall), Ms(run.cpu), run.counts[0]);
    }
}

// A BMFont file of the printable ASCII characters, advances 5 to 14 px, and a kerning pair
// for every pair of capitals that is a multiple of seven apart (the translations are capitals).
QByteArray GeneratedFont()
{
    QByteArray text = "info face=\"bench\" size=16\ncommon lineHeight=18 base=14\n";
    for (int c = 32; c < 127; ++c)
        text += "char id=" + QByteArray::number(c) +
                " x=0 y=0 width=8 height=14 xadvance=" + QByteArray::number(5 + (c * 7) % 10) +
                " page=0\n";
    for (int a = 'A'; a <= 'Z'; ++a) {
        for (int b = 'A'; b <= 'Z'; b += 7)
            text += "kerning first=" + QByteArray::number(a) + " second=" + QByteArray::number(b) +
                    " amount=-1\n";
    }
    return text;
}

// A TrueType font from Debian's packages (fonts-dejavu-core), measured through Qt's layout.
const char kTrueType[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The least Qt's text layout does for a field: each text laid out once on one line, on as many
// threads as the checks use. A box check on a TrueType font cannot cost less than this.
qint64 LayoutFloor(const EdtDocument& translation, const QFont& font, qint64* cpu)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuBefore = CpuNs();
    const int threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    std::vector<QFuture<void>> runs;
    for (int t = 0; t < threads; ++t) {
        runs.push_back(QtConcurrent::run([&, t] {
            for (int r = t; r < translation.RecordCount(); r += threads) {
                for (int k = 0; k < translation.TextFieldCount(); ++k) {
                    QTextLayout layout(translation.FieldText(r, k).toString(), font);
                    layout.beginLayout();
                    layout.createLine();
                    layout.endLayout();
                }
            }
        }));
    }
    for (QFuture<void>& run : runs)
        run.waitForFinished();
    *cpu = CpuNs() - cpuBefore;
    return timer.nsecsElapsed();
}

// The checks without boxes and with a box on each of the three fields (a BMFont, then a
// TrueType font), in the same process: each run twice, the faster kept; then Qt's layout
// floor for the TrueType font.
void BenchBoxes(const EdtDocument& original, const EdtDocument& translation)
{
    auto bitmap = std::make_shared<BmFont>();
    if (!bitmap->Parse(GeneratedFont(), QStringLiteral("bench.fnt"), 16)) {
        std::printf("boxes: the generated font did not read\n");
        return;
    }
    std::shared_ptr<const TextMeasure> outline;
    const TextBox trueType{QString::fromLatin1(kTrueType), 16, 420, 3, BoxBreak::Spaces};
    if (!LayoutFont::Load(trueType, &outline))
        std::printf("boxes: %s did not load; the TrueType run is left out\n", kTrueType);
    const int widths[] = {300, 420, 560}, lines[] = {2, 3, 4};
    std::printf("%-38s %10s %10s %10s %10s\n", "boxes", "wall ms", "cpu ms", "too_wide", "missing");
    const std::pair<const char*, std::shared_ptr<const TextMeasure>> fonts[] = {
        {"21 checks, no box", nullptr},
        {"21 checks, a BMFont box on every field", bitmap},
        {"21 checks, a TrueType box on every field", outline}};
    qint64 walls[3] = {};
    for (int run = 0; run < 3; ++run) {
        const auto& [name, font] = fonts[run];
        if (run > 0 && !font)
            continue;
        CheckSettings settings;
        settings.glossary = Glossary();
        for (int k = 0; font && k < 3; ++k)
            settings.boxes[{translation.FormatIndex(), k}] = {
                TextBox{run == 1 ? QStringLiteral("bench.fnt") : trueType.font, 16, widths[k],
                        lines[k], BoxBreak::Spaces},
                font};
        const Timed timed = TimeChecks(original, translation, settings);
        walls[run] = timed.wall;
        std::printf("%-38s %10.0f %10.0f %10lld %10lld\n", name, Ms(timed.wall), Ms(timed.cpu),
                    timed.counts[1], timed.counts[2]);
    }
    std::printf("boxes: BMFont ratio %.2f\n", static_cast<double>(walls[1]) / walls[0]);
    if (!outline)
        return;
    qint64 floorCpu = 0;
    const qint64 floorWall =
        LayoutFloor(translation, static_cast<const LayoutFont&>(*outline).Font(), &floorCpu);
    std::printf("%-38s %10.0f %10.0f\n", "Qt's layout of each text, once", Ms(floorWall),
                Ms(floorCpu));
    std::printf("boxes: TrueType ratio %.2f; no box plus Qt's layout floor %.2f of no box\n",
                static_cast<double>(walls[2]) / walls[0],
                static_cast<double>(walls[0] + floorWall) / walls[0]);
}

void BenchDocument(int fields)
{
    const int records = (fields + 2) / 3;
    const EdtFormat format = BenchFormat(kFieldSizes, true);
    EdtDocument original(format), translation(format);
    Fill(original, translation, records);
    CheckSettings settings;
    settings.glossary = Glossary();

    QElapsedTimer timer;
    timer.start();
    TranslationStatus status(translation);
    status.SetReference(&original);
    const qint64 counts = timer.nsecsElapsed();
    timer.restart();
    const qint64 cpuBefore = CpuNs();
    DocumentChecks checks(translation, settings, &original);
    const qint64 all = timer.nsecsElapsed();
    const qint64 cpu = CpuNs() - cpuBefore;
    std::printf(
        "fields %d, threads %d, problems %lld (placeholders %lld, inconsistent %lld, "
        "glossary %lld)\n",
        records * 3, QThreadPool::globalInstance()->maxThreadCount(), checks.Count(),
        checks.CountOf(Check::Placeholders), checks.CountOf(Check::Inconsistent),
        checks.CountOf(Check::Glossary));
    std::printf(
        "all checks: %.0f ms (%.0f ms of processor time on all threads); translation "
        "counts (yardstick): %.0f ms; ratio %.1f\n",
        Ms(all), Ms(cpu), Ms(counts), static_cast<double>(all) / counts);
    BenchShapeChecks(original, translation);
    BenchBoxes(original, translation);

    // Edits spread over the document; each is re-checked with its group before the next.
    constexpr int kEdits = 1000;
    QRandomGenerator random(7);
    qint64 worst = 0, sum = 0;
    timer.restart();
    for (int i = 0; i < kEdits; ++i) {
        const int record = static_cast<int>(random.bounded(records));
        const std::optional<EdtDocument::TextRef> text = translation.StoreText(u"EDITED %d TEXT.");
        EdtDocument::FieldEdit edit{record, 1, *text};
        QElapsedTimer one;
        one.start();
        translation.ExchangeTexts({&edit, 1});
        const qint64 took = one.nsecsElapsed();
        worst = std::max(worst, took);
        sum += took;
    }
    // The same edits with the checks gone: what the edit and the counts cost alone.
    checks.disconnect(&translation);
    translation.disconnect(&checks);
    qint64 bare = 0;
    for (int i = 0; i < kEdits; ++i) {
        const std::optional<EdtDocument::TextRef> text = translation.StoreText(u"EDITED %d TEXT.");
        EdtDocument::FieldEdit edit{static_cast<int>(random.bounded(records)), 1, *text};
        QElapsedTimer one;
        one.start();
        translation.ExchangeTexts({&edit, 1});
        bare += one.nsecsElapsed();
    }
    std::printf(
        "one edit re-checked: mean %.1f us, worst %.1f us; edit and counts alone "
        "(yardstick): mean %.1f us; ratio %.1f\n",
        sum / 1e3 / kEdits, worst / 1e3, bare / 1e3 / kEdits,
        static_cast<double>(sum) / std::max<qint64>(bare, 1));
    BenchBackgroundSpelling(original, translation);
}

void BenchSpelling()
{
    SpellingDictionary dictionary;
    if (!dictionary.Load(QStringLiteral("en"))) {
        std::printf("spelling: no English dictionary\n");
        return;
    }
    QRandomGenerator random(11);
    std::vector<QString> texts;
    for (int i = 0; i < 100000; ++i)
        texts.push_back(Sentence(random, 128));
    QElapsedTimer timer;
    timer.start();
    qint64 words = 0;
    for (const QString& text : texts)
        words += static_cast<qint64>(SpellingWords(text, {}).size());
    const qint64 split = timer.nsecsElapsed();
    CheckSettings settings;
    settings.enabled = Bit(Check::Spelling);
    settings.speller = &dictionary;
    const FieldChecker checker(settings);
    timer.restart();
    qint64 unknown = 0;
    for (const QString& text : texts)
        unknown += checker.Run({text, {}, false, 1000}, TextStorage{}, nullptr, nullptr) ? 1 : 0;
    const qint64 spelled = timer.nsecsElapsed();
    std::printf(
        "spelling: %lld words in %.0f ms, %.0f words/s on one thread (%lld texts with "
        "unknown words); splitting alone (yardstick) %.0f ms; ratio %.1f\n",
        words, Ms(spelled), words / (spelled / 1e9), unknown, Ms(split),
        static_cast<double>(spelled) / split);
}

}  // namespace

int main(int argc, char** argv)
{
    // Qt's text layout needs the GUI application; no screen is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    UseLayoutFonts();
    BenchDocument(argc > 1 ? std::atoi(argv[1]) : kDefaultFields);
    BenchSpelling();
    return 0;
}
