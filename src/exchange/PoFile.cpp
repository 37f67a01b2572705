// PO files through the gettext library's own reader and writer, so quoting, escapes, line
// wrapping and the reading of files another tool has edited are gettext's, not ours.

#include "base/UiText.h"
#include "exchange/ExchangeFiles.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QStringEncoder>
#ifdef Q_OS_WIN
#include <QTemporaryFile>
#endif

#include <gettext-po.h>

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace scrivlet::exchange {

namespace {

// The library splits a multibyte charset into characters with one iconv() call per character
// (and opens a converter per string it writes): half its time on a large file. Its switches
// OLD_PO_FILE_INPUT and OLD_PO_FILE_OUTPUT make it go byte by byte instead. For UTF-8, the only
// charset we accept, the bytes read and written are the same either way (no byte of a multibyte
// UTF-8 character is a quote or a backslash); the one check lost, for malformed UTF-8, ReadPo
// makes itself. Set before main, while the process has one thread: changing the environment is
// not safe beside threads that read it. A value the user set is left as it is.
[[maybe_unused]] const bool kBytewise = [] {
    for (const char* name : {"OLD_PO_FILE_INPUT", "OLD_PO_FILE_OUTPUT"}) {
        if (!qEnvironmentVariableIsSet(name))
            qputenv(name, "1");
    }
    return true;
}();

// The library reports through callbacks with no user pointer; one reader or writer runs at a
// time (the library's own state is global too).
struct Problem {
    bool failed = false;
    size_t line = 0;
    QString message;
    std::jmp_buf* fatal = nullptr;
};
Problem* g_problem = nullptr;

void Note(int severity, const char* filename, size_t lineno, const char* text)
{
    if (severity == PO_SEVERITY_WARNING || !g_problem || g_problem->failed)
        return;
    g_problem->failed = true;
    g_problem->line = filename ? lineno : 0;
    g_problem->message = QString::fromUtf8(text ? text : "");
}

// A fatal error must not return into the library: it goes back to the frame that called it,
// which holds nothing with a destructor.
[[noreturn]] void Abandon()
{
    std::longjmp(*g_problem->fatal, 1);
}

void XError(int severity, po_message_t, const char* filename, size_t lineno, size_t, int,
            const char* text)
{
    Note(severity, filename, lineno, text);
    if (severity == PO_SEVERITY_FATAL_ERROR)
        Abandon();
}

void XError2(int severity, po_message_t, const char* filename1, size_t lineno1, size_t, int,
             const char* text1, po_message_t, const char*, size_t, size_t, int, const char*)
{
    Note(severity, filename1, lineno1, text1);
    if (severity == PO_SEVERITY_FATAL_ERROR)
        Abandon();
}

const po_xerror_handler kHandler = {XError, XError2};

po_file_t GuardedRead(const char* path)
{
    std::jmp_buf jump;
    if (setjmp(jump) != 0)
        return nullptr;
    g_problem->fatal = &jump;
    return po_file_read(path, &kHandler);
}

bool GuardedWrite(po_file_t file, const char* path)
{
    std::jmp_buf jump;
    if (setjmp(jump) != 0)
        return false;
    g_problem->fatal = &jump;
    return po_file_write(file, path, &kHandler) != nullptr;
}

struct FileDeleter {
    void operator()(po_file_t file) const { po_file_free(file); }
};
using PoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, FileDeleter>;

// msgfmt --check refuses a translation that does not begin, or end, with a line break just
// where its source does. Marked fuzzy (which msgfmt leaves unchecked) the file still compiles,
// and the translator is asked to look at the entry.
bool LineBreaksDiffer(QStringView source, QStringView target)
{
    return !target.isEmpty() && (source.startsWith(u'\n') != target.startsWith(u'\n') ||
                                 source.endsWith(u'\n') != target.endsWith(u'\n'));
}

QString Describe(const Problem& problem)
{
    if (problem.line > 0)
        return UiText("xchg.poLine").arg(problem.line).arg(problem.message);
    return UiText("xchg.poError").arg(problem.message);
}

#ifndef Q_OS_WIN
// The library opens its output by name and, in this version, neither checks nor reports a
// failed write: on a full disk it wrote a cut file and returned success. It writes into a pipe
// instead, and a thread copies what comes out of it into the device, checking every write.
class PipeToDevice {
public:
    explicit PipeToDevice(QFileDevice& device) : device_(device)
    {
        if (::pipe2(fds_, O_CLOEXEC) != 0) {
            fds_[0] = fds_[1] = -1;
            failure_ = qt_error_string(errno);
            return;
        }
        // Not blocking, so that the copy ends even if the library kept its end open.
        ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
        copier_ = std::thread([this] { Copy(); });
    }
    ~PipeToDevice()
    {
        Finish();
        if (fds_[0] >= 0)
            ::close(fds_[0]);
    }
    PipeToDevice(const PipeToDevice&) = delete;
    PipeToDevice& operator=(const PipeToDevice&) = delete;

    // What the library opens; empty when no pipe could be made.
    QByteArray Path() const
    {
        return fds_[1] < 0 ? QByteArray() : "/dev/fd/" + QByteArray::number(fds_[1]);
    }

    // Once the library has returned: waits until all it wrote is in the device. The reason
    // the first write that failed gave, or empty.
    QString Finish()
    {
        if (fds_[1] >= 0) {
            ::close(fds_[1]);
            fds_[1] = -1;
        }
        written_ = true;
        if (copier_.joinable())
            copier_.join();
        return failure_;
    }

private:
    void Copy()
    {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fds_[0], buffer, sizeof buffer);
            if (n > 0) {
                if (failure_.isEmpty() && device_.write(buffer, n) != n)
                    failure_ = WriteReason(device_);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                return;
            } else if (errno == EAGAIN) {
                // Empty: once the library has returned, all it wrote has been read.
                if (written_)
                    return;
                pollfd ready{fds_[0], POLLIN, 0};
                ::poll(&ready, 1, 50);
            }
        }
    }

    QFileDevice& device_;
    int fds_[2] = {-1, -1};
    std::atomic<bool> written_{false};
    QString failure_;
    std::thread copier_;
};
#endif

