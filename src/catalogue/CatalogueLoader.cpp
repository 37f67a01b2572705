#include "catalogue/CatalogueLoader.h"

#include "catalogue/IniFile.h"

#include <QCoreApplication>
#include <QDir>

#include <iterator>

namespace scrivlet {
namespace {

// Sections and keys of the catalogue file.
constexpr char kFormatSectionPrefix[] = "FORMAT";
constexpr char kColumnSectionInfix[] = ".COLUMN";
constexpr char kKeyName[] = "name";
constexpr char kKeyPath[] = "path";
constexpr char kKeyRecordLength[] = "width";
constexpr char kKeyCaption[] = "desc";
constexpr char kKeyColumnWidth[] = "width";
constexpr char kKeyType[] = "type";
constexpr char kKeyOffset[] = "dataoffset";
constexpr char kKeySize[] = "datasize";
constexpr char kKeyLabelPrefix[] = "label.";

constexpr char kInstalledCatalogueDir[] = "../share/scrivlet";

// Up to a zero character, as the fixed arrays of the file format would hold it.
QString DecodeText(const std::string& utf8)
{
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

// A name, path or caption from the file: UTF-8 (invalid sequences become U+FFFD), ended at a
// zero character, at most kMaxNameUnits units without splitting a surrogate pair.
QString DecodeCatalogueName(const std::string& utf8)
{
    QString text = DecodeText(utf8);
    if (text.size() > kMaxNameUnits) {
        qsizetype keep = kMaxNameUnits;
        if (text.at(keep - 1).isHighSurrogate())
            --keep;
        text.truncate(keep);
    }
    return text;
}

void ReadField(FieldDef& field, const IniSection* section)
{
    field.caption = DecodeCatalogueName(IniFile::GetString(section, kKeyCaption, {}));
    field.width = IniFile::GetInt(section, kKeyColumnWidth, 0);
    field.type = IniFile::GetInt(section, kKeyType, 0);
    if (field.type == kLabelField) {
        // The first missing or empty label ends the list.
        for (int k = 0;; ++k) {
            const std::string label =
                IniFile::GetString(section, kKeyLabelPrefix + std::to_string(k), {});
            if (label.empty())
                break;
            field.labels.append(DecodeText(label));
        }
    } else {
        field.offset = IniFile::GetInt(section, kKeyOffset, 0);
        field.size = IniFile::GetInt(section, kKeySize, 0);
    }
}

// Where LoadFormatCatalogue looks, in order: beside the executable, then an installed copy.
QStringList CatalogueSearchDirs()
{
    const QDir appDir(QCoreApplication::applicationDirPath());
    return {appDir.path(), QDir::cleanPath(appDir.filePath(kInstalledCatalogueDir))};
}

// The first of the folders that holds a readable fileName wins.
bool LoadFormatCatalogueFrom(FormatCatalogue& catalogue, const QStringList& dirs,
                             const QString& fileName, QString* missingFileName)
{
    for (const QString& dir : dirs) {
        if (LoadFormatCatalogueFile(catalogue, QDir(dir).filePath(fileName)))
            return true;
    }
    catalogue.Clear();
    if (missingFileName)
        *missingFileName = fileName;
    return false;
}

}  // namespace

void ReadFormatCatalogue(FormatCatalogue& catalogue, const IniFile& ini)
{
    catalogue.Clear();
    // A gap in the numbering ends the catalogue, and one in the columns ends a format.
    for (int i = 0;; ++i) {
        const std::string sectionName = kFormatSectionPrefix + std::to_string(i);
        const IniSection* section = ini.FindSection(sectionName);
        if (!section)
            break;
        EdtFormat format;
        format.name = DecodeCatalogueName(IniFile::GetString(section, kKeyName, {}));
        format.path = DecodeCatalogueName(IniFile::GetString(section, kKeyPath, {}));
        format.recordLength = IniFile::GetInt(section, kKeyRecordLength, 0);
        for (int j = 0; j < kMaxFields; ++j) {
            const IniSection* column =
                ini.FindSection(sectionName + kColumnSectionInfix + std::to_string(j));
            if (!column)
                break;
            ReadField(format.fields[static_cast<std::size_t>(j)], column);
        }
        catalogue.Append(std::move(format));
    }
}

QString FormatSectionKey(int index)
{
    return QLatin1String(kFormatSectionPrefix) + QString::number(index);
}

int FormatIndexOfKey(const QString& key)
{
    if (!key.startsWith(QLatin1String(kFormatSectionPrefix)))
        return -1;
    const QStringView digits = QStringView(key).mid(qsizetype(std::size(kFormatSectionPrefix)) - 1);
    bool ok = false;
    const int index = digits.toInt(&ok);
    // Only the form FormatSectionKey writes: no sign, no leading zero.
    return ok && index >= 0 && FormatSectionKey(index) == key ? index : -1;
}

bool LoadFormatCatalogueFile(FormatCatalogue& catalogue, const QString& path)
{
    IniFile ini;
    if (!ini.LoadPath(path))
        return false;
    ReadFormatCatalogue(catalogue, ini);
    return true;
}

QString CatalogueFileName(UiLanguage language)
{
    QString code = UiTextIn(language, QString::fromLatin1(str::LanguageCode));
    if (code.isEmpty())
        code = LanguageCode(language);
    return QStringLiteral("formats.%1.ini").arg(code);
}

bool LoadFormatCatalogue(FormatCatalogue& catalogue, UiLanguage language, QString* missingFileName)
{
    return LoadFormatCatalogueFrom(catalogue, CatalogueSearchDirs(), CatalogueFileName(language),
                                   missingFileName);
}

}  // namespace scrivlet
