#pragma once

// The two things a load may have to ask or tell the user. The UI answers with message boxes
// (with the program's caption), tests and tools with scripted answers.

#include <QString>

namespace scrivlet {

class DocumentPrompts {
public:
    virtual ~DocumentPrompts() = default;
    // The size of the file at path is no whole number of records (InvalidSizeText tells it);
    // true (Yes) loads the whole records and leaves the incomplete one at the end unread.
    virtual bool AskOpenInvalidSize(const QString& path, qint64 fileSize, qint64 recordBytes) = 0;
    // A .txt line is longer than its field; told once per load, after it.
    virtual void NotifyTextTooLong() = 0;
};

// Fixed answers, for loads that must not ask anybody.
class FixedPrompts : public DocumentPrompts {
public:
    explicit FixedPrompts(bool openInvalidSize = false) : openInvalidSize_(openInvalidSize) {}
    bool AskOpenInvalidSize(const QString&, qint64, qint64) override { return openInvalidSize_; }
    void NotifyTextTooLong() override {}

private:
    bool openInvalidSize_;
};

}  // namespace scrivlet
