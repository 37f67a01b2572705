// Times the converter's project modes over a generated project: by default 200 files and
// 1,000,000 text fields in all (about 256 MB of originals and as much of translations), made
// once into a folder under /tmp and kept for later runs. Each command runs as its own process,
// as a user runs it; its wall time and peak resident memory are measured. The yardstick is
// the single-file XLIFF export of the same fields (all originals and all translations laid
// end to end, which for fixed-size records is one valid file each).
// Usage: bench_project [files] [text fields] [folder]

#include "BenchFormat.h"
#include "BenchProcess.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#include <vector>

using namespace scrivlet;

namespace {

// 640 units a record: 1000 records of five fields make a file of 1.28 MB.
constexpr int kFieldSizes[] = {32, 96, 128, 128, 256};
constexpr int kFieldsPerRecord = 5;

const char kCatalogue[] =
    "[FORMAT0]\nname=Scene\npath=.*/(scene)[^/]*\nwidth=640\n"
    "[FORMAT0.COLUMN0]\ndesc=Speaker\nwidth=80\ntype=1\ndataoffset=0\ndatasize=32\n"
    "[FORMAT0.COLUMN1]\ndesc=Line\nwidth=80\ntype=1\ndataoffset=32\ndatasize=96\n"
    "[FORMAT0.COLUMN2]\ndesc=Answer\nwidth=80\ntype=1\ndataoffset=128\ndatasize=128\n"
    "[FORMAT0.COLUMN3]\ndesc=Note\nwidth=80\ntype=1\ndataoffset=256\ndatasize=128\n"
    "[FORMAT0.COLUMN4]\ndesc=Story\nwidth=80\ntype=1\ndataoffset=384\ndatasize=256\n";

QString Words(QRandomGenerator& random, int length, const QString& letters)
{
    QString text(length, Qt::Uninitialized);
    for (QChar& c : text)
        c = letters[static_cast<int>(random.bounded(letters.size()))];
    return text;
}

// Originals in English; translations in German: seven in ten fields translated (with
// umlauts), two the same as the original, one empty.
bool Generate(const QString& root, int files, int records)
{
    const EdtFormat format = BenchFormat(kFieldSizes, false);
    static const QString english = QStringLiteral("abcdefghijklmnopqrstuvwxyz     ,.");
    static const QString german = QStringLiteral("abcdefghijklmnopqrstuvwxyzäöüß     ,.");
    QRandomGenerator random(22);
    for (int f = 0; f < files; ++f) {
        const QString name =
            QStringLiteral("act%1/scene_%2.edt").arg(f % 10).arg(f, 3, 10, QChar(u'0'));
        EdtDocument original(format), translation(format);
        for (int r = 0; r < records; ++r) {
            for (int size : kFieldSizes) {
                const QString text =
                    Words(random, 1 + static_cast<int>(random.bounded(size)), english);
                const quint32 kind = random.bounded(10);
                original.AddLoadedText(text);
                translation.AddLoadedText(kind < 7   ? Words(random, text.size(), german)
                                          : kind < 9 ? text
                                                     : QString());
            }
            original.EndLoadedRecord();
            translation.EndLoadedRecord();
        }
        for (auto [document, side, encoding] : {std::tuple{&original, "en", kEncodingEnglish},
                                                std::tuple{&translation, "de", kEncodingGerman}}) {
            const QString path = root + u'/' + side + u'/' + name;
            if (!QDir().mkpath(QFileInfo(path).path()) ||
                !SaveDocumentAs(*document, path, kFileTypeEdt, encoding))
                return false;
        }
    }
    return true;
}

// Every file of a side, in path order, end to end.
bool Concatenate(const QString& root, const QString& side, const QString& out)
{
    QFile target(out);
    if (!target.open(QIODevice::WriteOnly))
        return false;
    QStringList files;
    for (const QString& dir :
         QDir(root + u'/' + side).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        for (const QString& file :
             QDir(root + u'/' + side + u'/' + dir).entryList(QDir::Files, QDir::Name))
            files << root + u'/' + side + u'/' + dir + u'/' + file;
    files.sort();
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || target.write(file.readAll()) != file.size())
            return false;
    }
    return true;
}

