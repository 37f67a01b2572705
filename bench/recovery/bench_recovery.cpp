// Usage: bench_recovery [N]     (default: 1000000)
// Builds a document of N records of three text fields, then takes its snapshot five times
// (the part of a recovery copy the window waits for; bar: 50 ms for a million records) and
// writes one copy (done on a worker thread). Prints the best snapshot time and the write time.

#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "documents/RecoveryCopies.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace scrivlet;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, atoi(argv[1])) : 1000000;
    EdtFormat format;
    format.name = QStringLiteral("Bench");
    format.recordLength = 128;
    format.fields[0] = FieldDef{QStringLiteral("Name"), 100, kTextField, 0, 32, {}};
    format.fields[1] = FieldDef{QStringLiteral("Line"), 200, kTextField, 32, 40, {}};
    format.fields[2] = FieldDef{QStringLiteral("Note"), 200, kTextField, 72, 48, {}};
    EdtDocument document(format);
    for (int r = 0; r < records; ++r) {
        document.AddLoadedText(QStringLiteral("Speaker %1").arg(r % 97));
        document.AddLoadedText(QStringLiteral("A line of dialogue number %1").arg(r));
        document.AddLoadedText(QStringLiteral("note"));
        document.EndLoadedRecord();
    }
    document.SetText(0, 0, u"edited");

    qint64 best = -1;
    std::unique_ptr<EdtDocument> snapshot;
    for (int k = 0; k < 5; ++k) {
        QElapsedTimer timer;
        timer.start();
        snapshot = document.Snapshot();
        const qint64 us = timer.nsecsElapsed() / 1000;
        best = best < 0 ? us : std::min(best, us);
    }
    QTemporaryDir dir;
    RecoveryStore store(dir.path());
    QElapsedTimer timer;
    timer.start();
    const Result written = store.Write(*snapshot, store.NewId(), QStringLiteral("bench"));
    const qint64 writeMs = timer.elapsed();
    std::printf("records %d  snapshot %.1f ms (bar 50)  copy written %lld ms%s\n", records,
                best / 1000.0, static_cast<long long>(writeMs), written ? "" : "  FAILED");
    return written && best <= 50000 ? 0 : 1;
}