#ifdef Q_OS_WIN
// No pipe to hand over by name here: the library writes a temporary file, which is copied into
// the device with every write checked.
Result WriteMessages(po_file_t file, QFileDevice& device)
{
    QTemporaryFile temporary;
    if (!temporary.open())
        return Result::Failure(UiText("xchg.writeFailed").arg(temporary.errorString()));
    temporary.close();
    Problem problem;
    g_problem = &problem;
    const bool written =
        GuardedWrite(file, QFile::encodeName(temporary.fileName()).constData());
    g_problem = nullptr;
    if (!written || problem.failed)
        return Result::Failure(Describe(problem));
    if (!temporary.open())
        return Result::Failure(UiText("xchg.writeFailed").arg(temporary.errorString()));
    while (!temporary.atEnd()) {
        const QByteArray chunk = temporary.read(1 << 16);
        if (chunk.isEmpty() || device.write(chunk) != chunk.size())
            return Result::Failure(UiText("xchg.writeFailed").arg(WriteReason(device)));
    }
    return {};
}
#else
// Hands the messages to the library's writer and checks what reached the device.
Result WriteMessages(po_file_t file, QFileDevice& device)
{
    PipeToDevice pipe(device);
    const QByteArray path = pipe.Path();
    if (path.isEmpty())
        return Result::Failure(UiText("xchg.writeFailed").arg(pipe.Finish()));
    Problem problem;
    g_problem = &problem;
    const bool written = GuardedWrite(file, path.constData());
    g_problem = nullptr;
    const QString failure = pipe.Finish();
    if (!written || problem.failed)
        return Result::Failure(Describe(problem));
    if (!failure.isEmpty())
        return Result::Failure(UiText("xchg.writeFailed").arg(failure));
    return {};
}
#endif

// translate-toolkit's xliff2po drops our trans-unit ids into the one reference of an entry
// without a context, "#: record:field"; empty for any other entry.
QByteArray LocationName(po_message_t message)
{
    const po_filepos_t place = po_message_filepos(message, 0);
    if (!place || po_message_filepos(message, 1))
        return {};
    const size_t line = po_filepos_start_line(place);
    if (line == static_cast<size_t>(-1))
        return {};
    return QByteArray(po_filepos_file(place)) + ':' + QByteArray::number(quint64(line));
}

}  // namespace