struct Measured : bench::Measured {
    QByteArray lastLine;
};

// Runs the converter with stdout into a file; its measures and its last output line.
Measured Run(const QStringList& args, const QString& outFile)
{
    Measured measured;
    static_cast<bench::Measured&>(measured) = bench::RunTimed(SCRIVLET_CONVERT_EXE, args, outFile);
    QFile out(outFile);
    if (out.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = out.readAll().trimmed().split('\n');
        measured.lastLine = lines.isEmpty() ? QByteArray() : lines.last();
    }
    return measured;
}

void Report(const char* what, const Measured& m, const char* bar)
{
    std::printf("%-34s %8.3f s  %7.3f s CPU  %6ld MB peak  status %d  bar %s\n   %s\n", what,
                m.seconds, m.cpuSeconds, m.peakMb, m.status, bar, m.lastLine.left(150).constData());
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const int fields = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const QString root =
        argc > 3 ? QString::fromLocal8Bit(argv[3])
                 : QStringLiteral("/tmp/scrivlet-bench-project-%1-%2").arg(files).arg(fields);
    const int records = fields / files / kFieldsPerRecord;
    if (!QFileInfo::exists(root + "/formats.ini")) {
        QElapsedTimer made;
        made.start();
        QFile catalogue(root + "/formats.ini");
        if (!QDir().mkpath(root) || !Generate(root, files, records) ||
            !Concatenate(root, "en", root + "/all-en.edt") ||
            !Concatenate(root, "de", root + "/all-de.edt") ||
            !catalogue.open(QIODevice::WriteOnly) || catalogue.write(kCatalogue) < 0) {
            std::fprintf(stderr, "cannot generate into %s\n", qPrintable(root));
            return 1;
        }
        std::printf("generated %d files of %d records (%d fields) in %.1f s\n", files, records,
                    files * records * kFieldsPerRecord, made.elapsed() / 1000.0);
    }
    const QString project = root + "/p.scrivlet", out = root + "/out.txt";
    QFile::remove(project);
    const QStringList cat{"--catalogue", root + "/formats.ini"};
    const Measured base = Run(cat + QStringList{"--list-formats"}, out);
    const Measured made = Run(cat + QStringList{"--new-project", project, "--originals",
                                                root + "/en", "--original-encoding", "0",
                                                "--translations", root + "/de", "--encoding", "1"},
                              out);
    const Measured first = Run(cat + QStringList{"--project", project, "--stats"}, out);
    const Measured again = Run(cat + QStringList{"--project", project, "--stats"}, out);
    const Measured find = Run(cat + QStringList{"--project", project, "--find", "q9x"}, out);
    const Measured exported =
        Run(cat + QStringList{"--project", project, "--export-xliff", root + "/project.xlf"}, out);
    const Measured single =
        Run(cat + QStringList{"--format", "0", "--encoding", "1", "--reference",
                              root + "/all-en.edt", "--reference-encoding", "0", "--export-xliff",
                              root + "/single.xlf", root + "/all-de.edt"},
            out);
    std::printf("%d files, %d text fields, two cores\n", files, files * records * kFieldsPerRecord);
    Report("converter alone (--list-formats)", base, "-");
    Report("new project", made, "-");
    Report("first --stats", first, "-");
    std::printf("%-34s %8.3f s  bar 3 s\n", "new project + first --stats",
                made.seconds + first.seconds);
    Report("reopened --stats (cache)", again, "0.3 s");
    Report("find without a hit", find, "1.5 s");
    std::printf("%-34s %6ld MB  bar 100 MB\n", "peak beyond the converter alone",
                std::max({made.peakMb, first.peakMb, again.peakMb, find.peakMb}) - base.peakMb);
    Report("project XLIFF export", exported, "-");
    Report("single-file XLIFF export", single, "-");
    std::printf("%-34s %8.2f x  bar 1.5x\n", "project / single-file export",
                exported.seconds / single.seconds);
    return 0;
}
