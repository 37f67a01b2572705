// Times setting a reference on a large generated document: loading the reference file and
// judging every field against it; then the counts of a document alone, and one edit followed
// by the counts. Memory is the resident size before and after the reference is set, next to
// the reference file's size. Usage: bench_status [records]
#include "BenchFormat.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "translation/TranslationStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 1000000;
constexpr int kFieldSizes[] = {32, 64, 128};

// Half the fields of the translation equal the reference's, a tenth are empty.
void Fill(EdtDocument& original, EdtDocument& translation, int records)
{
    QRandomGenerator random(20261206);
    for (int r = 0; r < records; ++r) {
        for (int k = 0; k < 3; ++k) {
            const int length = static_cast<int>(random.bounded(kFieldSizes[k] + 1));
            QString text(length, Qt::Uninitialized);
            for (int i = 0; i < length; ++i)
                text[i] = QChar(u'a' + static_cast<char16_t>(random.bounded(26)));
            original.AddLoadedText(text);
            const quint32 kind = random.bounded(10);
            translation.AddLoadedText(kind == 0 ? QString() : kind < 5 ? text : text.toUpper());
        }
        original.EndLoadedRecord();
        translation.EndLoadedRecord();
    }
}

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : kDefaultRecords;
    const EdtFormat format = BenchFormat(kFieldSizes, true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reference.edt"));
    EdtDocument translation(format);
    {
        EdtDocument original(format);
        Fill(original, translation, records);
        if (!SaveDocumentAs(original, path, kFileTypeEdt, 4).Ok()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QElapsedTimer timer;
    timer.start();
    TranslationStatus status(translation);
    const qint64 alone = timer.elapsed();

    const long before = ResidentKiB();
    timer.restart();
    LoadResult reference = LoadDocument(path, kFileTypeEdt, 4, format, -1, true);
    if (!reference.document)
        return 1;
    status.SetReference(reference.document.get());
    const qint64 set = timer.elapsed();
    const long after = ResidentKiB();

    timer.restart();
    const std::optional<EdtDocument::TextRef> text = translation.StoreText(u"edited");
    EdtDocument::FieldEdit edit{records / 2, 1, *text};
    translation.ExchangeTexts({&edit, 1});
    const qint64 perEdit = timer.nsecsElapsed();
    const TranslationCounts& c = status.Counts();

    std::printf("records %d, fields %lld: empty %lld, same %lld, translated %lld\n", records,
                c.fields, c.empty, c.sameAsReference, c.translated);
    std::printf("counts without a reference: %lld ms\n", alone);
    std::printf("setting the reference (load + judge): %lld ms\n", set);
    std::printf("one edit and its counts: %lld us\n", perEdit / 1000);
    std::printf("memory: +%ld KiB for a reference file of %lld KiB\n", after - before,
                QFileInfo(path).size() / 1024);
    return 0;
}
