#pragma once

#include "translation/Checks.h"

#include <QObject>

#include <array>
#include <functional>
#include <vector>

// The quality checks of a whole document: a mark per field with the checks it fails, counts
// per check, and each field's problems told in words on demand. The first run spreads over
// all cores; an edit re-checks only the fields it touched and the fields that share their
// reference text (the inconsistency group), found through an index of the reference's texts.

namespace scrivlet {

class DocumentChecks : public QObject {
    Q_OBJECT

public:
    // document, the settings and the reference (when given) must outlive this object. Checks
    // every field now, and again as the document changes.
    DocumentChecks(const EdtDocument& document, const CheckSettings& settings,
                   const EdtDocument* reference = nullptr, QObject* parent = nullptr);
    ~DocumentChecks() override;

    // After the settings or the reference changed: checks everything again.
    void SetReference(const EdtDocument* reference);
    void RecheckAll();
    // After the settings' glossary changed: indexes it again and checks everything.
    void GlossaryChanged();
    // After the texts of records first..last changed.
    void Recheck(int firstRecord, int lastRecord);

    CheckMask Mask(int record, int field) const
    {
        return masks_[static_cast<size_t>(record) * fields_ + field];
    }
    // Problems in all (each failed check of each field counts once), and per check.
    qint64 Count() const;
    qint64 CountOf(Check check) const { return counts_[static_cast<size_t>(check)]; }
    // The problems of a field, in check order, told in the interface language.
    std::vector<Problem> Details(int record, int field) const;
    // Every problem of the document in record, field and check order.
    void ForEachProblem(const std::function<void(const Problem&)>& each) const;

signals:
    void ProblemsChanged();

private:
    FieldInput Input(size_t at) const;
    TextStorage Storage() const;
    std::vector<int> Index(const std::vector<size_t>& hashes);
    void CheckRange(size_t first, size_t last, std::vector<size_t>* hashes);
    bool Eligible(size_t at) const;
    QStringView Text(size_t at) const;
    // Sets or clears the inconsistency of the group's fields; counted when asked.
    void JudgeGroup(int head, bool count);
    void Count(CheckMask mask, int sign);

    const EdtDocument& document_;
    const CheckSettings& settings_;
    const EdtDocument* reference_ = nullptr;
    FieldChecker checker_;
    size_t fields_ = 0;
    std::vector<CheckMask> masks_;  // record r, field k: masks_[r * fields + k]
    std::array<qint64, kCheckCount> counts_{};
    // Fields sharing a non-empty reference text, chained in document order: the first field
    // of each one's group (-1 for none), and the next field of the group (-1 at the end).
    std::vector<int> groupOf_;
    std::vector<int> nextInGroup_;
};

}  // namespace scrivlet