Result WritePo(const OutFile& out, QFileDevice& device)
{
    PoFile file(po_file_create());
    po_message_iterator_t iterator = po_message_iterator(file.get(), nullptr);
    po_message_t header = po_message_create();
    po_message_set_msgid(header, "");
    const QByteArray now = QDateTime::currentDateTimeUtc()
                               .toString(QStringLiteral("yyyy-MM-dd HH:mm+0000"))
                               .toLatin1();
    // The fields msgfmt --check looks for; translator and team are the tool's to fill in.
    po_message_set_msgstr(header, "Project-Id-Version: " + out.fileName.toUtf8() +
                                      "\nPOT-Creation-Date: " + now + "\nPO-Revision-Date: " + now +
                                      "\nLast-Translator: \nLanguage-Team: \nLanguage: " +
                                      out.targetLanguage.toLatin1() +
                                      "\n"
                                      "MIME-Version: 1.0\n"
                                      "Content-Type: text/plain; charset=UTF-8\n"
                                      "Content-Transfer-Encoding: 8bit\n"
                                      "X-Generator: Scrivlet " SCRIVLET_VERSION "\n");
    po_message_insert(iterator, header);
    const QByteArray fileName = out.fileName.toUtf8();
    std::vector<QByteArray> comments;
    // In the Unicode encoding a character beyond the BMP takes two of a field's units.
    const QString limit = out.wideCharacters
                              ? QStringLiteral("%1, at most %2 characters (an emoji counts as two)")
                              : QStringLiteral("%1, at most %2 characters");
    for (const OutField& field : out.fields)
        comments.push_back(limit.arg(field.caption).arg(field.size).toUtf8());
    // One buffer for every text: the library copies what it is given. Stateless, so that a lone
    // surrogate ending one text is replaced there and not carried into the next.
    QByteArray text;
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    auto terminated = [&](QStringView view) {
        text.resize(view.size() * 3 + 1);
        char* end = utf8.appendToBuffer(text.data(), view);
        *end = '\0';
        return text.constData();
    };
    QByteArray placed;  // the field's comment and, under a lasting name, the position
    for (const OutEntry& entry : out.entries) {
        po_message_t message = po_message_create();
        po_message_set_msgctxt(message, EntryName(entry).toLatin1().constData());
        po_message_set_msgid(message, terminated(entry.source));
        po_message_set_msgstr(message, terminated(entry.target));
        if (LineBreaksDiffer(entry.source, entry.target) || entry.state == StoredState::NeedsWork)
            po_message_set_fuzzy(message, 1);
        if (!entry.comment.isEmpty())
            po_message_set_comments(message, entry.comment.toUtf8().constData());
        const QByteArray& comment = comments[static_cast<size_t>(entry.field)];
        if (entry.recordId >= 0)
            placed = comment + '\n' + EntryPosition(entry).toLatin1();
        po_message_set_extracted_comments(message,
                                          (entry.recordId >= 0 ? placed : comment).constData());
        po_message_add_filepos(message, fileName.constData(),
                               static_cast<size_t>(entry.record) + 1);
        po_message_insert(iterator, message);
    }
    po_message_iterator_free(iterator);
    return WriteMessages(file.get(), device);
}

Result ReadPo(const QString& path, std::vector<TranslationEntry>* entries)
{
    Problem problem;
    g_problem = &problem;
    PoFile file(GuardedRead(QFile::encodeName(path).constData()));
    g_problem = nullptr;
    if (problem.failed)
        return Result::Failure(Describe(problem));
    if (!file)
        return Result::Failure(
            UiText("xchg.poError").arg(QString::fromLocal8Bit(std::strerror(errno))));
    // The library hands texts over in the file's own charset; ours are UTF-8 (or ASCII).
    if (const char* headerText = po_file_domain_header(file.get(), nullptr)) {
        std::unique_ptr<char, decltype(&std::free)> type(
            po_header_field(headerText, "Content-Type"), &std::free);
        const QByteArray contentType(type ? type.get() : "");
        const qsizetype at = contentType.toLower().indexOf("charset=");
        const QByteArray charset = at < 0 ? QByteArray() : contentType.mid(at + 8).trimmed();
        const QByteArray name = charset.toLower();
        // "CHARSET" is what an untouched template says.
        if (!name.isEmpty() && name != "utf-8" && name != "ascii" && name != "us-ascii" &&
            name != "charset")
            return Result::Failure(UiText("xchg.poCharset").arg(QString::fromLatin1(charset)));
    }
    for (const char* const* domain = po_file_domains(file.get()); *domain; ++domain) {
        po_message_iterator_t iterator = po_message_iterator(file.get(), *domain);
        while (po_message_t message = po_next_message(iterator)) {
            const char* context = po_message_msgctxt(message);
            const char* id = po_message_msgid(message);
            if (po_message_is_obsolete(message) || (!context && (!id || !*id)))
                continue;
            const QByteArrayView contextBytes(context ? context : "");
            const QByteArrayView text(po_message_msgstr(message));
            if (!contextBytes.isValidUtf8() || !QByteArrayView(id).isValidUtf8() ||
                !text.isValidUtf8()) {
                po_message_iterator_free(iterator);
                return Result::Failure(
                    UiText("xchg.poUtf8").arg(QString::fromUtf8(contextBytes.toByteArray())));
            }
            TranslationEntry& entry = entries->emplace_back();
            // A field has no plural forms: an entry with them is none an export wrote, and
            // picking one of its forms would be a guess. It counts as an unknown name.
            if (!po_message_msgid_plural(message))
                ParseEntryName(context ? contextBytes : QByteArrayView(LocationName(message)),
                               &entry);
            entry.source = QString::fromUtf8(id);
            entry.text = QString::fromUtf8(text);
            entry.fuzzy = po_message_is_fuzzy(message) != 0;
            entry.comment = QString::fromUtf8(po_message_comments(message));
            if (entry.comment.endsWith(u'\n'))
                entry.comment.chop(1);
        }
        po_message_iterator_free(iterator);
    }
    return {};
}

}  // namespace scrivlet::exchange
