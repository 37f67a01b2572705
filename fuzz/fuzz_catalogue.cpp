// The catalogue reader on arbitrary bytes: the INI reader, the format loader and the path
// detection over what it loaded. Every line is also classified by both line matchers, which
// must agree.

#include "FuzzSupport.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "catalogue/IniFile.h"

#include <chrono>
#include <string>

using namespace scrivlet;

namespace {

// The line patterns backtrack quadratically on long lines; comparing them with the single pass
// is only affordable on short ones.
constexpr std::size_t kMaxComparedLine = 512;
// A long path built from what path patterns like to match; long enough for a runaway pattern
// to run into its cap, short enough to leave the fuzzer time for many inputs.
QString LongPath()
{
    QString path = QStringLiteral("/home/user/games/data/");
    while (path.size() < 1000)
        path += QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaa_dialog_quest_");
    return path + QStringLiteral(".edt");
}

void CompareMatchers(const std::string& bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() > kMaxComparedLine)
            continue;
        const IniLineParts a = ClassifyIniLine(line, IniMatcher::Patterns);
        const IniLineParts b = ClassifyIniLine(line, IniMatcher::SinglePass);
        if (a.kind != b.kind || a.first != b.first || a.second != b.second)
            fuzz::Fail("line matchers disagree");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CompareMatchers(bytes);

    IniFile ini;
    if (!ini.LoadBytes(bytes))
        fuzz::Fail("LoadBytes failed on bytes in memory");
    FormatCatalogue catalogue;
    ReadFormatCatalogue(catalogue, ini);
    for (const EdtFormat& format : catalogue.Formats()) {
        if (format.name.size() > kMaxNameUnits || format.path.size() > kMaxNameUnits)
            fuzz::Fail("name or path longer than the fixed array");
        for (const FieldDef& field : format.fields) {
            if (field.caption.size() > kMaxNameUnits)
                fuzz::Fail("caption longer than the fixed array");
        }
    }

    // The same bytes through the file reader must give the same catalogue.
    const QString path = fuzz::TempPath(QStringLiteral("formats.ini"));
    if (!fuzz::WriteFile(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))))
        fuzz::Fail("cannot write the catalogue file");
    FormatCatalogue fromFile;
    if (!LoadFormatCatalogueFile(fromFile, path))
        fuzz::Fail("LoadFormatCatalogueFile failed on a readable file");
    if (fromFile.Count() != catalogue.Count())
        fuzz::Fail("file and memory loads differ");

    // Hostile path patterns must not hold up detection, even on the longest path.
    static const QString longPath = LongPath();
    const auto started = std::chrono::steady_clock::now();
    FormatDetector detector(catalogue);
    const Detection detection = detector.Detect(longPath);
    detector.Detect(QStringLiteral("C:\\games\\data\\dialog.edt"));
    if (detection.format >= catalogue.Count())
        fuzz::Fail("detected a format outside the catalogue");
    if (std::chrono::steady_clock::now() - started > std::chrono::seconds(1))
        fuzz::Fail("detection took more than a second");
    return 0;
}
